# plot-common.sh: the start the plot scripts share, read with "." after they set default_out
# (their output when none is given, relative to the repository). Names given by the caller
# (the output, TESSAVO_BATCH) are taken from where the script was called; then it works from
# the repository with BATCH (the batch tool), OUT (the output) and work (a temporary folder,
# removed at exit).
name=$(basename "$0")
absolute() { case $1 in /*) echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
if [ -n "$TESSAVO_BATCH" ]; then TESSAVO_BATCH=$(absolute "$TESSAVO_BATCH"); fi
if [ -n "$1" ]; then OUT=$(absolute "$1"); else OUT=$default_out; fi
cd "$(dirname "$0")/.."
BATCH=$(absolute "${TESSAVO_BATCH:-build/tessavo-batch}")
if [ ! -x "$BATCH" ]; then
  echo "$name: $BATCH not found; run 'make build' first or set TESSAVO_BATCH" >&2
  exit 1
fi
command -v gnuplot >/dev/null || { echo "$name: gnuplot is missing; run 'make deps'" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
