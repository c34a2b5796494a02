#!/usr/bin/env bash
# Builds the Debian package in build/package with Debian's hardened build
# flags and checks it without installing it: the files it holds, its
# dependency on GSL's runtime packages, the packaged kelvarin run on a packaged
# example from a scratch extraction and on the end-to-end cases, the packaged
# manual page's lint, and
# lintian, on whose first error or warning it fails. Nothing outside
# build/package is changed.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
  echo "package: FAIL: $*" >&2
  exit 1
}

# dpkg-dev for the build flags and CPack's scan of the shared libraries, file
# for the scan too, mandoc and groff-base for the manual page, lintian for the
# package as a whole, and what the end-to-end runner's build needs.
tools/setup.sh mandoc groff-base dpkg-dev file lintian tests

# The flags Debian builds its packages with, every hardening feature on:
# _FORTIFY_SOURCE's checked functions, the stack protector, and relocations
# made read-only and resolved at start-up (relro, bind-now). CMake does not
# read CPPFLAGS, so they go in front of the compiler flags.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cflags=$(dpkg-buildflags --get CFLAGS)
cxxflags=$(dpkg-buildflags --get CXXFLAGS)
ldflags=$(dpkg-buildflags --get LDFLAGS)

build=build/package
# The preset package; the end-to-end runner is built beside the program, to
# run the cases on the packaged one.
cmake --preset package -DCMAKE_C_FLAGS="$cppflags $cflags" \
  -DCMAKE_CXX_FLAGS="$cppflags $cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags"
cmake --build "$build" --target kelvarin kelvarin-table kelvarin-graph e2e_test -j "$(nproc)"
rm -f "$build"/kelvarin_*.deb
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$build"

