#!/usr/bin/env bash
# Builds, once, the parts of GSL the programs use as static libraries for
# another target, from Debian's source of the GSL the Linux build uses, into
# build/TARGET/gsl (the preset TARGET's GSL_ROOT_DIR):
#   tools/gsl.sh windows   with mingw-w64, for Windows on x86-64
#   tools/gsl.sh web       with Emscripten, for WebAssembly
# The file built-from there names the source package ("gsl_<version>"), which
# the Windows download's README.txt names too. To rebuild, remove the folder.
set -euo pipefail
cd "$(dirname "$0")/.."
target=$1
out=$PWD/build/$target
prefix=$out/gsl
src=$out/gsl-source
log=$out/gsl-build.log
case $target in
  windows) compiler=x86_64-w64-mingw32-gcc && wrap=() && args=(--host=x86_64-w64-mingw32 CFLAGS="-g -O2 -D__USE_MINGW_ANSI_STDIO=1") ;;
  # GSL's configure knows no *-emscripten host: the answers it cannot find
  # out by running a program are given. Emscripten's tools need Debian's
  # node packages (acorn).
  web) export NODE_PATH=/usr/share/nodejs && compiler=emcc && wrap=(emconfigure emmake) &&
    args=(--host=wasm32-unknown-none ac_cv_c_ieee_comparisons=yes ac_cv_c_ieee_denormals=yes
      ac_cv_c_extended_fp=no CFLAGS="-O2 -ffp-contract=off") ;;
  *) echo "usage: tools/gsl.sh windows|web" >&2 && exit 2 ;;
esac
if [ -f "$prefix/built-from" ]; then
  echo "gsl: GSL for $target is built already ($(cat "$prefix/built-from")); to rebuild it, remove $prefix"
  exit 0
fi
. tools/debian-source.sh
if cached_build "$prefix" "$compiler" libgsl-dev; then exit 0; fi
rm -rf "$prefix" "$src" "$log"
fetch_source "$src" libgsl-dev

# Built in its own source tree: GSL's error report names the source file as
# the compiler saw it, so an out-of-tree build would print a long path. Only
# the parts the programs use go into libgsl.a, and libgslcblas.a beside it
# (a full build would need the manual's sources, which Debian's tarball lacks).
echo "gsl: building GSL for $target into $prefix (log: $log)"
make=(${wrap[1]:-} make)
parts=(sys err block vector matrix permutation blas linalg)
cd "$src/gsl"
logged ${wrap[0]:-} ./configure --disable-shared --enable-static --prefix="$prefix" "${args[@]}"
logged "${make[@]}" -C gsl
for part in "${parts[@]}" cblas; do
  logged "${make[@]}" -j "$(nproc)" -C "$part"
done
sublibs=()
for part in "${parts[@]}"; do
  sublibs+=("$part/libgsl$part.la")
done
logged "${make[@]}" libgsl.la install-libLTLIBRARIES install-binSCRIPTS install-pkgconfigDATA \
  SUBLIBS="${sublibs[*]}"
logged "${make[@]}" -C cblas install-libLTLIBRARIES
mkdir -p "$prefix/include/gsl"
cp -L gsl/gsl*.h "$prefix/include/gsl/"
basename "$src"/gsl_*.dsc .dsc >"$prefix/built-from"
keep_build "$prefix"
