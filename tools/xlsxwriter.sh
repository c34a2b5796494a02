#!/usr/bin/env bash
# Builds, once, libxlsxwriter as a static library from Debian's source of
# the libxlsxwriter-dev package, into build/TARGET/xlsxwriter (the presets'
# XLSXWRITER_ROOT_DIR):
#   tools/xlsxwriter.sh linux     for the Linux presets, on Debian's zlib
#   tools/xlsxwriter.sh windows   with mingw-w64, on Debian's zlib for it
#                                 (libz-mingw-w64-dev)
#   tools/xlsxwriter.sh web       with Emscripten, on zlib built here from
#                                 Debian's source of zlib1g-dev
# Debian's own build writes a number's cell with printf's "%.16G", which does
# not give every double back (0.16666666666666669 would read back as
# 0.16666666666666666); this build writes it with the library's own
# shortest round-trip conversion (its option USE_DTOA_LIBRARY), so that
# every figure of the workbook reads back as the double of the CSV. The file
# built-from names the source packages as apt-get source takes them. To
# rebuild, remove the folder.
set -euo pipefail
cd "$(dirname "$0")/.."
target=$1
out=$PWD/build/$target
prefix=$out/xlsxwriter
src=$out/xlsxwriter-source
log=$out/xlsxwriter-build.log
wrap=()
case $target in
  linux) compiler=cc && args=() ;;
  windows) compiler=x86_64-w64-mingw32-gcc && args=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake") ;;
  # Emscripten's tools need Debian's node packages (acorn).
  # For the page, whose weight counts, built for size, without the MD5 that
  # only images use.
  web) export NODE_PATH=/usr/share/nodejs && compiler=emcc && wrap=(emcmake) &&
    args=(-DZLIB_ROOT="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" -DCMAKE_BUILD_TYPE=MinSizeRel
      -DUSE_NO_MD5=ON) ;;
  *) echo "usage: tools/xlsxwriter.sh linux|windows|web" >&2 && exit 2 ;;
esac
if [ -f "$prefix/built-from" ]; then
  echo "xlsxwriter: libxlsxwriter for $target is built already ($(cat "$prefix/built-from")); to rebuild it, remove $prefix"
  exit 0
fi
packages=(libxlsxwriter-dev)
[ "$target" != web ] || packages+=(zlib1g-dev)
. tools/debian-source.sh
if cached_build "$prefix" "$compiler" "${packages[@]}"; then exit 0; fi
rm -rf "$prefix" "$src" "$log"
fetch_source "$src" "${packages[@]}"
built_from="libxlsxwriter=$(dpkg-query -W -f='${source:Version}' libxlsxwriter-dev)"

if [ "$target" = web ]; then
  echo "xlsxwriter: building zlib for $target into $prefix (log: $log)"
  (cd "$src/zlib" && CFLAGS=-Oz logged emconfigure ./configure --static --prefix="$prefix" &&
    logged emmake make -j "$(nproc)" libz.a && logged emmake make install)
  built_from+=" zlib=$(dpkg-query -W -f='${source:Version}' zlib1g-dev)"
fi

echo "xlsxwriter: building libxlsxwriter for $target into $prefix (log: $log)"
logged ${wrap[0]:-} cmake -S "$src/libxlsxwriter" -B "$src/build" -DCMAKE_BUILD_TYPE=Release \
  "${args[@]}" -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib -DBUILD_SHARED_LIBS=OFF \
  -DCMAKE_POSITION_INDEPENDENT_CODE=ON -DUSE_DTOA_LIBRARY=ON -DUSE_SYSTEM_MINIZIP=OFF
logged cmake --build "$src/build" -j "$(nproc)"
logged cmake --install "$src/build"
# Its license, with those of the parts it carries, for the downloads.
cp "$src/libxlsxwriter/License.txt" "$prefix/License.txt"
echo "$built_from" >"$prefix/built-from"
keep_build "$prefix"
