#!/usr/bin/env bash
# Builds, once, GNU MPFR and the GMP under it as static libraries for another
# target, from Debian's source of the MPFR and GMP the Linux build links,
# into build/TARGET/mpfr (the preset TARGET's MPFR_ROOT_DIR):
#   tools/mpfr.sh windows   with mingw-w64, for Windows on x86-64
#   tools/mpfr.sh web       with Emscripten, for WebAssembly
# The file built-from there names the source packages as apt-get source takes
# them ("mpfr4=<version> gmp=<version>"), which the Windows download's
# README.txt names too. To rebuild, remove the folder.
set -euo pipefail
cd "$(dirname "$0")/.."
target=$1
out=$PWD/build/$target
prefix=$out/mpfr
src=$out/mpfr-source
log=$out/mpfr-build.log
# GMP's portable C, without its assembly: the programs call MPFR only for a
# last bit that the fast evaluation leaves open. The programs run one thread
# there, so MPFR keeps its caches without thread-local storage.
case $target in
  windows) wrap=() && host=x86_64-w64-mingw32 ;;
  # Emscripten's tools need Debian's node packages (acorn).
  web) export NODE_PATH=/usr/share/nodejs && wrap=(emconfigure emmake) && host=none ;;
  *) echo "usage: tools/mpfr.sh windows|web" >&2 && exit 2 ;;
esac
if [ -f "$prefix/built-from" ]; then
  echo "mpfr: MPFR for $target is built already ($(cat "$prefix/built-from")); to rebuild it, remove $prefix"
  exit 0
fi
. tools/debian-source.sh
rm -rf "$prefix" "$src" "$log"
fetch_source "$src" libgmp-dev libmpfr-dev

echo "mpfr: building GMP and MPFR for $target into $prefix (log: $log)"
make=(${wrap[1]:-} make -j "$(nproc)")
static=(--disable-shared --enable-static --prefix="$prefix")
# Debian's source of GMP is without its manual, and Debian's patch that
# leaves the manual out of the build changes only the files that Debian's
# build generates again; the generated ones are changed as that patch does.
sed -i 's| doc/Makefile | |' "$src/gmp/configure"
sed -i 's/^\(SUBDIRS = .*\) doc$/\1/' "$src/gmp/Makefile.in"
(cd "$src/gmp" &&
  logged ${wrap[0]:-} ./configure --host=$host --disable-assembly --disable-cxx "${static[@]}" &&
  logged "${make[@]}" install)
# MPFR's configure takes a host GMP's triplet for its own.
[ "$host" != none ] || host=wasm32-unknown-none
(cd "$src/mpfr4" &&
  logged ${wrap[0]:-} ./configure --host=$host --with-gmp="$prefix" --disable-thread-safe "${static[@]}" &&
  logged "${make[@]}" -C src install)
echo "mpfr4=$(dpkg-query -W -f='${source:Version}' libmpfr-dev)" \
  "gmp=$(dpkg-query -W -f='${source:Version}' libgmp-dev)" >"$prefix/built-from"
