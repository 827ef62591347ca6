"""Tessavo: thin-film growth on a square lattice, from Python.

A thin binding over the same core as the Tessavo window and ``tessavo-batch``: a film grows
tick by tick exactly as the batch tool grows it (same seed, same heights), its heights are a
NumPy view of the lattice, and its pictures have the batch tool's pixels.

    >>> import tessavo
    >>> s = tessavo.Simulation(size=(64, 64), seed=1)
    >>> s.step(100)
    >>> s.heights.shape, s.roughness

Settings take the batch tool's meanings, defaults and checks; a value the batch tool refuses
raises ValueError with its message. Experiments over many runs: :func:`experiment`; on a Dask
cluster: :func:`tessavo.dask.experiment`. Surface analysis of any heights array:
:func:`analyse` and the single curves.
"""
from __future__ import annotations

import os
from typing import Any, Dict, Optional, Sequence, Tuple, Union

import numpy as np

from . import _tessavo

__all__ = [
    "Simulation", "load_layer", "experiment", "finite_size_scaling", "read_series", "analyse", "structure_factor", "structure_factor_map",
    "correlation", "local_width", "moments", "slopes", "largest_lattice_side", "palette_names",
]

#: The version of Tessavo this module belongs to, as tessavo-batch --version prints it.
__version__: str = _tessavo.version
#: The largest lattice side a film takes, in cells.
largest_lattice_side: int = _tessavo.largest_lattice_side
#: The five colour schemes of the surface picture, by number.
palette_names: Tuple[str, ...] = tuple(_tessavo.palette_names)

_DEFAULTS: Dict[str, Any] = _tessavo.defaults

PathLike = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]


def _settings(**given: Any) -> Dict[str, Any]:
    """The settings given (None: the batch tool's default), as the binding checks them."""
    return {key: value for key, value in given.items() if value is not None}


class Simulation(_tessavo._Simulation):
    """One film grown tick by tick, as ``tessavo-batch`` grows it.

    size        (cols, rows), each 10 .. largest_lattice_side (default (50, 50))
    seed        0 .. 4294967295; None seeds from the clock, as the batch tool does (see .seed)
    dep         the rate position 1 .. 1000, rate = dep / 1000 layers per step (default 10)
    relax       relaxation sweeps per step, an integer or its text (default 5)
    max         layers to deposit, a number or its text with a decimal point or comma (default 50)
    iso         the isotropic threshold 0 .. 4 (default: isotropic, 2)
    aniso       (zx, zy), the anisotropic thresholds 0 .. 3 each; excludes iso
    autoheight  removes complete bottom layers after each tick
    rng         "lcg" (the window's generator) or "philox" (an independent stream per run)
    model       the growth model: "tessavo", Tessavo's own (default); "rd", "rdsr", "bd", "rsos",
                "wv" or "dt", the textbook models, which take no relax, iso or aniso
    update      "sequential" (the window's order, default) or "tiled": the lattice updated tile by
                tile, the same film on any number of threads (needs rng="philox")
    threads     the threads a tiled film grows on (default 1)
    run_index   repeats run k of an experiment of the same seed alone (lcg: seed + k; philox: key (seed, k))
    layer       starts from a stored lattice (a .lay file), whose size it takes; excludes size

    Values the batch tool refuses raise ValueError with its message; a layer file that cannot be
    read raises OSError.
    """

    def __init__(self, size: Optional[Tuple[int, int]] = None, *, seed: Optional[int] = None,
                 dep: Optional[int] = None, relax: Optional[Union[int, str]] = None,
                 max: Optional[Union[float, str]] = None, iso: Optional[int] = None,
                 aniso: Optional[Tuple[int, int]] = None, autoheight: bool = False, rng: str = "lcg",
                 model: Optional[str] = None, update: Optional[str] = None, threads: Optional[int] = None,
                 run_index: int = 0, layer: Optional[PathLike] = None) -> None:
        super().__init__(_settings(size=size, seed=seed, dep=dep, relax=relax, max=max, iso=iso, aniso=aniso,
                                   autoheight=autoheight, rng=rng, model=model, update=update, threads=threads,
                                   run_index=run_index, layer=layer))

    def step(self, n: int = 1) -> None:
        """Runs n ticks (step, then auto-height when on), releasing the GIL. Ctrl+C stops
        between two ticks, or within a long tick between its relaxation sweeps: the film is then
        half relaxed and given up (step and save_layer raise RuntimeError)."""
        super().step(n)

    def picture(self, palette: str = _DEFAULTS["palette"], zoom: int = _DEFAULTS["zoom"],
                origin: Tuple[int, int] = _DEFAULTS["origin"]) -> np.ndarray:
        """The 600 x 400 surface picture as a (400, 600, 3) uint8 RGB array: the pixels of the
        batch tool's --picture with --palette, --zoom and --origin."""
        return super().picture(palette, zoom, origin)

    def chart(self, style: int = 0) -> np.ndarray:
        """The 490 x 170 roughness chart of every tick so far, in style 0 (sweep) or 1
        (scrolling), as a (170, 490, 3) uint8 RGB array: the pixels of the batch tool's --chart
        with --chart-style. The film keeps at most about two million roughness values for its
        charts: a sweep chart first asked for after more ticks than that may lack traces of the
        oldest ones."""
        return super().chart(style)

    def save_layer(self, path: PathLike) -> None:
        """Writes the lattice as a layer file (.lay) that the window and the batch tool load;
        the file is replaced whole or not at all (OSError when it cannot be written, ValueError
        for a path with a NUL character)."""
        super().save_layer(path)

    def __repr__(self) -> str:
        cols, rows = self.size
        return (f"<tessavo.Simulation {cols}x{rows} model={self.model} seed={self.seed} rng={self.rng} tick={self.tick} "
                f"roughness={self.roughness:.6g}>")


