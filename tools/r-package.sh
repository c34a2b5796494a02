#!/usr/bin/env bash
# Builds the R package of r/ from the project's own C++ sources, checks it as
# CRAN checks packages and installs it:
#   tools/r-package.sh [BUILD]
# In build/r: the package folder kelvarin/ is r/ with the reader, the
# analysis, the routines, the table's and the graph's writers and what the
# faces in other languages share (face/) staged into
# its src/ beside the glue (never kept in r/), and the version header that
# CMake writes for the programs; then R CMD build, R CMD check --no-manual
# (which must end without an error or a warning) and R CMD INSTALL into
# build/r/library. BUILD, a CMake build folder with kelvarin-table and
# kelvarin-graph built, is handed to the tests, which compare the package's
# figures with kelvarin-table's CSV, its DOT with kelvarin-graph's, and its
# reports with kelvarin's in the end-to-end cases; without it they are
# skipped.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$root/build/r
package=$work/kelvarin
build=${1:-}
if [ -n "$build" ]; then
  build=$(cd "$build" && pwd)
fi

rm -rf "$package" "$work/library" "$work"/kelvarin_*.tar.gz "$work/kelvarin.Rcheck"
mkdir -p "$work/library"
cp -a "$root/r" "$package"

# The sources the package compiles: a folder's headers and sources but a
# program's main.cpp, or the files named. src/Makevars.in's @SOURCE_OBJECTS@
# becomes their objects.
stage() {
  local folder=$1
  shift
  mkdir -p "$package/src/$folder"
  if [ $# -eq 0 ]; then
    find "$root/$folder" -maxdepth 1 \( -name '*.h' -o -name '*.cpp' \) ! -name main.cpp \
      -exec cp -t "$package/src/$folder/" {} +
  else
    for file in "$@"; do
      cp "$root/$folder/$file" "$package/src/$folder/"
    done
  fi
}
for folder in analysis face graph load logarithm matrix numbers reader routines text; do
  stage "$folder"
done
stage app front_end.h
stage table table.h group.cpp output.cpp
# The programs' console renamed to the faces' (face/console.cpp) in every object.
cp "$root/face/console.syms" "$package/src/console.syms"
objects=$(cd "$package/src" && find . -mindepth 2 -name '*.cpp' | sed 's|^\./||; s|\.cpp$|.o|' | sort | tr '\n' ' ')
sed -i "s|@SOURCE_OBJECTS@|$objects|" "$package/src/Makevars.in"
version=$(sed -n 's/^project(kelvarin VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")
mkdir -p "$package/src/version"
sed "s/@PROJECT_VERSION@/$version/" "$root/version/version.h.in" >"$package/src/version/version.h"
# {fmt} and fast_float, header-only, from the machine's packages: in a folder
# of their own, ahead of the older {fmt} that cpp11 carries in its headers.
mkdir -p "$package/src/header-only"
cp -r /usr/include/fmt /usr/include/fast_float "$package/src/header-only/"
# The examples' data files, which the help's examples read.
mkdir -p "$package/inst/extdata"
cp "$root"/examples/*.dat "$package/inst/extdata/"
# The package's version is the programs'.
sed -i "s/^Version: .*/Version: $version/" "$package/DESCRIPTION"

cd "$work"
export R_LIBS_USER=$work/library
# No package repository is asked about the package's dependencies: they are
# Debian's, installed.
printf 'options(repos = character())\n' >"$work/Rprofile"
export R_PROFILE_USER=$work/Rprofile
if [ -n "$build" ]; then
  export KELVARIN_TABLE=$build/table/kelvarin-table KELVARIN_GRAPH=$build/graph/kelvarin-graph
  export KELVARIN_REPOSITORY=$root
fi
R CMD build --no-manual kelvarin
tarball=kelvarin_$version.tar.gz
R CMD check --no-manual "$tarball" | tee check.log
if grep -Eq '^Status: .*(ERROR|WARNING)' check.log; then
  echo "r-package: R CMD check found errors or warnings (build/r/check.log)" >&2
  exit 1
fi
R CMD INSTALL --library="$work/library" "$tarball"
