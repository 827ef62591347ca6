"""The build backend of `pip install .`: setuptools' own (setup.py at the top of the project),
usable without a download.

pip builds a package in an isolated environment into which it would fetch the build's
requirements from an index. This project builds with the machine's setuptools and wheel (Debian's
python3-setuptools, python3-wheel), so it asks for nothing; where the isolation hides the
interpreter's own packages, they are put back on the path for the build.
"""
import importlib.util
import site
import sys


def _interpreter_packages() -> None:
    if all(importlib.util.find_spec(name) for name in ("setuptools", "wheel")):
        return
    # The site folders of the interpreter the environment was made from, e.g. Debian's
    # /usr/lib/python3/dist-packages.
    for folder in site.getsitepackages([sys.base_prefix]):
        if folder not in sys.path:
            sys.path.append(folder)


_interpreter_packages()

from setuptools.build_meta import (  # noqa: E402  (after the path is set)
    build_sdist, build_wheel, prepare_metadata_for_build_wheel)

__all__ = ["build_sdist", "build_wheel", "prepare_metadata_for_build_wheel",
           "get_requires_for_build_sdist", "get_requires_for_build_wheel"]


def get_requires_for_build_wheel(config_settings=None):
    """Nothing to fetch: setuptools and wheel come with the interpreter."""
    return []


def get_requires_for_build_sdist(config_settings=None):
    return []
