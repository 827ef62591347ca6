#!/usr/bin/python3
"""Grow a film, show its heights and its roughness, and measure the growth exponent.

    PYTHONPATH=build/python /usr/bin/python3 examples/growth.py [OUT.png]

Writes the figure to OUT.png (default growth.png) and prints W and beta.
"""
import sys

import matplotlib

matplotlib.use("Agg")  # a file, no window
import matplotlib.pyplot as plt

import tessavo

out = sys.argv[1] if len(sys.argv) > 1 else "growth.png"

# One film: 64 x 64 cells, rate 0.1 layers per tick, 200 ticks.
s = tessavo.Simulation(size=(64, 64), seed=1, dep=100)
s.step(200)
print(f"tick {s.tick}: {s.deposited:g} layers deposited, W = {s.roughness:.4f}")

# Sixteen films on two threads: W(t) averaged over the runs, and beta fitted to it.
r = tessavo.experiment(16, seed=1, steps=400, jobs=2, size=(64, 64), dep=100)
print(r["fit"]["summary"])

a = tessavo.analyse(s.heights)
print(f"correlation length: {a['correlation']['length']}")

fig, (left, right) = plt.subplots(1, 2, figsize=(10, 4))
image = left.imshow(s.heights, cmap="viridis")
fig.colorbar(image, ax=left, label="height (layers)")
left.set_title(f"heights after {s.tick} ticks")
right.loglog(r["tick"], r["mean"], label="mean W over 16 runs")
right.fill_between(r["tick"], r["mean"] - r["stderr"], r["mean"] + r["stderr"], alpha=0.3)
right.set_xlabel("tick")
right.set_ylabel("W (layers)")
right.legend()
fig.tight_layout()
fig.savefig(out)
print(f"figure: {out}")
