"""tessavo.Simulation grows, stores and draws a film exactly as tessavo-batch does."""
import gc
import signal
import subprocess
import sys
import textwrap
import time

import numpy as np
import pytest

import tessavo
from conftest import read_bmp, read_layer

CASES = [
    # Python settings, the same on the batch tool's command line
    (dict(size=(30, 20), seed=7, dep=200, relax="3", max="40,5", aniso=(1, 2), autoheight=True),
     ["--size", "30x20", "--seed", "7", "--dep", "200", "--relax", "3", "--max", "40,5", "--aniso", "1,2",
      "--autoheight"]),
    (dict(size=(16, 24), seed=4000000000, dep=350, iso=3, rng="philox", run_index=5),
     ["--size", "16x24", "--seed", "4000000000", "--dep", "350", "--iso", "3", "--rng", "philox", "--run-index", "5"]),
]


@pytest.mark.parametrize("settings,args", CASES)
def test_a_film_grows_as_the_batch_tools_film(batch, settings, args):
    s = tessavo.Simulation(**settings)
    s.step(60)
    s.step(0)
    s.step()
    batch.run(*args, "--steps", "61", "--save-layer", "b.lay", "--roughness", "w.csv")
    assert np.array_equal(s.heights, read_layer(batch.path("b.lay")))
    _, (tick, deposited, offset, w, layers) = batch.csv("w.csv")
    assert (s.tick, s.deposited, s.height_offset, s.roughness, s.layers) == (tick[-1], deposited[-1], offset[-1], w[-1],
                                                                             layers[-1])
    if settings.get("autoheight"):
        assert s.height_offset > 0  # the case reaches auto-height
    s.save_layer(batch.path("p.lay"))
    assert batch.path("p.lay").read_bytes() == batch.path("b.lay").read_bytes()


def test_a_film_from_a_layer_file_goes_on_as_the_batch_tools(batch):
    batch.run("--seed", "2", "--size", "12x14", "--dep", "500", "--steps", "30", "--save-layer", "start.lay")
    s = tessavo.load_layer(batch.path("start.lay"), seed=9, dep=500)
    assert s.size == (12, 14)
    assert np.array_equal(s.heights, read_layer(batch.path("start.lay")))
    s.step(25)
    batch.run("--layer", "start.lay", "--seed", "9", "--dep", "500", "--steps", "25", "--save-layer", "end.lay")
    assert np.array_equal(s.heights, read_layer(batch.path("end.lay")))


def test_pictures_have_the_batch_tools_pixels(batch):
    s = tessavo.Simulation(size=(40, 30), seed=11, dep=900, max=200)
    # A chart looked at on the way catches up with the ticks since; the scale changes on the way.
    s.step(70)
    s.chart(0)
    s.step(80)
    batch.run("--size", "40x30", "--seed", "11", "--dep", "900", "--max", "200", "--steps", "150",
              "--palette", "green", "--zoom", "10", "--origin", "150,220", "--picture", "p.bmp",
              "--chart", "c0.bmp")
    batch.run("--size", "40x30", "--seed", "11", "--dep", "900", "--max", "200", "--steps", "150",
              "--picture", "d.bmp", "--chart-style", "1", "--chart", "c1.bmp")
    picture = s.picture(palette="green", zoom=10, origin=(150, 220))
    assert picture.shape == (400, 600, 3) and picture.dtype == np.uint8
    assert np.array_equal(picture, read_bmp(batch.path("p.bmp")))
    assert np.array_equal(s.picture(), read_bmp(batch.path("d.bmp")))
    assert np.array_equal(s.chart(0), read_bmp(batch.path("c0.bmp")))
    assert np.array_equal(s.chart(style=1), read_bmp(batch.path("c1.bmp")))
    assert len(np.unique(s.chart(0).reshape(-1, 3), axis=0)) > 2  # a curve and its text, not a blank


def test_heights_are_a_read_only_view_that_keeps_its_film_alive():
    s = tessavo.Simulation(size=(20, 10), seed=1, dep=1000)
    h = s.heights
    assert h.shape == (10, 20) and h.dtype == np.int32 and not h.flags.writeable
    with pytest.raises(ValueError):
        h[0, 0] = 5
    s.step(3)
    assert h.sum() == 3 * 20 * 10  # the lattice itself, not a copy
    del s
    gc.collect()
    tessavo.Simulation(size=(20, 10), seed=2).step(5)  # memory reused, were it freed
    assert h.sum() == 600 and h.base is not None


