"""tessavo.dask.experiment on a local cluster of two worker processes equals the one-process
experiment and the batch tool's CSV, bit for bit, for any cutting into slices."""
import numpy as np
import pytest

import tessavo
import tessavo.dask

distributed = pytest.importorskip("distributed")
# Debian's tornado and distributed together warn about their own event loop.
pytestmark = pytest.mark.filterwarnings("ignore:make_current is deprecated:DeprecationWarning")


@pytest.fixture(scope="module")
def client():
    # Two worker processes, everything on the loopback address, no dashboard.
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as c:
        assert len(c.scheduler_info()["workers"]) == 2
        assert all(address.startswith("tcp://127.0.0.1:") for address in c.scheduler_info()["workers"])
        yield c


SETTINGS = dict(seed=42, steps=90, size=(14, 11), dep=300, max="4.5", autoheight=True, rng="philox")


def test_slices_on_workers_equal_the_one_process_experiment_and_the_batch_csv(client, batch):
    reference = tessavo.experiment(9, jobs=2, **SETTINGS)
    batch.run("--runs", "9", "--seed", "42", "--steps", "90", "--size", "14x11", "--dep", "300", "--max", "4.5",
              "--autoheight", "--rng", "philox", "--roughness", "w.csv")
    header, columns = batch.csv("w.csv")
    for chunk in (1, 4, None, 20):
        r = tessavo.dask.experiment(client, 9, chunk=chunk, **SETTINGS)
        for name in ("tick", "deposited", "mean", "stddev", "stderr", "min", "max", "layers", "series"):
            assert np.array_equal(r[name], reference[name]), (chunk, name)
        assert r["fit"] == reference["fit"] and r["runs"] == 9 and r["settings"] == reference["settings"]
    for name, column in zip(header, columns):
        assert np.array_equal(r[name], column, equal_nan=True), name


def test_bad_settings_are_refused_before_anything_is_sent(client):
    with pytest.raises(ValueError, match="dep= must be between 1 and 1000, not 0"):
        tessavo.dask.experiment(client, 4, seed=1, dep=0)
    with pytest.raises(ValueError, match="runs= needs seed="):
        tessavo.dask.experiment(client, 4)
    with pytest.raises(ValueError, match="chunk"):
        tessavo.dask.experiment(client, 4, seed=1, chunk=0)
