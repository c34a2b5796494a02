#!/usr/bin/env bash
# One check of the Debian package that the fixture package_deb built and
# extracted (packaging/make-deb.cmake), run by CTest with the label package:
#   package_test.sh CHECK DEB ROOT EXAMPLES WORK [NAME]
# DEB is the package, ROOT its extraction, EXAMPLES the source tree's
# examples/, WORK a scratch folder; CHECK is one of
#   contents  the programs, the compressed manual pages, the copyright file,
#             libxlsxwriter's license and the changelog, every example, and
#             no LICENSE;
#   depends   Depends names the packages that own this machine's GSL and CBLAS;
#   kelvarin  the packaged kelvarin on the packaged triad.dat;
#   table     the packaged kelvarin-table on the packaged examples;
#   graph     the packaged kelvarin-graph on the packaged triad.dat;
#   manual    the packaged manual page NAME: no message from mandoc or groff.
set -euo pipefail
check=$1 deb=$2 root=$3 examples=$4 work=$5
mkdir -p "$work"

fail() {
  echo "package: FAIL: $*" >&2
  exit 1
}

case $check in
contents)
  contents=$(dpkg-deb --contents "$deb")
  echo "$contents"
  has_file() {
    grep -Eq -- "^$1 .* \./$2\$" <<<"$contents" || fail "$deb lacks /$2"
  }
  for program in kelvarin kelvarin-table kelvarin-graph; do
    has_file '-rwxr-xr-x' "usr/bin/$program"
    has_file '-rw-r--r--' "usr/share/man/man1/$program.1.gz"
  done
  has_file '-rw-r--r--' usr/share/kelvarin/kelvarin.html
  has_file '-rw-r--r--' usr/share/doc/kelvarin/copyright
  has_file '-rw-r--r--' usr/share/doc/kelvarin/LICENSE-libxlsxwriter
  has_file '-rw-r--r--' usr/share/doc/kelvarin/changelog.gz
  ! grep -q -- '/LICENSE$' <<<"$contents" || fail "$deb holds LICENSE beside its copyright file"
  found=("$examples"/*.dat)
  [ -f "${found[0]}" ] || fail "no examples/*.dat in the source tree"
  for example in "${found[@]}"; do
    has_file '-rw-r--r--' "usr/share/doc/kelvarin/examples/${example##*/}"
  done
  ;;
depends)
  # libgsl27, libgslcblas0 and libmpfr6 on Debian 12 (GMP is MPFR's to load).
  depends=$(dpkg-deb --field "$deb" Depends)
  echo "package: Depends: $depends"
  multiarch=$(gcc -print-multiarch)
  for library in libgsl.so libgslcblas.so libmpfr.so; do
    real=$(readlink -f "/usr/lib/$multiarch/$library")
    owner=$(dpkg-query -S "$real" | head -n 1 | cut -d: -f1)
    [ -n "$owner" ] || fail "no package owns $real"
    grep -Eq "(^|[ ,|])$owner([ (,|]|\$)" <<<"$depends" || fail "Depends lacks $owner"
  done
  ;;
kelvarin)
  version=$(dpkg-deb --field "$deb" Version)
  status=0
  "$root/usr/bin/kelvarin" "$root/usr/share/doc/kelvarin/examples/triad.dat" \
    >"$work/triad.out" 2>"$work/triad.err" || status=$?
  [ "$status" -eq 0 ] || fail "packaged kelvarin on triad.dat ended with status $status"
  [ ! -s "$work/triad.err" ] || fail "packaged kelvarin wrote to standard error: $(cat "$work/triad.err")"
  # The report ends with the exit banner and an empty line.
  banner="Exiting: Kelvarin ver. $version (Quorvane)."
  [ "$(tail -n 2 "$work/triad.out" | head -n 1)" = "$banner" ] && [ -z "$(tail -n 1 "$work/triad.out")" ] ||
    fail "the report does not end with \"$banner\" and an empty line"
  grep -q '^The synchronization coefficient S_E is: ' "$work/triad.out" || fail "the report lacks S_E"
  ;;
table)
  # A row per example after the header, the triad's figures, and status 1
  # for the singular one.
  packaged=("$root"/usr/share/doc/kelvarin/examples/*.dat)
  status=0
  "$root/usr/bin/kelvarin-table" "${packaged[@]}" >"$work/examples.csv" || status=$?
  [ "$status" -eq 1 ] || fail "packaged kelvarin-table on the examples ended with status $status"
  [ "$(wc -l <"$work/examples.csv")" -eq $((${#packaged[@]} + 1)) ] ||
    fail "packaged kelvarin-table wrote $(wc -l <"$work/examples.csv") lines for ${#packaged[@]} examples"
  grep -q '/triad\.dat,Triad of three players,3,3,2,0\.5833333333333334,0\.75,3,' "$work/examples.csv" ||
    fail "packaged kelvarin-table's row of triad.dat is wrong: $(grep triad "$work/examples.csv")"
  ;;
graph)
  # A whole graph, and nothing else.
  status=0
  "$root/usr/bin/kelvarin-graph" "$root/usr/share/doc/kelvarin/examples/triad.dat" \
    >"$work/triad.gv" 2>"$work/graph.err" || status=$?
  [ "$status" -eq 0 ] && [ ! -s "$work/graph.err" ] ||
    fail "packaged kelvarin-graph on triad.dat: status $status: $(cat "$work/graph.err")"
  [ "$(head -n 1 "$work/triad.gv")" = "digraph influence {" ] && [ "$(tail -n 1 "$work/triad.gv")" = "}" ] ||
    fail "packaged kelvarin-graph on triad.dat wrote no whole graph"
  ;;
manual)
  page=$work/$6.1
  gzip -dc "$root/usr/share/man/man1/$6.1.gz" >"$page"
  lint=$(mandoc -T lint "$page" 2>&1) || fail "mandoc -T lint $6.1: $lint"
  [ -z "$lint" ] || fail "mandoc -T lint $6.1: $lint"
  lint=$(groff -ww -z -man "$page" 2>&1) || fail "groff -ww -z -man $6.1: $lint"
  [ -z "$lint" ] || fail "groff -ww -z -man $6.1: $lint"
  ;;
*) fail "unknown check $check" ;;
esac
echo "package: $check: OK"
