#!/bin/sh
# Grows every growth model with tessavo-batch and plots, with gnuplot, their W(t) on log-log
# axes in one picture, with the slopes of the classes they belong to:
#   docs/models.png   W(t) of each model, 4 runs on 256 x 256, one monolayer a tick, 2000 ticks
#   scripts/plot-models.sh [OUTDIR]   uses build/tessavo-batch (make build); OUTDIR: docs
#   TESSAVO_BATCH=path/to/tessavo-batch scripts/plot-models.sh
set -e
default_out=docs
. "$(dirname "$0")/plot-common.sh"

MODELS="tessavo rd rdsr bd rsos wv dt"
RUNS=4
STEPS=2000
SETTINGS="--size 256x256 --dep 1000 --max 1000000000 --rng philox --seed 1 --runs $RUNS --steps $STEPS"
mkdir -p "$OUT"
for m in $MODELS; do
  (cd "$work" && "$BATCH" $SETTINGS --model $m --quiet --roughness $m.csv)
done
gnuplot <<GNUPLOT
set terminal pngcairo size 900,600 font "Liberation Sans,11"
set output "$OUT/models.png"
set datafile separator ","
set logscale xy
set grid
set key top left
set xrange [1:$STEPS]
set xlabel "t (ticks of one monolayer)"
set ylabel "W (layers), mean over $RUNS runs"
set title "tessavo-batch $SETTINGS --model M"
plot for [m in "$MODELS"] "$work/".m.".csv" every ::1 using 1:3 with lines lw 2 title m, \
     0.9 * x**0.5 with lines dt 2 lw 1 lc rgb "#555555" title "t^{1/2}", \
     0.45 * x**0.2415 with lines dt 3 lw 1 lc rgb "#555555" title "t^{0.2415} (KPZ)"
GNUPLOT
echo "wrote $OUT/models.png"
