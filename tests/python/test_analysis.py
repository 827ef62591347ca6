"""The surface analysis of the core on heights arrays: on a film's view without a copy, on any
integer array, with the numbers NumPy gives for the same surface."""
import numpy as np
import pytest

import tessavo


def test_the_analysis_of_a_film_agrees_with_numpy():
    s = tessavo.Simulation(size=(32, 24), seed=3, dep=600, relax=1)
    s.step(40)
    h = s.heights
    a = tessavo.analyse(h)
    f = h.astype(np.float64)
    assert (a["rows"], a["cols"]) == (24, 32)
    assert a["mean"] == pytest.approx(f.mean(), rel=1e-12)
    assert a["width"] == pytest.approx(s.roughness, rel=1e-12)
    # Every nearest-neighbour step of the periodic lattice, counted.
    steps = np.concatenate([(np.roll(h, -1, axis=1) - h).ravel(), (np.roll(h, -1, axis=0) - h).ravel()])
    values, counts = np.unique(steps, return_counts=True)
    assert np.array_equal(a["slopes"]["difference"], values) and np.array_equal(a["slopes"]["count"], counts)
    # S(q) = |FFT of the deviations|^2 / A.
    expected = np.abs(np.fft.fft2(f - f.mean())) ** 2 / f.size
    assert np.allclose(tessavo.structure_factor_map(h), expected, rtol=1e-9, atol=1e-9)
    # The single functions give what the whole analysis gives, from another integer type too.
    assert np.array_equal(tessavo.local_width(h.astype(np.int64))["w"], a["local_width"]["w"])
    assert np.array_equal(tessavo.correlation(h)["g"], a["correlation"]["g"])
    d = f - f.mean()
    assert tessavo.moments(h)["skewness"] == pytest.approx((d ** 3).mean() / (d ** 2).mean() ** 1.5, rel=1e-9)
    assert np.array_equal(tessavo.structure_factor(h)["s"], a["structure_factor"]["s"])


def test_arrays_that_are_not_heights_are_refused():
    with pytest.raises(TypeError, match="integer"):
        tessavo.analyse(np.zeros((10, 10)))
    with pytest.raises(ValueError, match="2-dimensional"):
        tessavo.analyse(np.zeros(10, dtype=np.int32))
    with pytest.raises(ValueError, match="32-bit"):
        tessavo.analyse(np.full((10, 10), 2 ** 40))
    with pytest.raises(ValueError):
        tessavo.analyse(np.zeros((0, 10), dtype=np.int32))
    assert tessavo.moments(np.ones((10, 10), dtype=np.int32)) == {"skewness": None, "excess_kurtosis": None}
