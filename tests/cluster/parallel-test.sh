#!/bin/sh
# The GNU parallel recipe: three uneven slices run by parallel and merged give the roughness
# file and fit line of the one-machine run, byte for byte; the README's GNU parallel example
# prints a beta line, and the README's three lines of h5py read the series file it wrote.
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
"$tool" merge slice-*.h5 --roughness all.csv --fit >all-fit.txt

cmp one.csv all.csv || { echo "FAIL: the merged roughness differs from the one-machine run"; exit 1; }
cmp one-fit.txt all-fit.txt || { echo "FAIL: the merged fit line differs from the one-machine run"; exit 1; }
echo "parallel slices merged equal the one-machine run: $(cat one-fit.txt)"

# The README's example and its h5py lines, run as they stand in a folder where build/ and
# examples/ are those of this build and source tree.
. "$src/tests/readme-block.sh"
mkdir readme
cd readme
ln -s "$(dirname "$tool")" build
ln -s "$src/examples" examples
readme_block parallel-example >example.sh
[ -s example.sh ] || { echo "FAIL: the README lost its marked GNU parallel example"; exit 1; }
printed=$(sh -eu example.sh </dev/null) || { echo "FAIL: the README's GNU parallel example fails"; exit 1; }
echo "$printed"
echo "$printed" | grep -q '^beta = [0-9.]* +/- [0-9.]* (ticks [0-9]*\.\.[0-9]*, 16 runs; error: jackknife over 16 runs)$' ||
    { echo "FAIL: the README's GNU parallel example prints no beta line"; exit 1; }

if /usr/bin/python3 -c "import h5py" 2>/dev/null; then
    readme_block h5py-example >example.py
    printed=$(/usr/bin/python3 example.py) || { echo "FAIL: the README's h5py example fails"; exit 1; }
    echo "$printed"
    # Its first number is the number of runs, the last tick's mean W that of the CSV.
    mean=$(tail -n 1 w.csv | cut -d, -f3)
    echo "$printed" | head -n 1 | grep -q '^16 ' || { echo "FAIL: the h5py example does not see 16 runs"; exit 1; }
    echo "$printed" | /usr/bin/python3 -c "import sys; v = sys.stdin.read().split(); assert abs(float(v[-1]) - $mean) < 1e-12 * (1 + abs($mean)), (v[-1], $mean)" ||
        { echo "FAIL: the h5py example's mean differs from the CSV's $mean"; exit 1; }
else
    echo "h5py example not run: python3-h5py is missing"
fi