debs=("$build"/kelvarin_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one kelvarin_*.deb in $build"
deb=${debs[0]}
version=$(dpkg-deb --field "$deb" Version)
echo "package: $deb, version $version"

# Contents: the program, its compressed manual page, the copyright file and
# changelog, and every example of examples/; the copyright file stands in for
# LICENSE.
contents=$(dpkg-deb --contents "$deb")
echo "$contents"
has_file() {
  grep -Eq -- "^$1 .* \./$2\$" <<<"$contents" || fail "$deb lacks /$2"
}
has_file '-rwxr-xr-x' usr/bin/kelvarin
has_file '-rw-r--r--' usr/share/man/man1/kelvarin.1.gz
has_file '-rwxr-xr-x' usr/bin/kelvarin-table
has_file '-rw-r--r--' usr/share/man/man1/kelvarin-table.1.gz
has_file '-rwxr-xr-x' usr/bin/kelvarin-graph
has_file '-rw-r--r--' usr/share/man/man1/kelvarin-graph.1.gz
has_file '-rw-r--r--' usr/share/doc/kelvarin/copyright
has_file '-rw-r--r--' usr/share/doc/kelvarin/changelog.gz
! grep -q -- '/LICENSE$' <<<"$contents" || fail "$deb holds LICENSE beside its copyright file"
examples=(examples/*.dat)
[ -f "${examples[0]}" ] || fail "no examples/*.dat in the source tree"
for example in "${examples[@]}"; do
  has_file '-rw-r--r--' "usr/share/doc/kelvarin/examples/${example#examples/}"
done

# Dependencies: the packages that own this machine's GSL and CBLAS libraries
# (libgsl27 and libgslcblas0 on Debian 12) must be among them.
depends=$(dpkg-deb --field "$deb" Depends)
echo "package: Depends: $depends"
multiarch=$(gcc -print-multiarch)
for library in libgsl.so libgslcblas.so; do
  real=$(readlink -f "/usr/lib/$multiarch/$library")
  owner=$(dpkg-query -S "$real" | head -n 1 | cut -d: -f1)
  [ -n "$owner" ] || fail "no package owns $real"
  grep -Eq "(^|[ ,|])$owner([ (,|]|\$)" <<<"$depends" || fail "Depends lacks $owner"
done

# The packaged program on a packaged example, from a scratch extraction.
root=$build/extracted
rm -rf "$root"
dpkg -x "$deb" "$root"
report=$build/triad.out
errors=$build/triad.err
status=0
"$root/usr/bin/kelvarin" "$root/usr/share/doc/kelvarin/examples/triad.dat" >"$report" 2>"$errors" ||
  status=$?
[ "$status" -eq 0 ] || fail "packaged kelvarin on triad.dat ended with status $status"
[ ! -s "$errors" ] || fail "packaged kelvarin wrote to standard error: $(cat "$errors")"
# The report ends with the exit banner and an empty line.
banner="Exiting: Kelvarin ver. $version (Quorvane)."
[ "$(tail -n 2 "$report" | head -n 1)" = "$banner" ] && [ -z "$(tail -n 1 "$report")" ] ||
  fail "the report does not end with \"$banner\" and an empty line"
grep -q '^The synchronization coefficient S_E is: ' "$report" || fail "the report lacks S_E"

# The packaged program on every end-to-end case, by the end-to-end runner:
# the hardened flags must not change a digit.
KELVARIN_EXE=$(realpath "$root/usr/bin/kelvarin") "$build/tests/e2e_test" --gtest_brief=1 ||
  fail "the packaged kelvarin fails end-to-end cases"

# The packaged kelvarin-table on the packaged examples: a row per example
# after the header, the triad's figures, and status 1 for the singular one.
table=$build/examples.csv
status=0
"$root/usr/bin/kelvarin-table" "$root"/usr/share/doc/kelvarin/examples/*.dat >"$table" ||
  status=$?
[ "$status" -eq 1 ] || fail "packaged kelvarin-table on the examples ended with status $status"
[ "$(wc -l <"$table")" -eq $((${#examples[@]} + 1)) ] ||
  fail "packaged kelvarin-table wrote $(wc -l <"$table") lines for ${#examples[@]} examples"
grep -q '/triad\.dat,Triad of three players,3,3,2,0\.5833333333333334,0\.75,3,' "$table" ||
  fail "packaged kelvarin-table's row of triad.dat is wrong: $(grep triad "$table")"

# The packaged kelvarin-graph on the triad: a whole graph, and nothing else.
status=0
"$root/usr/bin/kelvarin-graph" "$root/usr/share/doc/kelvarin/examples/triad.dat" \
  >"$build/triad.gv" 2>"$errors" || status=$?
[ "$status" -eq 0 ] && [ ! -s "$errors" ] ||
  fail "packaged kelvarin-graph on triad.dat: status $status: $(cat "$errors")"
[ "$(head -n 1 "$build/triad.gv")" = "digraph influence {" ] &&
  [ "$(tail -n 1 "$build/triad.gv")" = "}" ] ||
  fail "packaged kelvarin-graph on triad.dat wrote no whole graph"

# The manual pages as packaged: not one message from either checker.
for name in kelvarin kelvarin-table kelvarin-graph; do
  page=$build/$name.1
  gzip -dc "$root/usr/share/man/man1/$name.1.gz" >"$page"
  lint=$(mandoc -T lint "$page" 2>&1) || fail "mandoc -T lint $name.1: $lint"
  [ -z "$lint" ] || fail "mandoc -T lint $name.1: $lint"
  lint=$(groff -ww -z -man "$page" 2>&1) || fail "groff -ww -z -man $name.1: $lint"
  [ -z "$lint" ] || fail "groff -ww -z -man $name.1: $lint"
done

# lintian: an error or a warning fails; informational tags are shown and pass.
echo "package: lintian $deb"
lintian --fail-on error,warning --display-info "$deb" || fail "lintian found errors or warnings"

echo "package: OK: $deb holds the programs, their manual pages and ${#examples[@]} example(s);" \
  "the packaged kelvarin ran triad.dat with status 0 and passed the end-to-end cases;" \
  "the packaged kelvarin-table tabulated the examples; the packaged kelvarin-graph" \
  "drew the triad; the manual pages lint clean;" \
  "lintian reports no error and no warning"
