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
  local version apt=$out/apt src=$out/gsl-source log=$out/gsl-build.log list parts file
  version=$(dpkg-query -W -f='${source:Version}' libgsl-dev)
  rm -rf "$apt" "$src" "$gsl_prefix" "$log"
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/parts" "$src"
  # A private apt state whose sources are the machine's own deb entries made
  # deb-src entries, their options (signed-by) kept: the source comes from
  # wherever the machine gets its packages, whose own lists stay unchanged.
  eval "$(apt-config shell list Dir::Etc::SourceList/f parts Dir::Etc::SourceParts/d)"
  for file in "$list" "$parts"*.list; do
    [ ! -f "$file" ] || sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$file"
  done >"$apt/sources.list"
  for file in "$parts"*.sources; do
    [ ! -f "$file" ] || sed 's/^Types:.*/Types: deb-src/' "$file" >"$apt/parts/${file##*/}"
  done
  local options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts"
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache")
  # As root, apt hands downloads to its sandbox user, who cannot write here.
  [ "$(id -u)" -ne 0 ] || options+=(-o APT::Sandbox::User=root)
  say "fetching Debian's source package gsl $version"
  # An entry whose archive has no sources fails the update, not the fetch.
  apt-get "${options[@]}" update >>"$log" 2>&1 || say "apt-get update reported errors ($log)"
  (cd "$src" && logged "$log" apt-get "${options[@]}" source --download-only "gsl=$version")
  logged "$log" dpkg-source -x "$src"/gsl_*.dsc "$src/gsl"

  # Built in its own source tree: GSL's error report names the source file as
  # the compiler saw it, so an out-of-tree build would print a long path.
  # Only the parts the program uses go into libgsl.a: the header links, the
  # system helpers, the error handler, blocks, vectors, matrices,
  # permutations, BLAS and linalg; and libgslcblas.a beside it. (A full build
  # would need the manual's sources, which Debian's tarball lacks.)
  say "building GSL for $host (log: $log)"
  local parts=(sys err block vector matrix permutation blas linalg) sublibs=() part
  for part in "${parts[@]}"; do
    sublibs+=("$part/libgsl$part.la")
  done
  (
    cd "$src/gsl"
    logged "$log" ./configure --host=$host --disable-shared --enable-static \
      --prefix="$gsl_prefix" CFLAGS="-g -O2 -D__USE_MINGW_ANSI_STDIO=1"
    logged "$log" make -C gsl
    for part in "${parts[@]}" cblas; do
      logged "$log" make -j "$(nproc)" -C "$part"
    done
    logged "$log" make libgsl.la install-libLTLIBRARIES install-binSCRIPTS \
      install-pkgconfigDATA SUBLIBS="${sublibs[*]}"
    logged "$log" make -C cblas install-libLTLIBRARIES
    mkdir -p "$gsl_prefix/include/gsl"
    cp -L gsl/gsl*.h "$gsl_prefix/include/gsl/"
  )
  basename "$src"/gsl_*.dsc .dsc >"$gsl_stamp"
}

if [ -f "$gsl_stamp" ]; then
  say "GSL for $host is built already ($(cat "$gsl_stamp")); to rebuild it, remove $gsl_prefix"
else
  build_gsl
fi
