#!/usr/bin/env bash
# Builds, once, GNU MPFR on GMP's mini-gmp as a static library for another
# target, from Debian's source of the MPFR and GMP the Linux build links,
# into build/TARGET/mpfr (the preset TARGET's MPFR_ROOT_DIR):
#   tools/mpfr.sh windows   with mingw-w64, for Windows on x86-64
#   tools/mpfr.sh web       with Emscripten, for WebAssembly
# The programs call MPFR only for a last bit that their fast evaluation
# leaves open, at 53 bits, where mini-gmp's plain C (GMP's own small
# implementation) does as well as GMP and weighs half as much in the page.
# They run one thread there, so MPFR keeps its caches without thread-local
# storage. The file built-from there names the source packages as apt-get
# source takes them ("mpfr4=<version> gmp=<version>"), which the Windows
# download's README.txt names too. To rebuild, remove the folder.
set -euo pipefail
cd "$(dirname "$0")/.."
target=$1
out=$PWD/build/$target
prefix=$out/mpfr
src=$out/mpfr-source
log=$out/mpfr-build.log
case $target in
  windows) compiler=x86_64-w64-mingw32-gcc && wrap=() && host=x86_64-w64-mingw32 ;;
  # Emscripten's tools need Debian's node packages (acorn).
  web) export NODE_PATH=/usr/share/nodejs && compiler=emcc && wrap=(emconfigure emmake) && host=wasm32-unknown-none ;;
  *) echo "usage: tools/mpfr.sh windows|web" >&2 && exit 2 ;;
esac
if [ -f "$prefix/built-from" ]; then
  echo "mpfr: MPFR for $target is built already ($(cat "$prefix/built-from")); to rebuild it, remove $prefix"
  exit 0
fi
. tools/debian-source.sh
if cached_build "$prefix" "$compiler" libgmp-dev libmpfr-dev; then exit 0; fi
rm -rf "$prefix" "$src" "$log"
fetch_source "$src" libgmp-dev libmpfr-dev

echo "mpfr: building MPFR on mini-gmp for $target into $prefix (log: $log)"
cd "$src/mpfr4"
logged ${wrap[0]:-} ./configure --host=$host --with-mini-gmp="$src/gmp/mini-gmp" \
  --disable-thread-safe --disable-shared --enable-static --prefix="$prefix"
logged ${wrap[1]:-} make -j "$(nproc)" -C src install
# mpfr.h declares MPFR's random functions with GMP's gmp_randstate_t, which
# mini-gmp.h lacks; MPFR's own build has it from mpfr-mini-gmp.h, whose
# definition the installed mini-gmp.h is given.
sed -n '/^#ifndef gmp_randstate_t$/,/^#endif$/p' src/mpfr-mini-gmp.h >>"$prefix/include/mini-gmp.h"
grep -q gmp_randstate_t "$prefix/include/mini-gmp.h"
echo "mpfr4=$(dpkg-query -W -f='${source:Version}' libmpfr-dev)" \
  "gmp=$(dpkg-query -W -f='${source:Version}' libgmp-dev)" >"$prefix/built-from"
keep_build "$prefix"
