"""tessavo.experiment gives the batch tool's --runs numbers, bit for bit."""
import json

import numpy as np
import pytest

import tessavo


@pytest.mark.parametrize("rng", ["lcg", "philox"])
def test_an_experiment_equals_the_batch_tools_csv_and_fit(batch, rng):
    settings = dict(size=(16, 12), dep=250, max=6, relax=2, autoheight=True, rng=rng)
    r = tessavo.experiment(7, seed=123, steps=120, jobs=3, **settings)
    out = batch.run("--runs", "7", "--jobs", "1", "--seed", "123", "--steps", "120", "--size", "16x12",
                    "--dep", "250", "--max", "6", "--relax", "2", "--autoheight", "--rng", rng,
                    "--roughness", "w.csv", "--fit").stdout
    header, columns = batch.csv("w.csv")
    assert header == ["tick", "deposited", "mean", "stddev", "stderr", "min", "max", "beta_eff", "layers"]
    for name, column in zip(header, columns):
        assert np.array_equal(r[name], column, equal_nan=True), name
    assert r["fit"]["summary"] == out.strip()
    assert r["runs"] == 7

    # Run k of the series is the film of run index k, grown alone.
    series = r["series"]
    assert series.shape == (7, 120)
    assert np.array_equal(series.min(axis=0), r["min"]) and np.array_equal(series.max(axis=0), r["max"])
    s = tessavo.Simulation(seed=123, run_index=4, **settings)
    s.step(120)
    assert series[4, -1] == s.roughness
    assert not np.array_equal(series[3], series[4])


def test_a_fit_range_and_no_series(batch):
    r = tessavo.experiment(3, seed=5, steps=80, dep=400, fit_range=(10, 60), series=False, aniso=(2, 0))
    out = batch.run("--runs", "3", "--seed", "5", "--steps", "80", "--dep", "400", "--fit-range", "10:60",
                    "--aniso", "2,0").stdout
    assert r["series"] is None
    assert r["fit"]["ok"] and (r["fit"]["first_tick"], r["fit"]["last_tick"]) == (10, 60)
    assert r["fit"]["summary"] == out.strip()

    # The settings and the fit under the names and types of the batch tool's summary.
    summary = json.loads(batch.run("--runs", "3", "--seed", "5", "--steps", "80", "--dep", "400",
                                   "--fit-range", "10:60", "--aniso", "2,0", "--json").stdout)
    assert r["settings"] == summary["settings"]
    assert {k: r["fit"][k] for k in summary["fit"]} == summary["fit"]


@pytest.mark.parametrize("kwargs,args", [
    (dict(runs=3), ["--runs", "3"]),
    (dict(runs=0, seed=1), ["--runs", "0", "--seed", "1"]),
    (dict(runs=2, seed=1, jobs=0), ["--runs", "2", "--seed", "1", "--jobs", "0"]),
    (dict(runs=2, seed=1, steps=50, fit_range=(5, 60)), ["--runs", "2", "--seed", "1", "--steps", "50",
                                                         "--fit-range", "5:60"]),
    (dict(runs=2, seed=1, fit_range=(5, 5)), ["--runs", "2", "--seed", "1", "--fit-range", "5:5"]),
])
def test_bad_experiments_are_refused_in_the_batch_tools_words(batch, kwargs, args):
    with pytest.raises(ValueError) as refused:
        tessavo.experiment(**kwargs)
    assert str(refused.value) == batch.keyword_error(*args)


def test_averaged_surface_analyses_are_the_batch_tools_files(batch):
    r = tessavo.experiment(3, seed=4, steps=60, size=(16, 16), dep=200, rng="philox", analyze_every=25, series=False)
    batch.run("--runs", "3", "--seed", "4", "--steps", "60", "--size", "16x16", "--dep", "200", "--rng", "philox",
              "--analysis", "a", "--analyze-every", "25")
    for table in ("sk", "gr", "wl", "moments", "slopes"):
        header, columns = batch.csv(f"a.{table}.csv")
        assert list(r["analysis"][table]) == header
        for name, column in zip(header, columns):
            assert np.array_equal(r["analysis"][table][name], column, equal_nan=True), (table, name)


def test_finite_size_scaling_is_the_batch_tools(batch):
    args = ["--sizes", "10,14,20", "--runs", "4", "--seed", "2", "--steps", "300", "--dep", "100", "--max", "100000",
            "--relax", "1", "--rng", "philox", "--fss-unsaturated"]
    r = tessavo.finite_size_scaling([10, 14, 20], 4, seed=2, steps=300, dep=100, max=100000, relax=1, rng="philox",
                                    unsaturated=True)
    summary = json.loads(batch.run(*args, "--fss", "f.csv", "--json").stdout)
    assert {k: r[k] for k in summary["fss"]} == summary["fss"]
    assert "alpha" in r
    header, columns = batch.csv("f.csv")
    assert list(r["table"]) == header
    for name, column in zip(header, columns):
        assert np.array_equal(r["table"][name], column, equal_nan=True), name
    assert r["summary"] == batch.run(*args).stdout

    for sizes, option in (([16, 24], "16,24"), ([16, 16, 24], "16,16,24"), ([5, 16, 24], "5,16,24")):
        with pytest.raises(ValueError) as refused:
            tessavo.finite_size_scaling(sizes, 2, seed=1)
        assert str(refused.value) == batch.keyword_error("--sizes", option, "--runs", "2", "--seed", "1")
