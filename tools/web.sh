#!/usr/bin/env bash
# Builds the programs as WebAssembly (the preset web: Emscripten, with GSL
# built once from Debian's source of the GSL the Linux build uses) and runs
# the web build's tests under node: the unit tests, the end-to-end cases on
# build/web/node/kelvarin.js, and kelvarin-table's and kelvarin-graph's tests
# on their .js, by the native runners of the preset default, which it builds
# too; and the page build/web/kelvarin.html in headless chromium. Everything it makes lives under build/web/; GSL is kept there, so a
# second run only rebuilds what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$PWD/build/web
gsl_prefix=$out/gsl # the preset's GSL_ROOT_DIR
# Emscripten's tools need node's packages of Debian (acorn).
export NODE_PATH=/usr/share/nodejs

say() { echo "web: $*"; }

# Emscripten, dpkg-source for GSL's source, chromium for the page's test, and
# what the native runners need; npm's packages as package-lock.json pins them.
tools/setup.sh emscripten chromium dpkg-dev tests
(cd web && npm ci --no-audit --no-fund)

if [ -f "$gsl_prefix/built-from" ]; then
  say "GSL for WebAssembly is built already ($(cat "$gsl_prefix/built-from")); to rebuild it, remove $gsl_prefix"
else
  # GSL's configure knows no *-emscripten host; the answers it cannot find
  # out by running a program are given.
  say "building GSL for WebAssembly"
  GSL_CONFIGURE=emconfigure GSL_MAKE=emmake tools/gsl-build.sh "$out/gsl-source" "$gsl_prefix" \
    "$out/gsl-build.log" --host=wasm32-unknown-none ac_cv_c_ieee_comparisons=yes \
    ac_cv_c_ieee_denormals=yes ac_cv_c_extended_fp=no CFLAGS="-O2 -ffp-contract=off"
fi

say "building the native runners (preset default)"
cmake --preset default >/dev/null
cmake --build --preset default --target e2e_test table_test kelvarin-table -j "$(nproc)" >/dev/null

say "building the node programs (preset web)"
cmake --preset web >/dev/null
cmake --build "$out/cmake" -j "$(nproc)"

say "running the web build's tests under node"
(cd "$out/cmake" && ctest --output-on-failure -j "$(nproc)")
