"""read_series: a series file of the batch tool as arrays and attributes."""
import numpy as np
import pytest

import tessavo
from conftest import read_layer


def test_a_slice_gives_its_runs_its_settings_and_its_start_lattice(batch):
    batch.run("--seed", "3", "--size", "12x10", "--steps", "20", "--dep", "300", "--save-layer", "start.lay")
    batch.run("--layer", "start.lay", "--seed", "9", "--runs", "5", "--steps", "30", "--dep", "150", "--rng", "philox",
              "--run-range", "1:4", "--series", "slice.h5")
    r = tessavo.read_series(batch.path("slice.h5"))

    assert list(r["run"]) == [1, 2, 3]
    assert list(r["tick"]) == list(range(1, 31))
    a = r["attrs"]
    assert (a["seed"], a["runs"], a["steps"], a["rng"], a["columns"], a["rows"], a["dep"]) == (9, 5, 30, "philox", 12, 10, 150)
    np.testing.assert_array_equal(r["start_heights"], read_layer(batch.path("start.lay")))
    # Row i holds run k of the whole experiment, as Python grows it.
    whole = tessavo.experiment(5, seed=9, steps=30, dep=150, rng="philox", layer=str(batch.path("start.lay")), jobs=1)
    np.testing.assert_array_equal(r["roughness"], whole["series"][1:4])
    # The layers landed are the same in every run: those of the experiment's table.
    np.testing.assert_allclose(r["layers"], np.tile(whole["layers"], (3, 1)), rtol=1e-12)

    with pytest.raises(OSError, match="not an HDF5 file"):
        tessavo.read_series(batch.path("start.lay"))
