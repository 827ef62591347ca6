import os
from typing import Any, Dict, NotRequired, Optional, Sequence, Tuple, TypedDict, Union

import numpy as np
import numpy.typing as npt

PathLike = Union[str, bytes, os.PathLike[str], os.PathLike[bytes]]

__version__: str
largest_lattice_side: int
palette_names: Tuple[str, ...]

class Simulation:
    """One film grown tick by tick, as tessavo-batch grows it."""
    def __init__(self, size: Optional[Tuple[int, int]] = ..., *, seed: Optional[int] = ...,
                 dep: Optional[int] = ..., relax: Optional[Union[int, str]] = ...,
                 max: Optional[Union[float, str]] = ..., iso: Optional[int] = ...,
                 aniso: Optional[Tuple[int, int]] = ..., autoheight: bool = ..., rng: str = ...,
                 model: Optional[str] = ..., update: Optional[str] = ..., threads: Optional[int] = ...,
                 run_index: int = ..., layer: Optional[PathLike] = ...) -> None: ...
    def step(self, n: int = 1) -> None:
        """Runs n ticks."""
    @property
    def heights(self) -> npt.NDArray[np.int32]:
        """A read-only view (rows, cols) of the lattice, in layers; it follows later steps."""
    @property
    def roughness(self) -> float:
        """The width W of the heights now, in layers."""
    @property
    def deposited(self) -> float:
        """Layers deposited so far, less those auto-height removed."""
    @property
    def layers(self) -> float:
        """Particles landed so far over the cells, in layers (deposited counts rate x ticks)."""
    @property
    def height_offset(self) -> int:
        """Complete layers removed by auto-height."""
    @property
    def tick(self) -> int:
        """Ticks run so far."""
    @property
    def seed(self) -> int: ...
    @property
    def run_index(self) -> int: ...
    @property
    def size(self) -> Tuple[int, int]:
        """(cols, rows)."""
    @property
    def rng(self) -> str: ...
    @property
    def model(self) -> str: ...
    @property
    def autoheight(self) -> bool: ...
    def picture(self, palette: str = "mixed", zoom: int = 7,
                origin: Tuple[int, int] = (210, 190)) -> npt.NDArray[np.uint8]:
        """The surface picture, (400, 600, 3) RGB."""
    def chart(self, style: int = 0) -> npt.NDArray[np.uint8]:
        """The roughness chart, (170, 490, 3) RGB."""
    def save_layer(self, path: PathLike) -> None: ...

def load_layer(path: PathLike, **settings: Any) -> Simulation: ...

class Fit(TypedDict):
    ok: bool
    beta: Optional[float]
    error: Optional[float]
    error_method: Optional[str]  # "jackknife over N runs", "grouped jackknife, G groups" or "regression"
    first_tick: Optional[int]
    last_tick: Optional[int]
    message: str
    summary: str

class ExperimentResult(TypedDict):
    tick: npt.NDArray[np.int64]
    deposited: npt.NDArray[np.float64]
    mean: npt.NDArray[np.float64]
    stddev: npt.NDArray[np.float64]
    stderr: npt.NDArray[np.float64]
    min: npt.NDArray[np.float64]
    max: npt.NDArray[np.float64]
    beta_eff: npt.NDArray[np.float64]  # NaN at the first and last tick, as the CSV leaves them empty
    layers: npt.NDArray[np.float64]  # particles landed over the cells, beside deposited (rate x ticks)
    series: Optional[npt.NDArray[np.float64]]
    fit: Fit
    runs: int
    settings: Dict[str, Any]
    # With analyze_every: the five --analysis tables averaged over the runs, each a dict of
    # arrays under its CSV columns.
    analysis: NotRequired[AnalysisTables]

class AnalysisTables(TypedDict):
    sk: Dict[str, npt.NDArray[Any]]       # tick, k, S_mean, S_stderr, modes
    gr: Dict[str, npt.NDArray[Any]]       # tick, r, C_mean, C_stderr, G_mean, G_stderr
    wl: Dict[str, npt.NDArray[Any]]       # tick, l, w_mean, w_stderr
    moments: Dict[str, npt.NDArray[Any]]  # tick, W_mean, W_stderr, skewness_mean, ..., xi_stderr
    slopes: Dict[str, npt.NDArray[Any]]   # tick, difference, fraction_mean, fraction_stderr

