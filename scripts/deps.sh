#!/bin/sh
# Installs the Debian packages Tessavo needs, only those that are missing.
# munge and slurm-wlm serve the cluster scripts, which run daemons of their own in a temporary
# folder (scripts/slurm-local.sh). Installing them starts no service on a machine without
# systemd (containers, CI): their maintainer scripts ask invoke-rc.d, which finds no runlevel
# there and declines to start anything. Where systemd runs, Debian starts the packages' own
# munge service as usual; Tessavo never uses it.
# When another package manager holds its lock (an upgrade running in the background), this
# waits for it, at most TESSAVO_APT_WAIT seconds (600), instead of failing at once.
set -e
PACKAGES="g++ make cmake pkg-config qt6-base-dev libgl-dev libjpeg-dev libgtest-dev libbenchmark-dev xvfb xauth gnuplot-nox fonts-liberation2 libfftw3-dev librandom123-dev xdotool imagemagick-6.q16 pybind11-dev python3-dev python3-numpy python3-pytest python3-distributed python3-matplotlib python3-setuptools python3-wheel python3-pip python3-venv libhdf5-dev slurm-wlm munge parallel python3-h5py"
missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo

wait_seconds=${TESSAVO_APT_WAIT:-600}
deadline=$(($(date +%s) + wait_seconds))
if [ $((wait_seconds % 60)) -eq 0 ]; then wait_text="$((wait_seconds / 60)) minutes"; else wait_text="$wait_seconds seconds"; fi

# apt-get with the arguments given, retried every few seconds while another process holds a lock
# of apt or dpkg (the package lists' lock, which apt itself never waits for, or dpkg's), until
# the deadline.
apt_get() {
  told=""
  while :; do
    if err=$($SUDO env DEBIAN_FRONTEND=noninteractive apt-get "$@" 2>&1 >&3); then
      [ -z "$err" ] || printf '%s\n' "$err" >&2
      return 0
    fi
    case $err in
      *"Could not get lock"* | *"Unable to lock"* | *"Unable to acquire the dpkg frontend lock"*)
        if [ "$(date +%s)" -lt "$deadline" ]; then
          [ -n "$told" ] || echo "Another package manager holds the lock: waiting for it, at most $wait_text" >&2
          told=1
          sleep 5
          continue
        fi
        printf '%s\n' "$err" >&2
        echo "The package manager's lock was not released within $wait_text; run make deps again once it is" >&2
        return 1 ;;
    esac
    printf '%s\n' "$err" >&2
    return 1
  done
} 3>&1

apt_get update
# shellcheck disable=SC2086 # a list of package names
apt_get install -y $missing
