#!/usr/bin/env bash
# Builds the wheel as a user would (python3 -m build --no-isolation: nothing fetched), checks
# what it holds, installs it with pip --no-index into a fresh virtual environment and runs the
# Python tests against that install, from outside the source and build trees.
#   usage: wheel_test.sh SOURCE_DIR WORK_DIR VARNIC_BINARY
set -euo pipefail
source=$1 work=$2 command=$3
mkdir -p "$work"
rm -rf "$work/dist" "$work/venv" "$work/setuptools" "$work/run"
# The CMake build stays between runs: only what changed is built again.
export VARNIC_CMAKE_BUILD_DIR=$work/cmake VARNIC_SETUPTOOLS_BUILD_BASE=$work/setuptools
unset PYTHONPATH
cd "$source"
if ! /usr/bin/python3 -m build --no-isolation --wheel --outdir "$work/dist" >"$work/build.log" 2>&1
then
  tail -40 "$work/build.log" >&2
  exit 1
fi
wheel=$(echo "$work"/dist/varnic-*.whl)
[[ -f $wheel ]] || { echo "no wheel in $work/dist" >&2; exit 1; }
/usr/bin/python3 -m zipfile -l "$wheel" | awk '{print $1}' >"$work/wheel.list"
for file in varnic/__init__.py varnic/__init__.pyi varnic/py.typed varnic/dask.py varnic/_audit.py; do
  grep -qxF "$file" "$work/wheel.list" || { echo "the wheel lacks $file" >&2; exit 1; }
done
grep -qE '^varnic/_varnic\..*\.so$' "$work/wheel.list" || { echo "the wheel lacks the extension" >&2; exit 1; }

# Debian's pytest and distributed come from the system; varnic only from the wheel.
/usr/bin/python3 -m venv --system-site-packages "$work/venv"
"$work/venv/bin/pip" install --no-index --no-deps --quiet "$wheel"
mkdir -p "$work/run" && cd "$work/run"
VARNIC_SOURCE_DIR=$source VARNIC_BINARY=$command VARNIC_INSTALLED_IN=$work/venv \
  PYTHONDONTWRITEBYTECODE=1 "$work/venv/bin/python" -m pytest -q -p no:cacheprovider \
  "$source/python/tests" --rootdir="$work/run"