def load_layer(path: PathLike, **settings: Any) -> Simulation:
    """A film that starts from the lattice stored in a layer file (.lay), as the batch tool's
    --layer; the other settings as :class:`Simulation` takes them."""
    return Simulation(layer=path, **settings)


def experiment(runs: int, *, seed: Optional[int] = None, steps: int = _DEFAULTS["steps"], jobs: Optional[int] = None,
               size: Optional[Tuple[int, int]] = None, dep: Optional[int] = None,
               relax: Optional[Union[int, str]] = None, max: Optional[Union[float, str]] = None,
               iso: Optional[int] = None, aniso: Optional[Tuple[int, int]] = None, autoheight: bool = False,
               rng: Optional[str] = None, model: Optional[str] = None, update: Optional[str] = None,
               threads: Optional[int] = None, layer: Optional[PathLike] = None,
               fit_range: Optional[Tuple[int, int]] = None, series: bool = True,
               analyze_every: Optional[int] = None) -> Dict[str, Any]:
    """Grows `runs` independent films for `steps` ticks, `jobs` at a time (default: every core,
    over `threads`, the threads of each tiled film; update= and threads= as Simulation takes them),
    run k keyed (seed, k) (philox, the default of an experiment) or seeded seed + k
    (rng="lcg"), with the GIL released; Ctrl+C stops it. The result equals the batch tool's
    --runs for any number of threads:

    tick, deposited, mean, stddev, stderr, min, max, beta_eff, layers
        one value per tick: the columns of the batch tool's --roughness CSV (deposited: the
        window's count, rate x ticks; layers: the particles that landed over the cells)
    series
        the roughness of every run, runs x ticks (None with series=False)
    fit
        the growth exponent fitted to log W against log t over the batch tool's window (or
        fit_range=(first_tick, last_tick)): ok, beta, error (a jackknife over the runs),
        error_method, first_tick, last_tick, message and summary, the line --fit prints
    runs
        the number of runs
    settings
        the settings the runs grew with, under the names and types of the batch tool's --json
        (rng, model, update, columns, rows, dep, max, relax, zmode, z, zx, zy, autoheight, rate, steps)
    analysis
        only with analyze_every: the surface analyses of every run after the last tick, and with
        analyze_every=K (K >= 1) also after every K-th tick, averaged over the runs as the batch
        tool's --analysis files hold them (--analyze-every K; 0 for the last tick alone): a dict
        of the five tables sk, gr, wl, moments and slopes, each a dict of arrays under its CSV
        columns (tick,k,S_mean,S_stderr,modes; tick,r,C_mean,C_stderr,G_mean,G_stderr;
        tick,l,w_mean,w_stderr; tick,W_mean,W_stderr,skewness_mean,... ,xi_stderr;
        tick,difference,fraction_mean,fraction_stderr), one row per line of the file, NaN where
        the file leaves a value empty
    """
    return _tessavo._experiment(
        _settings(runs=runs, seed=seed, steps=steps, jobs=jobs, size=size, dep=dep, relax=relax, max=max, iso=iso,
                  aniso=aniso, autoheight=autoheight, rng=rng, model=model, update=update, threads=threads,
                  layer=layer, fit_range=fit_range),
        series, analyze_every)


