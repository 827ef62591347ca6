#!/bin/sh
# An experiment submitted to a private Slurm cluster as an array of 3 slices and a dependent
# merge job gives the roughness file and fit line of the one-machine run, byte for byte.
# Usage: slurm-test.sh TESSAVO_BATCH SOURCE_DIR. Exit 77 (skipped) where it cannot run.
set -eu
tool=$1
src=$2

for t in munged slurmctld slurmd sbatch squeue sinfo; do
    command -v "$t" >/dev/null 2>&1 || { echo "not run: $t is missing (scripts/deps.sh installs slurm-wlm and munge)"; exit 77; }
done
[ "$(id -u)" -eq 0 ] || { echo "not run: a private Slurm cluster needs root (slurmd starts jobs as their users)"; exit 77; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tessavo-slurm-test.XXXXXX")
cluster=""
finish() {
    [ -z "$cluster" ] || "$src/scripts/slurm-local.sh" stop "$cluster" || true
    rm -rf "$work"
}
trap finish EXIT
trap 'exit 1' INT TERM

settings="--steps 300 --size 16x12 --dep 150 --max 1000 --seed 11 --quiet"
# shellcheck disable=SC2086
"$tool" $settings --runs 16 --roughness "$work/one.csv" --fit >"$work/one-fit.txt"

env=$("$src/scripts/slurm-local.sh" start)
eval "$env"
cluster=$TESSAVO_SLURM_DIR

export TESSAVO_BATCH="$tool"
# shellcheck disable=SC2086
"$src/scripts/slurm/experiment.sbatch" submit "$work/out" 16 3 -- $settings
echo "--- the queue after submitting: the array and the merge waiting on it"
squeue -t all -o "%.10i %.9P %.10j %.8T %.24E %R"

# Bounded wait: until the queue has nothing pending or running, at most 120 s.
n=0
while squeue -h -t pending,running -o %i | grep -q .; do
    n=$((n + 1))
    if [ $n -gt 240 ]; then
        echo "FAIL: the jobs did not finish within 120 s"
        squeue -t all
        tail -n 20 "$cluster/slurmctld.log"
        exit 1
    fi
    sleep 0.5
done
echo "--- the queue at the end"
squeue -t all -o "%.10i %.9P %.10j %.8T %.24E %R"
for log in "$work"/out/*.log; do
    echo "--- $(basename "$log")"
    cat "$log"
done

[ -f "$work/out/roughness.csv" ] || { echo "FAIL: the merge wrote no roughness file"; exit 1; }
cmp "$work/one.csv" "$work/out/roughness.csv" || { echo "FAIL: the merged roughness differs from the one-machine run"; exit 1; }
cmp "$work/one-fit.txt" "$work/out/fit.txt" || { echo "FAIL: the merged fit line differs from the one-machine run"; exit 1; }
echo "the 3 slices merged equal the one-machine roughness file and fit line: $(cat "$work/one-fit.txt")"
