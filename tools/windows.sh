#!/usr/bin/env bash
# Builds kelvarin.exe for Windows on x86-64 (the preset windows: mingw-w64,
# and GSL built once from Debian's source of the GSL the Linux build uses),
# packs the Windows download kelvarin-<version>-win64.zip with CPack, and
# checks it unpacked, under wine: its files, the CR LF line ends of its text
# files, the end-to-end cases on its kelvarin.exe, and each of its examples
# reported byte for byte as the Linux build reports it, with CR LF line ends.
# Everything it makes lives under build/windows/ (the Linux build it compares
# with is the preset default); GSL and the wine prefix are kept there, so a
# second run only rebuilds what changed.
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

# The cross compiler, wine, dpkg-source for GSL's source, mandoc for the
# manual's HTML, and what the end-to-end runner's build needs.
tools/setup.sh g++-mingw-w64-x86-64 wine dpkg-dev mandoc tests
mkdir -p "$out"

build_gsl() {
  say "building GSL for $host"
  tools/gsl-build.sh "$out/gsl-source" "$gsl_prefix" "$out/gsl-build.log" \
    --host=$host CFLAGS="-g -O2 -D__USE_MINGW_ANSI_STDIO=1"
}

if [ -f "$gsl_stamp" ]; then
  say "GSL for $host is built already ($(cat "$gsl_stamp")); to rebuild it, remove $gsl_prefix"
else
  build_gsl
fi

# kelvarin.exe, static, with mingw-w64's own printf. README.txt names the
# Debian source version of its GSL, the stamp's "gsl_<version>". The tool
# chain is read on the first configure only; the option keeps later ones quiet.
say "building kelvarin.exe"
gsl_debian_version=$(sed -n 's/^gsl_//p' "$gsl_stamp")
logged "$out/exe.log" cmake --preset windows --no-warn-unused-cli \
  -DKELVARIN_GSL_DEBIAN_VERSION="$gsl_debian_version"
logged "$out/exe.log" cmake --build "$out/exe" -j "$(nproc)"
# The C runtime's start-up code may take fprintf from msvcrt.dll for its own
# diagnostics, but printf must not come from there.
imports=$($host-objdump -p "$out/exe/app/kelvarin.exe" | awk '
  /DLL Name:/ { msvcrt = ($3 == "msvcrt.dll"); next }
  msvcrt && NF == 0 { msvcrt = 0 }
  msvcrt && $1 ~ /^[0-9a-f]+$/ && NF >= 3 { print $NF }')
[ -n "$imports" ] || fail "found no imports from msvcrt.dll in kelvarin.exe; cannot check printf"
! grep -qx printf <<<"$imports" || fail "kelvarin.exe imports printf from msvcrt.dll"

# The end-to-end runner and the Linux kelvarin the examples are compared with.
say "building the end-to-end runner and the Linux kelvarin (preset default)"
logged "$out/linux.log" cmake --preset default
logged "$out/linux.log" cmake --build --preset default --target e2e_test kelvarin -j "$(nproc)"

# The download, unpacked as a user would.
say "packing the Windows download"
rm -f "$out"/exe/kelvarin-*-win64.zip
logged "$out/cpack.log" cpack --config "$out/exe/CPackConfig.cmake" -B "$out/exe"
zip=$(echo "$out"/exe/kelvarin-*-win64.zip)
[ -f "$zip" ] || fail "expected one kelvarin-*-win64.zip in $out/exe"
top=$(basename "$zip" .zip)
check=$out/zip-check
unpacked=$check/$top
rm -rf "$check"
mkdir -p "$check/reports"
(cd "$check" && cmake -E tar xf "$zip")

# Its files, all in the folder of its own name; the text files with CR LF;
# README.txt naming the GSL source; the manual without the Linux paths.
contents=$(cmake -E tar tf "$zip")
echo "$contents"
examples=(examples/*.dat)
for file in kelvarin.exe kelvarin.html README.txt LICENSE.txt "${examples[@]}"; do
  grep -qxF "$top/$file" <<<"$contents" || fail "$zip lacks $top/$file"
done
for text in README.txt LICENSE.txt "${examples[@]}"; do
  ! grep -qv $'\r$' "$unpacked/$text" || fail "$top/$text has a line without CR LF"
done
grep -qF "$gsl_debian_version" "$unpacked/README.txt" ||
  fail "$top/README.txt does not name Debian's gsl $gsl_debian_version"
! grep -q /usr/share "$unpacked/kelvarin.html" || fail "$top/kelvarin.html names Linux paths"

# wine: a private prefix, no debug chatter, no Mono or Gecko installer. Its
# registry is written when its server ends, which outlives the last run by a
# few seconds.
export WINEPREFIX=$out/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  say "creating the wine prefix $WINEPREFIX"
  logged "$out/wineboot.log" wineboot --init
  wineserver -w
fi
trap 'wineserver -w' EXIT

say "running the end-to-end cases on the unpacked kelvarin.exe under wine"
KELVARIN_EXE=$unpacked/kelvarin.exe KELVARIN_LAUNCHER=wine KELVARIN_CRLF=1 \
  build/default/tests/e2e_test --gtest_brief=1

# The unpacked kelvarin.exe on every unpacked example, run from its folder as
# README.txt shows: its report must be the Linux kelvarin's report of the
# example with CR LF line ends, and both must succeed (status 0) or both fail.
# A singular example ends in GSL's abort on both after the same report.
for example in "${examples[@]}"; do
  name=${example#examples/}
  report=$check/reports/$name
  windows=0 linux=0
  (cd "$unpacked" && wine kelvarin.exe "examples\\$name") >"$report.windows" 2>/dev/null ||
    windows=$?
  # The braces take bash's own notice of an abort off the terminal.
  { build/default/app/kelvarin "$example" >"$report.linux"; } 2>/dev/null || linux=$?
  # GNU sed's -z reads the report as one piece, so only line feeds change.
  sed -z 's/\n/\r\n/g' "$report.linux" | cmp - "$report.windows" ||
    fail "$name: the report of kelvarin.exe differs from the Linux report with CR LF ($report.*)"
  [ $((windows == 0)) -eq $((linux == 0)) ] ||
    fail "$name: kelvarin.exe ended with status $windows, the Linux kelvarin with $linux"
  say "$name: the same report, status $windows on Windows and $linux on Linux"
done

# kelvarin-table.exe and kelvarin-graph.exe against the Linux programs.
tools/windows-companions.sh "$unpacked"
say "OK: $zip holds kelvarin.exe, its manual, README.txt, LICENSE.txt and ${#examples[@]}" \
  "example(s); the unpacked kelvarin.exe passes the end-to-end cases and reports each" \
  "example as the Linux build does"
