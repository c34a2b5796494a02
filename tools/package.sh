#!/usr/bin/env bash
# Builds the Debian package in build/package and checks it without installing
# it: the files it holds, its dependency on GSL's runtime packages, the
# packaged kelvarin run on a packaged example from a scratch extraction, and
# the packaged manual page's lint. Nothing outside build/package is changed.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
  echo "package: FAIL: $*" >&2
  exit 1
}

# dpkg-dev and file for CPack's scan of the shared libraries, mandoc and
# groff-base for the manual page.
tools/setup.sh mandoc groff-base dpkg-dev file

build=build/package
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVARIN_TESTS=OFF
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)"
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

# The manual page as packaged: not one message from either checker.
page=$build/kelvarin.1
gzip -dc "$root/usr/share/man/man1/kelvarin.1.gz" >"$page"
lint=$(mandoc -T lint "$page" 2>&1) || fail "mandoc -T lint: $lint"
[ -z "$lint" ] || fail "mandoc -T lint: $lint"
lint=$(groff -ww -z -man "$page" 2>&1) || fail "groff -ww -z -man: $lint"
[ -z "$lint" ] || fail "groff -ww -z -man: $lint"

echo "package: OK: $deb holds the program, its manual page and ${#examples[@]} example(s);" \
  "the packaged kelvarin ran triad.dat with status 0; the manual page lints clean"
