#!/bin/sh
# The README's Python section as a new user follows it: in a fresh virtual environment of
# Debian's Python made with --system-site-packages (as the README says), its install command as
# it stands, in the project folder; then its example as it stands, in an empty folder, importing
# the installed package and nothing from the build tree.
# Usage: readme-test.sh SOURCE_DIR BUILD_DIR VERSION. Exit 77 (skipped) where it cannot run.
set -eu
src=$1
build=$2
version=$3
/usr/bin/python3 -c "import ensurepip" 2>/dev/null || { echo "not run: python3-venv is missing (scripts/deps.sh installs it)"; exit 77; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tessavo-readme-python.XXXXXX")
trap 'rm -rf "$work"' EXIT
unset PYTHONPATH

. "$src/tests/readme-block.sh"
install=$(readme_block python-install)
readme_block python-example >"$work/example.py"
if [ -z "$install" ] || [ ! -s "$work/example.py" ]; then
    echo "FAIL: the README's Python section lost its marked blocks"
    exit 1
fi

/usr/bin/python3 -m venv --system-site-packages "$work/env"
echo "--- $install"
# The build's files beside this build's other files, so that the source folder stays as it is.
(cd "$src" && PATH="$work/env/bin:$PATH" VIRTUAL_ENV="$work/env" TESSAVO_PIP_BUILD_DIR="$build/pip" sh -eu -c "$install")

cd "$work"
printed=$("$work/env/bin/python" example.py) || { echo "FAIL: the README's example fails"; exit 1; }
echo "$printed"
echo "$printed" | grep -q "^W = [0-9.]* = [0-9.]*$" || { echo "FAIL: the example does not print W twice"; exit 1; }
[ -s heights.png ] || { echo "FAIL: the example wrote no heights.png"; exit 1; }
where=$("$work/env/bin/python" -c "import tessavo; print(tessavo.__version__, tessavo.__file__)")
echo "$where"
case $where in
    "$version $work/env/"*) ;;
    *) echo "FAIL: expected version $version installed in the environment"; exit 1 ;;
esac
