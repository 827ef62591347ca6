#!/bin/sh
# slurm-local.sh stop removes only a folder that start made: not one reached through ".." or a
# link, nor one of the right name without start's marker naming it. Needs neither Slurm nor root.
# Usage: slurm-stop-test.sh TESSAVO_BATCH SOURCE_DIR.
set -eu
src=$2
work=$(realpath "$(mktemp -d "${TMPDIR:-/tmp}/tessavo-stop-test.XXXXXX")")
trap 'rm -rf "$work"' EXIT
export TMPDIR="$work"
stop() { "$src/scripts/slurm-local.sh" stop "$1" 2>/dev/null; }

mkdir "$work/tessavo-slurm.a" "$work/tessavo-slurm.b" "$work/victim"
touch "$work/victim/keep" "$work/tessavo-slurm.a/keep"
echo "$work/tessavo-slurm.b" >"$work/tessavo-slurm.a/.tessavo-slurm-local"
ln -s "$work/victim" "$work/tessavo-slurm.link"
for d in "$work/tessavo-slurm.a/../victim" "$work/tessavo-slurm.link" "$work/tessavo-slurm.a"; do
    if stop "$d"; then
        echo "FAIL: stop accepted $d"
        exit 1
    fi
done
[ -f "$work/victim/keep" ] && [ -f "$work/tessavo-slurm.a/keep" ] || { echo "FAIL: stop removed a folder it did not make"; exit 1; }

echo "$work/tessavo-slurm.b" >"$work/tessavo-slurm.b/.tessavo-slurm-local"
stop "$work/tessavo-slurm.b"
[ ! -e "$work/tessavo-slurm.b" ] || { echo "FAIL: stop left the folder start made"; exit 1; }
echo "stop refused three folders it did not make and removed the one it did"
