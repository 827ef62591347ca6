"""Shared fixtures of the Python module's tests: the built tessavo-batch run in a fresh
directory, and readers for the files it writes (independent of the module's own code)."""
import os
import re
import struct
import subprocess
from pathlib import Path

import numpy as np
import pytest


class Batch:
    def __init__(self, directory: Path):
        self.dir = directory
        self.exe = os.environ["TESSAVO_BATCH"]

    def run(self, *args: str, status: int = 0) -> subprocess.CompletedProcess:
        r = subprocess.run([self.exe, "--quiet", *args], cwd=self.dir, capture_output=True, text=True,
                           stdin=subprocess.DEVNULL, timeout=300)
        assert r.returncode == status, r.stderr
        return r

    def error(self, *args: str) -> str:
        """The one-line message of a refused command line, as the batch tool words it."""
        err = self.run(*args, status=2).stderr.strip()
        assert err.startswith("tessavo-batch: ") and err.endswith(" (see --help)"), err
        return err[len("tessavo-batch: "):-len(" (see --help)")]

    def keyword_error(self, *args: str) -> str:
        """The batch tool's message for a refused command line with its options named as the
        Python keywords that stand for them ("--run-index" as "run_index=")."""
        return re.sub(r"--([a-z][a-z-]*)", lambda m: m.group(1).replace("-", "_") + "=", self.error(*args))

    def path(self, name: str) -> Path:
        return self.dir / name

    def csv(self, name: str):
        """The header and the columns of a CSV, as the exact doubles of their 17-digit texts."""
        lines = self.path(name).read_text().splitlines()
        columns = list(zip(*(line.split(",") for line in lines[1:])))
        return lines[0].split(","), [np.array([float(v) if v else np.nan for v in c]) for c in columns]


@pytest.fixture
def batch(tmp_path: Path) -> Batch:
    return Batch(tmp_path)


def read_layer(path: Path) -> np.ndarray:
    """The heights of a layer file: section "layer", "x" columns, "y" rows, rows "x0" ... of
    values each followed by "|"."""
    values = {}
    for line in path.read_bytes().decode("cp1250").splitlines():
        if "=" in line:
            key, value = line.split("=", 1)
            values[key.strip().lower()] = value
    cols, rows = int(values["x"]), int(values["y"])
    return np.array([[int(v) for v in values[f"x{r}"].split("|")[:cols]] for r in range(rows)], dtype=np.int32)


def read_bmp(path: Path) -> np.ndarray:
    """A 24-bit BMP as (height, width, 3) RGB."""
    data = path.read_bytes()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    assert bits == 24
    stride = (width * 3 + 3) & ~3
    rows = np.frombuffer(data, np.uint8, stride * abs(height), offset).reshape(abs(height), stride)
    bgr = rows[:, :width * 3].reshape(abs(height), width, 3)
    rgb = bgr[:, :, ::-1]
    return rgb[::-1] if height > 0 else rgb