BAD = [
    (dict(dep=0), ["--dep", "0"]),
    (dict(dep=2.5), ["--dep", "2.5"]),
    (dict(size=(5, 50)), ["--size", "5x50"]),
    (dict(size=(50, 5000)), ["--size", "50x5000"]),
    (dict(aniso=(1, 4)), ["--aniso", "1,4"]),
    (dict(iso=1, aniso=(1, 1)), ["--iso", "1", "--aniso", "1,1"]),
    (dict(max="abc"), ["--max", "abc"]),
    (dict(relax="1.5"), ["--relax", "1.5"]),
    (dict(rng="mt"), ["--rng", "mt"]),
    (dict(seed=2 ** 32), ["--seed", str(2 ** 32)]),
    (dict(layer="x.lay", size=(20, 20)), ["--layer", "x.lay", "--size", "20x20"]),
    (dict(run_index=3), ["--run-index", "3"]),
    (dict(model="kpz"), ["--model", "kpz"]),
    (dict(model="rsos", relax=3), ["--model", "rsos", "--relax", "3"]),
    (dict(update="tiled"), ["--update", "tiled"]),
]


@pytest.mark.parametrize("settings,args", BAD)
def test_bad_settings_are_refused_in_the_batch_tools_words(batch, settings, args):
    with pytest.raises(ValueError) as refused:
        tessavo.Simulation(**settings)
    assert str(refused.value) == batch.keyword_error(*args)


def test_other_bad_arguments_raise_clear_errors(batch, tmp_path):
    s = tessavo.Simulation(seed=1)
    with pytest.raises(ValueError) as refused:
        s.picture(zoom=4)
    assert str(refused.value) == batch.keyword_error("--zoom", "4")
    with pytest.raises(ValueError) as refused:
        s.picture(palette="purple")
    assert str(refused.value) == batch.keyword_error("--palette", "purple")
    with pytest.raises(ValueError, match="chart_style="):
        s.chart(2)
    with pytest.raises(TypeError, match="size must be a pair"):
        tessavo.Simulation(size="50x50")
    with pytest.raises(TypeError):
        tessavo.Simulation(sizes=(50, 50))
    with pytest.raises(ValueError, match="n must be 0 or more"):
        s.step(-1)
    with pytest.raises(OSError, match="cannot read"):
        tessavo.load_layer(tmp_path / "missing.lay")
    with pytest.raises(OSError):
        s.save_layer(tmp_path / "no-such-dir" / "a.lay")
    # A NUL would end the name early, at another file.
    (tmp_path / "victim").write_text("kept")
    with pytest.raises(ValueError, match="NUL"):
        s.save_layer(str(tmp_path / "victim") + "\0.lay")
    assert (tmp_path / "victim").read_text() == "kept"
    s.save_layer(tmp_path / "start.lay")
    for read in (tessavo.load_layer, tessavo.read_series):
        with pytest.raises(ValueError, match="NUL"):
            read(str(tmp_path / "start.lay") + "\0y")
    assert s.tick == 0  # nothing above grew the film


def test_the_version_is_the_batch_tools(batch):
    assert batch.run("--version").stdout == f"tessavo-batch {tessavo.__version__}\n"


def run_python(code: str, **popen) -> subprocess.Popen:
    return subprocess.Popen([sys.executable, "-c", textwrap.dedent(code)], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True, **popen)


def test_a_chart_drawn_on_a_worker_thread_lets_python_exit_cleanly():
    p = run_python("""
        import threading, tessavo
        s = tessavo.Simulation(size=(20, 20), seed=1)
        s.step(30)
        t = threading.Thread(target=s.chart)
        t.start()
        t.join()
    """)
    out, err = p.communicate(timeout=60)
    assert p.returncode == 0 and err == "", err  # not a word from a toolkit torn down on the wrong thread


def test_ctrl_c_stops_a_long_tick_and_gives_up_its_film():
    # Two billion relaxation sweeps: one tick lasts for hours.
    p = run_python("""
        import time, tessavo
        s = tessavo.Simulation(size=(10, 10), seed=1, relax=2000000000)
        print("stepping", flush=True)
        start = time.monotonic()
        try:
            s.step()
        except KeyboardInterrupt:
            print("interrupted after %.1f s" % (time.monotonic() - start), flush=True)
        try:
            s.step()
        except RuntimeError as e:
            print(e)
    """)
    assert p.stdout.readline() == "stepping\n"
    time.sleep(0.5)
    p.send_signal(signal.SIGINT)
    try:
        out, err = p.communicate(timeout=20)
    finally:
        p.kill()
    assert p.returncode == 0, err
    lines = out.splitlines()
    assert lines[0].startswith("interrupted after ") and float(lines[0].split()[2]) < 5, out
    assert "interrupted inside a tick" in lines[1], out
