#!/usr/bin/env bash
# Checks kelvarin-graph.exe in the unpacked Windows download; tools/windows.sh
# calls it with the unpacked folder, wine set up. The folder must hold the
# program and its manual, and the program, run from the folder, must write
# the Linux kelvarin-graph's graph and standard error with CR LF line ends,
# byte for byte, with the same exit status: for each example, for a
# description with quotes, backslashes and bytes that are not UTF-8, and for
# a file that cannot be read.
set -euo pipefail
cd "$(dirname "$0")/.."
unpacked=$1
linux=build/windows/linux-graph

say() { echo "windows: $*"; }
fail() {
  say "FAIL: $*" >&2
  exit 1
}

for file in kelvarin-graph.exe kelvarin-graph.html; do
  [ -f "$unpacked/$file" ] || fail "the download lacks $file"
done
! grep -q /usr/share "$unpacked/kelvarin-graph.html" || fail "kelvarin-graph.html names Linux paths"

cmake -S . -B "$linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVARIN_TESTS=OFF >/dev/null
cmake --build "$linux" --target kelvarin-graph -j "$(nproc)" >/dev/null
linux_graph=$PWD/$linux/graph/kelvarin-graph

# The files sit in one folder and are named without one, so that the
# diagnostics' file names are the same on both.
graphs=$(dirname "$unpacked")/graphs
rm -rf "$graphs"
mkdir -p "$graphs"
cp "$unpacked"/examples/*.dat "$graphs/"
printf 'Say "hi" {\\N} \xff\xc3( \\\n2\n1 -0.5\n0.25 1\n' >"$graphs/hostile.dat"
printf 'Decimal comma\n2\n1 0,5\n0.5 1\n' >"$graphs/comma.dat"
for file in "$graphs"/*.dat; do
  name=$(basename "$file")
  windows_status=0
  (cd "$graphs" && wine "$unpacked/kelvarin-graph.exe" "$name") >"$file.gv.windows" \
    2>"$file.err.windows" || windows_status=$?
  linux_status=0
  (cd "$graphs" && "$linux_graph" "$name") >"$file.gv.linux" 2>"$file.err.linux" ||
    linux_status=$?
  for stream in gv err; do
    sed -z 's/\n/\r\n/g' "$file.$stream.linux" | cmp - "$file.$stream.windows" ||
      fail "$name: kelvarin-graph.exe's $stream differs from the Linux one with CR LF ($file.*)"
  done
  [ "$windows_status" -eq "$linux_status" ] ||
    fail "$name: kelvarin-graph.exe ended with status $windows_status, Linux's with $linux_status"
  say "kelvarin-graph.exe: $name gives the Linux graph and diagnostics with CR LF," \
    "status $windows_status"
done
