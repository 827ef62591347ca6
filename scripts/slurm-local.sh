#!/bin/sh
# slurm-local.sh start|stop: a private single-node Slurm cluster for trying job scripts and
# for the tests, made of Debian's munged, slurmctld and slurmd. Its key, configuration,
# sockets, state and logs live in one new temporary folder; it listens on loopback on two free
# ports away from Slurm's defaults; the system's /etc and running services are left alone.
# Runs as root (slurmd starts jobs as their users) without systemd.
#
#   eval "$(scripts/slurm-local.sh start)"   # prints export lines, as ssh-agent does
#   sbatch --wrap 'hostname'; squeue
#   scripts/slurm-local.sh stop              # stops the daemons and removes the folder
#
# `start` prints SLURM_CONF (what sbatch, squeue and sinfo need) and TESSAVO_SLURM_DIR (what
# `stop` needs; `stop DIR` works as well). Messages go to stderr.
set -eu

say() { echo "slurm-local: $*" >&2; }

# True when a TCP socket of this machine has port $1 (read from /proc: no tool needed).
port_in_use() {
    cat /proc/net/tcp /proc/net/tcp6 2>/dev/null |
        awk -v p=":$(printf '%04X' "$1")" '{ if (substr($2, length($2) - 4) == p) used = 1 } END { exit !used }'
}

# A port nobody uses, from a range away from Slurm's 6817/6818.
free_port() {
    tries=0
    while [ $tries -lt 50 ]; do
        port=$(( 20000 + $(od -An -N2 -tu2 /dev/urandom | tr -d ' ') % 20000 ))
        if ! port_in_use "$port"; then
            echo "$port"
            return 0
        fi
        tries=$((tries + 1))
    done
    return 1
}

# Kills the daemon whose pid is in file $1 and waits (at most 10 s) until it is gone.
stop_daemon() {
    [ -s "$1" ] || return 0
    pid=$(cat "$1")
    case "$pid" in *[!0-9]* | '') return 0 ;; esac
    kill "$pid" 2>/dev/null || return 0
    n=0
    while kill -0 "$pid" 2>/dev/null && [ $n -lt 100 ]; do
        sleep 0.1
        n=$((n + 1))
    done
    kill -9 "$pid" 2>/dev/null || true
}

# The marker `start` leaves in its folder: it holds the folder's own resolved path.
marker=.tessavo-slurm-local

# Stops the cluster of folder $1 and removes the folder, only when `start` made it: its
# resolved path is a tessavo-slurm.* folder right inside the temporary folder, and it holds
# the marker naming that very path. Anything else (a link or ".." leading elsewhere, a folder
# of the same name made by hand) is refused and left alone.
stop_cluster() {
    [ -e "$1" ] || [ -L "$1" ] || return 0
    base=$(realpath -e -- "${TMPDIR:-/tmp}") || { say "no temporary folder ${TMPDIR:-/tmp}"; return 1; }
    dir=$(realpath -e -- "$1") || { say "$1 cannot be resolved"; return 1; }
    case "$dir" in
        "$base"/tessavo-slurm.*) ;;
        *) say "$1 is not a folder made by slurm-local.sh start"; return 1 ;;
    esac
    name=${dir#"$base"/}
    if [ "${name#*/}" != "$name" ] || [ ! -d "$dir" ] || [ -L "$dir/$marker" ] || [ ! -f "$dir/$marker" ] ||
        [ "$(cat "$dir/$marker")" != "$dir" ]; then
        say "$1 is not a folder made by slurm-local.sh start"
        return 1
    fi
    stop_daemon "$dir/slurmd.pid"
    stop_daemon "$dir/slurmctld.pid"
    stop_daemon "$dir/munged.pid"
    rm -rf -- "$dir"
}

start_cluster() {
    for tool in munged slurmctld slurmd sbatch sinfo; do
        command -v "$tool" >/dev/null 2>&1 || { say "$tool is missing (Debian packages slurm-wlm and munge)"; exit 1; }
    done
    [ "$(id -u)" -eq 0 ] || { say "needs root: slurmd starts jobs as their users"; exit 1; }

    dir=$(mktemp -d "$(realpath -e -- "${TMPDIR:-/tmp}")/tessavo-slurm.XXXXXX")
    chmod 700 "$dir"
    echo "$dir" >"$dir/$marker"
    trap 'stop_cluster "$dir" >/dev/null 2>&1 || true' EXIT
    mkdir -p "$dir/state" "$dir/spool"

    head -c 1024 /dev/urandom >"$dir/munge.key"
    chmod 400 "$dir/munge.key"
    munged --force --key-file="$dir/munge.key" --socket="$dir/munge.socket" --pid-file="$dir/munged.pid" \
        --log-file="$dir/munged.log" --seed-file="$dir/munged.seed" ||
        { say "munged did not start:"; tail -n 5 "$dir/munged.log" >&2 || true; exit 1; }

    host=$(uname -n | cut -d. -f1)
    ctld_port=$(free_port) && slurmd_port=$(free_port) || { say "no free port found"; exit 1; }
    [ "$ctld_port" != "$slurmd_port" ] || slurmd_port=$((ctld_port + 1))
    memory=$(awk '/^MemTotal:/ { m = int($2 / 1024) - 512; print (m > 100 ? m : 100) }' /proc/meminfo)

    cat >"$dir/slurm.conf" <<EOF
ClusterName=tessavo-local
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$slurmd_port
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$dir/munge.socket
CredType=cred/munge
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
MpiDefault=none
MailProg=/bin/true
CommunicationParameters=NoInAddrAny
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/slurmctld.log
SlurmdLogFile=$dir/slurmd.log
ReturnToService=2
NodeName=$host NodeAddr=127.0.0.1 CPUs=$(nproc) RealMemory=$memory State=UNKNOWN
PartitionName=local Nodes=$host Default=YES MaxTime=INFINITE State=UP
EOF
    cat >"$dir/cgroup.conf" <<EOF
CgroupPlugin=autodetect
IgnoreSystemd=yes
EOF

    slurmctld -c -f "$dir/slurm.conf" ||
        { say "slurmctld did not start:"; tail -n 5 "$dir/slurmctld.log" >&2 || true; exit 1; }
    slurmd -f "$dir/slurm.conf" ||
        { say "slurmd did not start:"; tail -n 5 "$dir/slurmd.log" >&2 || true; exit 1; }

    # The node takes a few seconds to report itself idle.
    n=0
    until [ "$(SLURM_CONF="$dir/slurm.conf" sinfo -h -o %t 2>/dev/null)" = idle ]; do
        n=$((n + 1))
        if [ $n -gt 60 ]; then
            say "the node did not become idle within 30 s:"
            tail -n 5 "$dir/slurmctld.log" "$dir/slurmd.log" >&2 || true
            exit 1
        fi
        sleep 0.5
    done
    trap - EXIT
    say "cluster up in $dir (slurmctld port $ctld_port, slurmd port $slurmd_port)"
    echo "export SLURM_CONF=$dir/slurm.conf"
    echo "export TESSAVO_SLURM_DIR=$dir"
}

case "${1:-}" in
    start) start_cluster ;;
    stop)
        dir=${2:-${TESSAVO_SLURM_DIR:-}}
        [ -n "$dir" ] || { say "stop needs TESSAVO_SLURM_DIR (from start) or the folder as argument"; exit 1; }
        stop_cluster "$dir"
        ;;
    *)
        echo "usage: $0 start|stop [DIR]" >&2
        exit 2
        ;;
esac
