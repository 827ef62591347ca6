#!/bin/sh
# Analyses growing films with tessavo-batch and plots, with gnuplot,
#   docs/structure-factor.png  S(k) on log-log axes at several ticks (32 runs on 128 x 128)
#   docs/collapse.png          W / L^alpha against t / L^z for five lattice sizes (32 runs each),
#                              with alpha and z from --sizes
#   scripts/plot-analysis.sh [OUTDIR]   uses build/tessavo-batch (make build); OUTDIR: docs
#   TESSAVO_BATCH=path/to/tessavo-batch scripts/plot-analysis.sh
set -e
default_out=docs
. "$(dirname "$0")/plot-common.sh"

# One sweep of relaxation a tick with threshold 2: a smoothing film that saturates within the
# run; --max high enough that deposition never stops; Philox, so that no two runs share a
# stretch of random numbers however many they draw.
MODEL="--dep 100 --max 100000 --relax 1 --iso 2 --rng philox"
SIZES="16 24 32 48 64"
STEPS=4000
RUNS=32
mkdir -p "$OUT"

# The structure factor of a 128 x 128 film at ticks 250, 500, 1000, 2000 and 4000.
(cd "$work" && "$BATCH" --seed 1 --runs $RUNS --steps $STEPS --size 128x128 $MODEL --quiet \
  --analysis s --analyze-every 250)
gnuplot <<GNUPLOT
set terminal pngcairo size 900,600 font "Liberation Sans,11"
set output "$OUT/structure-factor.png"
set datafile separator ","
set logscale xy
set grid
set key bottom left
set xlabel "k (radians per cell)"
set ylabel "S(k) (layers^2), mean over $RUNS runs"
set title "tessavo-batch --seed 1 --runs $RUNS --steps $STEPS --size 128x128\n$MODEL --analysis s --analyze-every 250"
ref(x) = 3 * x**-2
plot for [t in "250 500 1000 2000 4000"] "$work/s.sk.csv" every ::1 \
       using (\$1 == t ? \$2 : 1/0):3 with linespoints pt 7 ps 0.5 lw 2 title "tick ".t, \
     ref(x) with lines dt 2 lw 2 lc rgb "#555555" title "k^{-2}"
GNUPLOT
echo "wrote $OUT/structure-factor.png"

# Finite-size scaling: alpha and z, then the W(t) of every size, with the same seeds.
sizes=$(echo $SIZES | tr ' ' ',')
(cd "$work" && "$BATCH" --seed 1 --runs $RUNS --steps $STEPS $MODEL --quiet --sizes "$sizes" --fss fss.csv) \
  > "$work/fss.txt"
cat "$work/fss.txt" "$work/fss.csv"
alpha=$(sed -n 's/^alpha = \([-0-9.]*\) .*/\1/p' "$work/fss.txt")
z=$(sed -n 's/.*, z = \([-0-9.]*\) .*/\1/p' "$work/fss.txt")
if [ -z "$alpha" ] || [ -z "$z" ]; then
  echo "plot-analysis.sh: no exponents to plot" >&2
  exit 1
fi
for L in $SIZES; do
  (cd "$work" && "$BATCH" --seed 1 --runs $RUNS --steps $STEPS --size ${L}x$L $MODEL --quiet --roughness w$L.csv)
done
gnuplot <<GNUPLOT
set terminal pngcairo size 900,600 font "Liberation Sans,11"
set output "$OUT/collapse.png"
set datafile separator ","
set logscale xy
set grid
set key bottom right
set xlabel "t / L^z"
set ylabel "W / L^{alpha} (layers), mean over $RUNS runs"
set title "W(t) of L x L films, $MODEL, rescaled with alpha = $alpha, z = $z"
plot for [L in "$SIZES"] "$work/w".L.".csv" every ::1 \
  using (\$1 / L**$z):(\$3 / L**$alpha) with lines lw 2 title "L = ".L
GNUPLOT
echo "wrote $OUT/collapse.png"
