#!/usr/bin/python3
"""Measures the scaling exponents of the growth models with the tessavo Python module.

beta: the slope of ln W against ln t (W averaged over the runs, t in ticks of one monolayer)
over a window of ticks on a large lattice. alpha: the slope of ln W_sat against ln L over
saturated lattices of side L, W_sat being the mean W of the last quarter of the ticks. Errors
are jackknife errors over the runs (each run left out in turn). For rdsr the slope of W_sat^2
against ln L is given too: the Edwards-Wilkinson class roughens logarithmically in 2+1
dimensions.

Usage: PYTHONPATH=build/python scripts/model-exponents.py [what ...]
  what: rd, rdsr, rsos, bd, wv, dt (default: all); QUICK=1 for a smaller, rougher run.
Prints one line per measurement; takes some minutes on two cores.
"""
import os
import sys

import numpy as np

import tessavo

QUICK = os.environ.get("QUICK") == "1"


def jackknife(series, statistic):
    """statistic of all runs and its jackknife error over the runs (rows of series)."""
    n = len(series)
    whole = statistic(series.mean(axis=0))
    total = series.sum(axis=0)
    parts = np.array([statistic((total - series[k]) / (n - 1)) for k in range(n)])
    return whole, float(np.sqrt((n - 1) / n * np.sum((parts - parts.mean()) ** 2)))


def slope(x, y):
    return float(np.polyfit(x, y, 1)[0])


def beta(model, side, steps, runs, first, seed=1):
    r = tessavo.experiment(runs, seed=seed, steps=steps, size=(side, side), dep=1000, max=10 ** 9, rng="philox",
                           model=model)
    t = np.arange(1, steps + 1)
    window = slice(first - 1, steps)
    value, error = jackknife(r["series"], lambda w: slope(np.log(t[window]), np.log(w[window])))
    return f"{model:5} beta  = {value:.4f} +/- {error:.4f}  (L = {side}, ticks {first}..{steps}, {runs} runs)"


def alpha(model, sides, steps, runs, seed=1):
    rows = []
    for side in sides:
        r = tessavo.experiment(runs, seed=seed, steps=steps, size=(side, side), dep=1000, max=10 ** 9, rng="philox",
                               model=model)
        rows.append(r["series"][:, -((steps + 3) // 4):].mean(axis=1))  # each run's W_sat
    sat = np.array(rows).T  # runs x sizes
    lnL = np.log(np.array(sides, dtype=float))
    value, error = jackknife(sat, lambda w: slope(lnL, np.log(w)))
    line = (f"{model:5} alpha = {value:.4f} +/- {error:.4f}  (L = {','.join(map(str, sides))}, {steps} ticks, "
            f"{runs} runs; W_sat = {', '.join(f'{w:.4f}' for w in sat.mean(axis=0))})")
    if model == "rdsr":
        s2, e2 = jackknife(sat, lambda w: slope(lnL, w * w))
        fit = np.polyfit(lnL, sat.mean(axis=0) ** 2, 1)
        worst = float(np.max(np.abs(np.polyval(fit, lnL) - sat.mean(axis=0) ** 2)))
        line += f"\n{model:5} W_sat^2 = a + b ln L: b = {s2:.4f} +/- {e2:.4f}, largest deviation from the line {worst:.4f}"
    return line


def main():
    k = 2 if QUICK else 1
    plans = {
        "rd": [lambda: beta("rd", 256, 1000 // k, 8, 10)],
        "rdsr": [lambda: alpha("rdsr", [16, 24, 32, 48, 64], 8000 // k, 8)],
        "rsos": [lambda: beta("rsos", 1024 // k, 400, 4, 20), lambda: alpha("rsos", [16, 24, 32, 48, 64], 4000 // k, 8)],
        "bd": [lambda: beta("bd", 1024 // k, 400, 4, 20), lambda: alpha("bd", [16, 24, 32, 48, 64], 2000 // k, 8)],
        "wv": [lambda: beta("wv", 256, 4000 // k, 4, 40)],
        "dt": [lambda: beta("dt", 256, 4000 // k, 4, 40)],
    }
    for what in sys.argv[1:] or plans:
        for measure in plans[what]:
            print(measure(), flush=True)


if __name__ == "__main__":
    main()
