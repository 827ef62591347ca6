"""Experiments spread over a Dask ``distributed`` cluster.

Imported on its own (``import tessavo.dask``), so that ``tessavo`` itself does not need Dask.
The runs of an experiment are cut into slices; each slice is grown on a worker (which imports
tessavo too: only the settings and the resulting arrays travel), and the per-run series are
added in run order on the client, so the result equals :func:`tessavo.experiment` and the
batch tool's --runs CSV bit for bit, for any chunking and any number of workers.
"""
from __future__ import annotations

import math
from typing import Any, Dict, Optional, Tuple

import numpy as np

from . import _DEFAULTS, _settings, _tessavo

__all__ = ["experiment"]


def _run_slice(settings: Dict[str, Any], first: int, count: int) -> Tuple[np.ndarray, np.ndarray, np.ndarray]:
    """On a worker: runs first .. first + count - 1, each alone; their roughness, deposited
    and layers series (count x steps each)."""
    return _tessavo._run_slice(settings, first, count)


def _worker_threads(client: Any) -> int:
    try:
        return max(1, sum(client.nthreads().values()))
    except Exception:  # a client without workers yet: slices are still cut
        return 1


def experiment(client: Any, runs: int, *, seed: Optional[int] = None, chunk: Optional[int] = None,
               steps: int = _DEFAULTS["steps"], fit_range: Optional[Tuple[int, int]] = None, series: bool = True,
               **settings: Any) -> Dict[str, Any]:
    """:func:`tessavo.experiment` on the workers of a ``distributed.Client``.

    runs are cut into slices of `chunk` runs (default: about four slices per worker thread);
    each slice is one task. `settings` are those of :func:`tessavo.experiment` (size, dep,
    relax, max, iso, aniso, autoheight, rng, model, update, threads, layer; a layer file must be readable by the
    workers under the same path). The result has the same keys and the same numbers as
    :func:`tessavo.experiment`.
    """
    if runs is None:
        raise TypeError("an experiment needs its number of runs")
    if "jobs" in settings:
        raise TypeError("unexpected setting 'jobs': the cluster's workers run the slices")
    given = _settings(runs=runs, seed=seed, steps=steps, fit_range=fit_range, **settings)
    # Checked here, with the batch tool's messages, before anything is sent.
    _tessavo._run_slice(given, 0, 0)
    runs, steps = int(str(runs)), int(str(steps))
    if chunk is None:
        chunk = max(1, math.ceil(runs / (4 * _worker_threads(client))))
    elif isinstance(chunk, bool) or not isinstance(chunk, int) or chunk < 1:
        raise ValueError(f"chunk must be a whole number of runs, 1 or more, not {chunk!r}")

    # The runs stay in the settings: they make the workers resolve the generator of an experiment.
    work = {key: value for key, value in given.items() if key != "fit_range"}
    slices = [(first, min(chunk, runs - first)) for first in range(0, runs, chunk)]
    futures = [client.submit(_run_slice, work, first, count, pure=False) for first, count in slices]

    stats = _tessavo._Stats(steps)
    rows = np.empty((runs, steps)) if series else None
    try:
        # In run order: each slice is added as soon as every earlier one is, and dropped.
        for i, (first, count) in enumerate(slices):
            roughness, deposited, layers = futures[i].result()
            futures[i] = None
            stats.add(roughness, deposited, layers)
            if rows is not None:
                rows[first:first + count] = roughness
    except BaseException:
        client.cancel([f for f in futures if f is not None])
        raise
    result = stats.result(fit_range, rows)
    result["settings"] = _tessavo._resolved_settings(given)
    return result
