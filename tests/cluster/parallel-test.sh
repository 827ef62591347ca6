#!/bin/sh
# The README's GNU parallel recipe: three uneven slices run by parallel and merged give the
# roughness file and fit line of the one-machine run, byte for byte; and the README's three
# lines of h5py read the merged series file.
# Usage: parallel-test.sh TESSAVO_BATCH SOURCE_DIR. Exit 77 (skipped) where it cannot run.
set -eu
tool=$1
src=$2
command -v parallel >/dev/null 2>&1 || { echo "not run: GNU parallel is missing (scripts/deps.sh installs it)"; exit 77; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tessavo-parallel-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

settings="--steps 300 --size 16x12 --dep 150 --max 1000 --seed 5 --rng philox --quiet"
# shellcheck disable=SC2086
"$tool" $settings --runs 16 --roughness one.csv --fit >one-fit.txt

# shellcheck disable=SC2086
parallel --will-cite --halt now,fail=1 -j 2 "$tool" $settings --runs 16 --run-range {} --series slice-{#}.h5 \
    ::: 0:5 5:11 11:16
"$tool" merge slice-*.h5 --roughness all.csv --fit --series all.h5 >all-fit.txt

cmp one.csv all.csv || { echo "FAIL: the merged roughness differs from the one-machine run"; exit 1; }
cmp one-fit.txt all-fit.txt || { echo "FAIL: the merged fit line differs from the one-machine run"; exit 1; }
echo "parallel slices merged equal the one-machine run: $(cat one-fit.txt)"

# The h5py lines of the README, run as they stand on the merged file.
if /usr/bin/python3 -c "import h5py" 2>/dev/null; then
    sed -n '/<!-- h5py-example -->/,/^```$/p' "$src/README.md" | sed '1,2d;$d' >example.py
    [ "$(wc -l <example.py)" -eq 3 ] || { echo "FAIL: the README's h5py example is not three lines"; exit 1; }
    sed -i 's/series\.h5/all.h5/' example.py
    printed=$(/usr/bin/python3 example.py) || { echo "FAIL: the README's h5py example fails"; exit 1; }
    echo "$printed"
    # Its first number is the number of runs, the last tick's mean W that of the CSV.
    mean=$(tail -n 1 all.csv | cut -d, -f3)
    echo "$printed" | head -n 1 | grep -q '^16 ' || { echo "FAIL: the h5py example does not see 16 runs"; exit 1; }
    echo "$printed" | /usr/bin/python3 -c "import sys; v = sys.stdin.read().split(); assert abs(float(v[-1]) - $mean) < 1e-12 * (1 + abs($mean)), (v[-1], $mean)" ||
        { echo "FAIL: the h5py example's mean differs from the CSV's $mean"; exit 1; }
else
    echo "h5py example not run: python3-h5py is missing"
fi