def finite_size_scaling(sizes: Sequence[int], runs: int, *, seed: Optional[int] = None,
                        steps: int = _DEFAULTS["steps"], jobs: Optional[int] = None, dep: Optional[int] = None,
                        relax: Optional[Union[int, str]] = None, max: Optional[Union[float, str]] = None,
                        iso: Optional[int] = None, aniso: Optional[Tuple[int, int]] = None,
                        autoheight: bool = False, rng: Optional[str] = None, model: Optional[str] = None,
                        update: Optional[str] = None, threads: Optional[int] = None, unsaturated: bool = False) -> Dict[str, Any]:
    """Finite-size scaling, the batch tool's --sizes L1,L2,... --runs N --steps T: an experiment
    of `runs` runs on each L x L lattice of `sizes` (at least three sides, 10 ..
    largest_lattice_side), the other settings as experiment() takes them and the same seeds for
    every size, with the GIL released; Ctrl+C stops it. The numbers are those the tool gives:

    sizes, saturated, alpha, z, width2_slope, message
        the "fss" object of the tool's --json summary, under its names: for each size L, W_sat
        and its standard error, t_cross, whether it saturated ...; the exponents, each with its
        value and error, unless a size has not saturated (then a message says which; with
        unsaturated=True, as --fss-unsaturated, the exponents are given all the same, marked)
    table
        the --fss table as arrays under its columns (L, W_sat, W_sat_stderr, t_cross, saturated),
        NaN where the file leaves a value empty
    summary
        the lines the tool prints
    seed, runs, steps
        what the runs grew with
    """
    return _tessavo._finite_size_scaling(
        _settings(runs=runs, seed=seed, steps=steps, jobs=jobs, dep=dep, relax=relax, max=max, iso=iso,
                  aniso=aniso, autoheight=autoheight, rng=rng, model=model, update=update, threads=threads),
        sizes, unsaturated)


def read_series(path: PathLike) -> Dict[str, Any]:
    """The contents of a series file that the batch tool wrote (--series, or merge --series),
    checked as merge checks it (OSError for a file that is missing, damaged or not a series
    file):

    roughness, deposited
        W and the layers deposited of every run held after every tick, (runs held, steps)
    layers
        the layers of particles landed by every run held after every tick, (runs held, steps),
        or None for a file written before they were kept (NaN in the rows of such runs)
    tick
        1 .. steps, the tick of each column
    run
        the run index k of each row, rising
    start_heights
        the lattice every run started from, (rows, columns), or None when the runs started flat
    attrs
        the file's attributes: program_version, seed_scheme, seed, runs (of the whole
        experiment), steps, the settings under the names and types of experiment()'s settings
        (rng, columns, rows, dep, max, relax, zmode, z, zx, zy, autoheight, rate), config and
        layer (the files the settings came from, or ""), jobs and seconds (what the runs took)

    A file of a whole experiment holds every run: its mean roughness over the runs is
    experiment()'s mean, ``r["roughness"].mean(axis=0)``.
    """
    return _tessavo._read_series(path)


def _heights(heights: Any) -> np.ndarray:
    """A heights array as the analysis takes it: 2-dimensional int32 in C order, no copy when it
    is one already (Simulation.heights is)."""
    a = np.asarray(heights)
    if a.dtype.kind not in "iu":
        raise TypeError(f"heights must be an integer array, not {a.dtype}")
    if a.ndim != 2:
        raise ValueError(f"heights must be a 2-dimensional array (rows, cols), not {a.ndim}-dimensional")
    if a.dtype != np.int32 and a.size and (a.min() < np.iinfo(np.int32).min or a.max() > np.iinfo(np.int32).max):
        raise ValueError("heights must fit 32-bit integers")
    return np.ascontiguousarray(a, dtype=np.int32)


def analyse(heights: Any, threads: int = 2) -> Dict[str, Any]:
    """Every surface measure of a heights array (rows, cols), periodic in both directions:
    rows, cols, mean, width2 (W^2), width (W), structure_factor, correlation, local_width,
    moments and slopes (see the single functions). Heights in layers, distances in cells."""
    return _tessavo._analyse(_heights(heights), threads)


def structure_factor(heights: Any) -> Dict[str, np.ndarray]:
    """The radially averaged structure factor: k (radians per cell), s (layers^2) and the modes
    averaged in each bin."""
    return _tessavo._structure_factor(_heights(heights))


def structure_factor_map(heights: Any) -> np.ndarray:
    """S(q) of every wave vector, (rows, cols) in transform order; S(0) = 0."""
    return _tessavo._structure_factor_map(_heights(heights))


def correlation(heights: Any) -> Dict[str, Any]:
    """The height-height correlation C(r) and difference function G(r) (layers^2) over distances
    r = 1 .. min(rows, cols) / 2 cells, and the correlation length (cells, or None)."""
    return _tessavo._correlation(_heights(heights))


def local_width(heights: Any) -> Dict[str, np.ndarray]:
    """The mean width w (layers) of l x l windows, l = 2, 4, 8, ... <= min(rows, cols)."""
    return _tessavo._local_width(_heights(heights))


def moments(heights: Any) -> Dict[str, Optional[float]]:
    """Skewness and excess kurtosis of the heights (None on a flat surface)."""
    return _tessavo._moments(_heights(heights))


def slopes(heights: Any) -> Dict[str, np.ndarray]:
    """The histogram of nearest-neighbour height differences: difference, count, fraction."""
    return _tessavo._slopes(_heights(heights))
