#!/usr/bin/env bash
# Builds the parts of GSL the programs use, from Debian's source of the GSL
# the Linux build uses (tools/gsl-source.sh), as static libraries for another
# target: tools/windows.sh for Windows, tools/web.sh for WebAssembly.
# Usage: [GSL_CONFIGURE=emconfigure] [GSL_MAKE=emmake] \
#   tools/gsl-build.sh SOURCE_DIR PREFIX LOG CONFIGURE_ARGUMENT...
# GSL_CONFIGURE and GSL_MAKE name a command that runs configure or make (a
# cross compiler's wrapper). The libraries and headers are installed under
# PREFIX, whose file built-from names the source package ("gsl_<version>").
set -euo pipefail
cd "$(dirname "$0")/.."
src=$(realpath -m "$1")
prefix=$(realpath -m "$2")
log=$(realpath -m "$3")
shift 3
read -r -a configure <<<"${GSL_CONFIGURE:-}"
read -r -a make <<<"${GSL_MAKE:-}"
make+=(make)

# Run a command with its output in the log; show the log's end on failure.
logged() {
  "$@" >>"$log" 2>&1 || {
    tail -n 40 "$log" >&2
    echo "gsl-build: FAIL: $* (full log: $log)" >&2
    exit 1
  }
}

rm -rf "$prefix" "$log"
mkdir -p "$(dirname "$log")"
tools/gsl-source.sh "$src" "$log"

# Built in its own source tree: GSL's error report names the source file as
# the compiler saw it, so an out-of-tree build would print a long path.
# Only the parts the program uses go into libgsl.a: the header links, the
# system helpers, the error handler, blocks, vectors, matrices,
# permutations, BLAS and linalg; and libgslcblas.a beside it. (A full build
# would need the manual's sources, which Debian's tarball lacks.)
echo "gsl-build: building GSL into $prefix (log: $log)"
parts=(sys err block vector matrix permutation blas linalg)
sublibs=()
for part in "${parts[@]}"; do
  sublibs+=("$part/libgsl$part.la")
done
cd "$src/gsl"
logged "${configure[@]}" ./configure --disable-shared --enable-static --prefix="$prefix" "$@"
logged "${make[@]}" -C gsl
for part in "${parts[@]}" cblas; do
  logged "${make[@]}" -j "$(nproc)" -C "$part"
done
logged "${make[@]}" libgsl.la install-libLTLIBRARIES install-binSCRIPTS \
  install-pkgconfigDATA SUBLIBS="${sublibs[*]}"
logged "${make[@]}" -C cblas install-libLTLIBRARIES
mkdir -p "$prefix/include/gsl"
cp -L gsl/gsl*.h "$prefix/include/gsl/"
basename "$src"/gsl_*.dsc .dsc >"$prefix/built-from"
