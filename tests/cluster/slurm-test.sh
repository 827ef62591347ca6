#!/bin/sh
# An experiment submitted to a private Slurm cluster as an array of 3 slices and a dependent
# merge job gives the roughness file and fit line of the one-machine run, byte for byte, and so
# does a lost slice submitted again by rerun; the README's Slurm example gives a beta line.
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

# Bounded wait: until the queue has nothing pending or running, at most 120 s.
wait_for_queue() {
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
}

export TESSAVO_BATCH="$tool"
# shellcheck disable=SC2086
"$src/scripts/slurm/experiment.sbatch" submit "$work/out" 16 3 -- $settings
echo "--- the queue after submitting: the array and the merge waiting on it"
squeue -t all -o "%.10i %.9P %.10j %.8T %.24E %R"
wait_for_queue
echo "--- the queue at the end"
squeue -t all -o "%.10i %.9P %.10j %.8T %.24E %R"
for log in "$work"/out/*.log; do
    echo "--- $(basename "$log")"
    cat "$log"
done

same_as_one_machine() {
    [ -f "$work/out/roughness.csv" ] || { echo "FAIL: the merge wrote no roughness file"; exit 1; }
    cmp "$work/one.csv" "$work/out/roughness.csv" || { echo "FAIL: the merged roughness differs from the one-machine run"; exit 1; }
    cmp "$work/one-fit.txt" "$work/out/fit.txt" || { echo "FAIL: the merged fit line differs from the one-machine run"; exit 1; }
}
same_as_one_machine
echo "the 3 slices merged equal the one-machine roughness file and fit line: $(cat "$work/one-fit.txt")"

# A lost slice: rerun submits it alone, and a merge, which gives the same files again.
rm "$work/out/slice-1.h5" "$work/out/roughness.csv" "$work/out/fit.txt"
# shellcheck disable=SC2086
"$src/scripts/slurm/experiment.sbatch" rerun "$work/out" 16 3 -- $settings
wait_for_queue
same_as_one_machine
grep -q "^slice 1: runs 5..9 of 16" "$work/out/slice-1.log" || { echo "FAIL: the rerun slice logged nothing in the output folder"; exit 1; }
echo "slice 1 rerun alone and merged again: the same files"

# The README's example, run as it stands where build/, examples/ and scripts/ are this build's.
. "$src/tests/readme-block.sh"
mkdir "$work/readme"
cd "$work/readme"
ln -s "$(dirname "$tool")" build
ln -s "$src/examples" examples
ln -s "$src/scripts" scripts
readme_block slurm-example >example.sh
[ -s example.sh ] || { echo "FAIL: the README lost its marked Slurm example"; exit 1; }
sh -eu example.sh
wait_for_queue
cat results/*.log
grep -q '^beta = [0-9.]* +/- [0-9.]* (ticks [0-9]*\.\.[0-9]*, 16 runs; error: jackknife over 16 runs)$' results/fit.txt ||
    { echo "FAIL: the README's Slurm example gives no beta line"; exit 1; }
