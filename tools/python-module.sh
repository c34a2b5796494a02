#!/usr/bin/env bash
# Builds the Python module of python/ and tests it:
#   tools/python-module.sh [BUILD]
# Debian's Python (/usr/bin/python3, whatever python3 comes first on PATH)
# makes the virtual environment build/python/venv, with the system's
# packages (numpy, pandas, pytest, Dask, meson-python); pip installs
# python/ into it without build isolation, so that nothing is downloaded;
# then pytest runs python/tests. BUILD, a CMake build folder with kelvarin,
# kelvarin-table and kelvarin-graph built, is handed to the tests, which
# compare the module's figures with kelvarin-table's CSV and its DOT with
# kelvarin-graph's; without it those tests are skipped.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$root/build/python
build=${1:-}
python=/usr/bin/python3

rm -rf "$work/venv"
mkdir -p "$work"
"$python" -m venv --system-site-packages "$work/venv"
"$work/venv/bin/pip" install --no-build-isolation --no-index "$root/python"
if [ -n "$build" ]; then
  build=$(cd "$build" && pwd)
  export KELVARIN_TABLE=$build/table/kelvarin-table KELVARIN_GRAPH=$build/graph/kelvarin-graph
fi
# The tests import the installed module, never python/src: run from the
# tests' folder, with no bytecode left in the repository.
cd "$root/python/tests"
PYTHONDONTWRITEBYTECODE=1 "$work/venv/bin/python" -m pytest -p no:cacheprovider -v -ra .
