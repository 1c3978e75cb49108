"""Builds the extension varnic._varnic with CMake (Python-only targets, a static engine).

VARNIC_CMAKE_BUILD_DIR keeps the CMake build in a folder of one's choosing, so that a second
wheel builds only what changed; VARNIC_SETUPTOOLS_BUILD_BASE moves setuptools' own scratch
folders (and the egg-info) out of the source tree.
"""

import os
import pathlib
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = pathlib.Path(os.environ.get("VARNIC_CMAKE_BUILD_DIR")
                             or pathlib.Path(self.build_temp).resolve() / "cmake")
        if not (build / "CMakeCache.txt").exists():
            generator = ["-G", "Ninja"] if shutil.which("ninja") else []
            subprocess.run(
                ["cmake", "-S", str(ROOT), "-B", str(build), *generator,
                 "-DCMAKE_BUILD_TYPE=Release", f"-DPython3_EXECUTABLE={sys.executable}",
                 "-DBUILD_SHARED_LIBS=OFF", "-DVARNIC_BUILD_PYTHON=ON", "-DVARNIC_BUILD_CLI=OFF",
                 "-DVARNIC_BUILD_COMPONENT=OFF", "-DVARNIC_BUILD_TESTS=OFF",
                 "-DVARNIC_BUILD_BENCH=OFF", "-DVARNIC_BUILD_FUZZ=OFF", "-DVARNIC_INSTALL=OFF"],
                check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "varnic_python"], check=True)
        built = sorted((build / "python" / "varnic").glob("_varnic*.so"))
        if not built:
            raise RuntimeError(f"CMake built no _varnic module in {build}")
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(built[0], target)


scratch = os.environ.get("VARNIC_SETUPTOOLS_BUILD_BASE")
options = {"build": {"build_base": scratch}, "egg_info": {"egg_base": scratch}} if scratch else {}
if scratch:
    os.makedirs(scratch, exist_ok=True)

setup(ext_modules=[Extension("varnic._varnic", sources=[])], cmdclass={"build_ext": CMakeBuild},
      options=options)
