"""Builds the Python package tessavo for `pip install .` (see pyproject.toml): the compiled part
tessavo._tessavo through the project's CMake, for the interpreter that runs the build, and the
package files from python/tessavo.

The build's files, the CMake tree among them, live under build/pip (or TESSAVO_PIP_BUILD_DIR) and
are kept, so a second install rebuilds only what changed. CMAKE_BUILD_PARALLEL_LEVEL sets the
compile jobs (default: every core).
"""
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent
STAGING = os.environ.get("TESSAVO_PIP_BUILD_DIR") or "build/pip"


def project_version() -> str:
    """The version CMake's project() gives, e.g. 1.5."""
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(\s*Tessavo\s+VERSION\s+([0-9.]+)", text).group(1)


class CMakeBuild(build_ext):
    """Builds the extension as the CMake target _tessavo and copies it where setuptools packs it."""

    def build_extension(self, ext: Extension) -> None:
        tree = Path(self.build_temp).resolve() / "cmake"
        configure = ["cmake", "-S", str(ROOT), "-B", str(tree), "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                     "-DTESSAVO_PYTHON_PACKAGE=ON", f"-DPython_EXECUTABLE={sys.executable}"]
        if shutil.which("ccache"):
            configure.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
        build = ["cmake", "--build", str(tree), "--target", "_tessavo"]
        if "CMAKE_BUILD_PARALLEL_LEVEL" not in os.environ:
            build += ["--parallel", str(os.cpu_count() or 1)]
        subprocess.run(configure, check=True)
        subprocess.run(build, check=True)

        built = sorted((tree / "python" / "tessavo").glob("_tessavo*.so"))
        if not built:
            raise RuntimeError(f"the CMake build left no _tessavo module in {tree / 'python' / 'tessavo'}")
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built[0], target)


os.makedirs(STAGING, exist_ok=True)
setup(
    version=project_version(),
    packages=["tessavo"],
    package_dir={"": "python"},
    package_data={"tessavo": ["*.pyi", "py.typed"]},
    ext_modules=[Extension("tessavo._tessavo", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": STAGING}, "egg_info": {"egg_base": STAGING}},
)
