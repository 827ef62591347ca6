#!/bin/sh
# Measures the growth exponent with tessavo-batch (32 runs on 64 x 64) and plots log W against
# log t, with the fitted line over the fit window, into docs/growth.png.
#   scripts/plot-growth.sh            uses build/tessavo-batch (make build)
#   TESSAVO_BATCH=path/to/tessavo-batch scripts/plot-growth.sh
set -e
default_out=docs/growth.png
. "$(dirname "$0")/plot-common.sh"

(cd "$work" && "$BATCH" --seed 1 --runs 32 --steps 5000 --size 64x64 --dep 100 \
  --roughness w.csv --fit) > "$work/fit.txt"
cat "$work/fit.txt"
line=$(cat "$work/fit.txt")

# "beta = 0.xxx +/- 0.xxx (ticks T1..T2, N runs)"
t1=$(echo "$line" | sed -n 's/.*(ticks \([0-9]*\)\.\.\([0-9]*\),.*/\1/p')
t2=$(echo "$line" | sed -n 's/.*(ticks \([0-9]*\)\.\.\([0-9]*\),.*/\2/p')
if [ -z "$t1" ] || [ -z "$t2" ]; then
  echo "plot-growth.sh: no fit to plot" >&2
  exit 1
fi

# The last tick that deposited: after it the film no longer grows (the --max target).
stop=$(awk -F, 'NR > 1 { if ($2 != last) t = $1; last = $2 } END { print t }' "$work/w.csv")

mkdir -p "$(dirname "$OUT")"
gnuplot <<GNUPLOT
set terminal pngcairo size 900,600 font "Liberation Sans,11"
set output "$OUT"
set datafile separator ","
set logscale xy
set grid
set key top left
set xlabel "t (ticks)"
set ylabel "W (layers), mean over 32 runs"
set title "tessavo-batch --seed 1 --runs 32 --steps 5000 --size 64x64 --dep 100\n$line"
f(x) = a + b * x
a = -1.0; b = 0.2
set fit quiet
set fit logfile "/dev/null"
fit [log($t1):log($t2)] f(x) "$work/w.csv" every ::1 using (log(\$1)):(log(\$3)) via a, b
g(x) = (x >= $t1 && x <= $t2) ? exp(a) * x**b : 1/0
set samples 400
set arrow from $stop, graph 0 to $stop, graph 1 nohead dt 3 lc rgb "#555555"
set label "deposition ends (tick $stop)" at $stop, graph 0.08 right offset -0.5, 0 textcolor rgb "#555555"
plot "$work/w.csv" every ::1 using 1:3 with lines lw 2 lc rgb "#1f77b4" title "mean W", \
     "$work/w.csv" every ::1 using 1:(\$3-\$5):(\$3+\$5) with filledcurves lc rgb "#a0c4e8" fs transparent solid 0.5 notitle, \
     g(x) with lines lw 3 dt 2 lc rgb "#d62728" title sprintf("fit over ticks $t1..$t2: slope %.3f", b)
GNUPLOT
echo "wrote $OUT"
