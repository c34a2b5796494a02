#!/usr/bin/env bash
# Builds GSL for Windows on x86-64 with mingw-w64, once, from Debian's source
# of the GSL the Linux build uses, into build/windows/gsl: the preset
# windows's GSL_ROOT_DIR. Its file built-from names the source package
# ("gsl_<version>"), which the Windows download's README.txt names too. The
# preset windows then builds, packs and tests the programs (make windows).
# To rebuild GSL, remove build/windows/gsl.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$PWD/build/windows
host=x86_64-w64-mingw32
gsl_prefix=$out/gsl # the preset's GSL_ROOT_DIR
gsl_stamp=$gsl_prefix/built-from

say() { echo "windows: $*"; }
fail() {
  say "FAIL: $*" >&2
  exit 1
}
# Run a command with its output in a log file; show the log's end on failure.
logged() {
  local log=$1
  shift
  "$@" >>"$log" 2>&1 || { tail -n 40 "$log" >&2 && fail "$* (full log: $log)"; }
}

# The cross compiler and dpkg-source for GSL's source.
tools/setup.sh g++-mingw-w64-x86-64 dpkg-dev
mkdir -p "$out"

build_gsl() {
  say "building GSL for $host"
  tools/gsl-build.sh "$out/gsl-source" "$gsl_prefix" "$out/gsl-build.log" \
    --host=$host CFLAGS="-g -O2 -D__USE_MINGW_ANSI_STDIO=1"
}

if [ -f "$gsl_stamp" ]; then
  say "GSL for $host is built already ($(cat "$gsl_stamp")); to rebuild it, remove $gsl_prefix"
else
  build_gsl
fi