def experiment(runs: int, *, seed: Optional[int] = ..., steps: int = ..., jobs: Optional[int] = ...,
               size: Optional[Tuple[int, int]] = ..., dep: Optional[int] = ...,
               relax: Optional[Union[int, str]] = ..., max: Optional[Union[float, str]] = ...,
               iso: Optional[int] = ..., aniso: Optional[Tuple[int, int]] = ..., autoheight: bool = ...,
               rng: Optional[str] = ..., model: Optional[str] = ..., update: Optional[str] = ...,
               threads: Optional[int] = ..., layer: Optional[PathLike] = ...,
               fit_range: Optional[Tuple[int, int]] = ..., series: bool = ...,
               analyze_every: Optional[int] = ...) -> ExperimentResult:
    """--runs: the statistics of every tick over the runs, their series and the fit; with
    analyze_every, the averaged surface analyses too."""

class ScalingTable(TypedDict):
    L: npt.NDArray[np.int64]
    W_sat: npt.NDArray[np.float64]
    W_sat_stderr: npt.NDArray[np.float64]
    t_cross: npt.NDArray[np.float64]  # NaN where W never reached 0.9 W_sat
    saturated: npt.NDArray[np.int64]  # 1 or 0

class Scaling(TypedDict, total=False):
    # The "fss" object of the batch tool's --json summary, under its names.
    sizes: list[Dict[str, Any]]
    saturated: bool
    message: str
    alpha: Dict[str, Any]
    z: Dict[str, Any]
    width2_slope: Dict[str, Any]
    # The --fss table, the printed lines, and what the runs grew with.
    table: ScalingTable
    summary: str
    seed: int
    runs: int
    steps: int

def finite_size_scaling(sizes: Sequence[int], runs: int, *, seed: Optional[int] = ..., steps: int = ...,
                        jobs: Optional[int] = ..., dep: Optional[int] = ...,
                        relax: Optional[Union[int, str]] = ..., max: Optional[Union[float, str]] = ...,
                        iso: Optional[int] = ..., aniso: Optional[Tuple[int, int]] = ...,
                        autoheight: bool = ..., rng: Optional[str] = ..., model: Optional[str] = ...,
                        update: Optional[str] = ..., threads: Optional[int] = ...,
                        unsaturated: bool = ...) -> Scaling:
    """--sizes: an experiment on each L x L lattice, W_sat and t_cross of each, alpha and z."""

class SeriesAttributes(TypedDict):
    program_version: str
    seed_scheme: str
    seed: int
    runs: int
    steps: int
    rng: str
    model: str
    update: str
    columns: int
    rows: int
    dep: int
    max: float
    relax: int
    zmode: str
    z: int
    zx: int
    zy: int
    autoheight: bool
    rate: float
    config: str
    layer: str
    jobs: int
    seconds: float

class Series(TypedDict):
    roughness: npt.NDArray[np.float64]
    deposited: npt.NDArray[np.float64]
    layers: Optional[npt.NDArray[np.float64]]
    tick: npt.NDArray[np.int64]
    run: npt.NDArray[np.int32]
    start_heights: Optional[npt.NDArray[np.int32]]
    attrs: SeriesAttributes

def read_series(path: PathLike) -> Series:
    """The arrays and attributes of a series file of the batch tool."""

class StructureFactor(TypedDict):
    k: npt.NDArray[np.float64]
    s: npt.NDArray[np.float64]
    modes: npt.NDArray[np.int64]

class Correlation(TypedDict):
    r: npt.NDArray[np.float64]
    c: npt.NDArray[np.float64]
    g: npt.NDArray[np.float64]
    length: Optional[float]

class LocalWidth(TypedDict):
    l: npt.NDArray[np.int32]
    w: npt.NDArray[np.float64]

class Moments(TypedDict):
    skewness: Optional[float]
    excess_kurtosis: Optional[float]

class Slopes(TypedDict):
    difference: npt.NDArray[np.int64]
    count: npt.NDArray[np.int64]
    fraction: npt.NDArray[np.float64]

class Analysis(TypedDict):
    rows: int
    cols: int
    mean: float
    width2: float
    width: float
    structure_factor: StructureFactor
    correlation: Correlation
    local_width: LocalWidth
    moments: Moments
    slopes: Slopes

def analyse(heights: npt.ArrayLike, threads: int = 2) -> Analysis: ...
def structure_factor(heights: npt.ArrayLike) -> StructureFactor: ...
def structure_factor_map(heights: npt.ArrayLike) -> npt.NDArray[np.float64]: ...
def correlation(heights: npt.ArrayLike) -> Correlation: ...
def local_width(heights: npt.ArrayLike) -> LocalWidth: ...
def moments(heights: npt.ArrayLike) -> Moments: ...
def slopes(heights: npt.ArrayLike) -> Slopes: ...
