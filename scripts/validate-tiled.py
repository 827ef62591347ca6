#!/usr/bin/python3
"""Checks that the tiled update grows statistically the same films as the sequential one.

For each growth model (Tessavo's own with 1 and 5 relaxation sweeps, and every textbook model)
and each lattice side, grows RUNS films with --update sequential and RUNS with --update tiled
(Philox, independent seeds) with tessavo-batch, then compares
  - the mean roughness W at every 10th tick: z = (W_tiled - W_seq) / sqrt(se_tiled^2 + se_seq^2)
  - the structure factor S(k) after the last tick, shell by shell, the same way
and prints the largest |z| of each case and of all, and how many of the S(k) shells have
|z| > 2 (about 1 in 20 when both grow the same film: 256 x 256 has some 180 shells, of which
the largest |z| is then typically 3 or a little more).

    scripts/validate-tiled.py [--runs 200] [--sides 64,256] [--jobs 2] [--threads 1]
    TESSAVO_BATCH=path/to/tessavo-batch scripts/validate-tiled.py
"""
import argparse
import csv
import math
import os
import subprocess
import sys
import tempfile
import time

CASES = [  # name, options, ticks
    ("tessavo relax 1", ["--model", "tessavo", "--relax", "1", "--dep", "100"], 200),
    ("tessavo relax 5", ["--model", "tessavo", "--relax", "5", "--dep", "100"], 200),
] + [(m, ["--model", m, "--dep", "1000"], 100) for m in ("rd", "rdsr", "bd", "rsos", "wv", "dt")]


def rows(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(f))


def grow(batch, work, tag, side, options, ticks, update, seed, args):
    out = os.path.join(work, tag)
    command = [batch, "--quiet", "--rng", "philox", "--update", update, "--seed", str(seed), "--runs", str(args.runs),
               "--jobs", str(args.jobs), "--size", f"{side}x{side}", "--steps", str(ticks), "--roughness",
               out + ".csv", "--analysis", out] + options
    if update == "tiled" and args.threads > 1:
        command += ["--threads-per-run", str(args.threads)]
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    w = {int(r["tick"]): (float(r["mean"]), float(r["stderr"])) for r in rows(out + ".csv")}
    s = {float(r["k"]): (float(r["S_mean"]), float(r["S_stderr"])) for r in rows(out + ".sk.csv")}
    return w, s


def z(a, b):
    spread = math.hypot(a[1], b[1])
    return (a[0] - b[0]) / spread if spread > 0 else 0.0


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--runs", type=int, default=200)
    p.add_argument("--sides", default="64,256")
    p.add_argument("--jobs", type=int, default=2)
    p.add_argument("--threads", type=int, default=1, help="threads per tiled film")
    p.add_argument("--cases", default="", help="names of the cases to run, comma separated (default all)")
    args = p.parse_args()
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    batch = os.environ.get("TESSAVO_BATCH", os.path.join(root, "build", "tessavo-batch"))
    chosen = [c for c in CASES if not args.cases or c[0] in args.cases.split(",")]
    worst = (0.0, "")
    print(f"{'case':<16} {'side':>5} {'worst |z| W':>12} {'at tick':>8} {'worst |z| S(k)':>15} {'>2 of k':>9} {'W_seq':>9} {'W_tiled':>9} {'s':>6}")
    with tempfile.TemporaryDirectory() as work:
        for side in (int(s) for s in args.sides.split(",")):
            for name, options, ticks in chosen:
                start = time.time()
                ws, ss = grow(batch, work, "seq", side, options, ticks, "sequential", 1000, args)
                wt, st = grow(batch, work, "tiled", side, options, ticks, "tiled", 2000, args)
                zw = max(((abs(z(wt[t], ws[t])), t) for t in ws if t % 10 == 0), default=(0.0, 0))
                zk = [abs(z(st[k], ss[k])) for k in ss if k in st]
                zs = max(zk, default=0.0)
                beyond2 = sum(v > 2 for v in zk)
                print(f"{name:<16} {side:>5} {zw[0]:>12.2f} {zw[1]:>8} {zs:>15.2f} {beyond2:>4}/{len(zk):<4} "
                      f"{ws[ticks][0]:>9.4f} {wt[ticks][0]:>9.4f} {time.time() - start:>6.0f}", flush=True)
                for value, what in ((zw[0], f"W of {name} on {side}, tick {zw[1]}"), (zs, f"S(k) of {name} on {side}")):
                    if value > worst[0]:
                        worst = (value, what)
    print(f"worst |z|: {worst[0]:.2f} ({worst[1]})")


if __name__ == "__main__":
    sys.exit(main())
