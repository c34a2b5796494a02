#!/usr/bin/env bash
# Checks kelvarin-table.exe and kelvarin-graph.exe in the unpacked Windows
# download against the Linux programs of the preset default, which
# tools/windows.sh builds before it calls this with the unpacked folder, wine
# set up. The folder must hold each program and its manual, and each, run
# from the folder as README.txt shows, must write the Linux program's output
# and standard error with CR LF line ends, byte for byte, with the same exit
# status:
#   kelvarin-table  the examples' file table, --players and --json;
#   kelvarin-table  also a list of files with a missing one, a description in
#                   Windows-1252 and a solve that overflows, as CSV and JSON;
#   kelvarin-graph  each example, a description with quotes, backslashes and
#                   bytes that are not UTF-8, and a file that cannot be read.
set -euo pipefail
cd "$(dirname "$0")/.."
unpacked=$1
work=$(dirname "$unpacked")/companions
linux=$PWD/build/default

say() { echo "windows: $*"; }
fail() {
  say "FAIL: $*" >&2
  exit 1
}

for program in kelvarin-table kelvarin-graph; do
  for file in $program.exe $program.html; do
    [ -f "$unpacked/$file" ] || fail "the download lacks $file"
  done
  ! grep -q /usr/share "$unpacked/$program.html" || fail "$program.html names Linux paths"
done
cmake --build --preset default --target kelvarin-table kelvarin-graph -j "$(nproc)" >/dev/null

# Run NAME.exe under wine and the Linux program PATH, both in FOLDER with the
# arguments after them, and compare their output, standard error and status.
# WHAT names the run in messages.
compare() {
  local what=$1 folder=$2 name=$3 path=$4
  shift 4
  local windows_status=0 linux_status=0 stream
  (cd "$folder" && wine "$unpacked/$name.exe" "$@") >"$work/out.windows" \
    2>"$work/err.windows" || windows_status=$?
  (cd "$folder" && "$path" "$@") >"$work/out.linux" 2>"$work/err.linux" || linux_status=$?
  for stream in out err; do
    # GNU sed's -z reads the text as one piece, so only line feeds change.
    sed -z 's/\n/\r\n/g' "$work/$stream.linux" | cmp -s - "$work/$stream.windows" || {
      cp "$work/$stream.windows" "$work/$what.$stream.windows"
      cp "$work/$stream.linux" "$work/$what.$stream.linux"
      fail "$what: $name.exe's standard $stream differs from Linux's with CR LF ($work/$what.*)"
    }
  done
  [ "$windows_status" -eq "$linux_status" ] ||
    fail "$what: $name.exe ended with status $windows_status, Linux's with $linux_status"
  say "$what: the same output and diagnostics as on Linux, with CR LF, status $windows_status"
}

rm -rf "$work"
mkdir -p "$work/files"
# The names with "/", which Windows takes as "\", so that the file column is
# the same on both.
examples=()
for example in "$unpacked"/examples/*.dat; do
  examples+=("examples/$(basename "$example")")
done
compare "kelvarin-table" "$unpacked" kelvarin-table "$linux/table/kelvarin-table" "${examples[@]}"
for form in players json; do
  compare "kelvarin-table --$form" "$unpacked" kelvarin-table "$linux/table/kelvarin-table" \
    "--$form" "${examples[@]}"
done

# The files sit in one folder and are named without one, so that the
# diagnostics' file names are the same on both.
cp "$unpacked"/examples/*.dat "$work/files/"
printf 'Say "hi" {\\N} \xff\xc3( \\\n2\n1 -0.5\n0.25 1\n' >"$work/files/hostile.dat"
printf 'Decimal comma\n2\n1 0,5\n0.5 1\n' >"$work/files/comma.dat"
printf 'Gruppe M\xfcller\n2\n1 0.5\n0.5 1\n' >"$work/files/ansi.dat"
cp tests/cases/inverse_overflow/input "$work/files/overflow.dat"
(cd "$work/files" && ls -- *.dat) >"$work/files/list"
compare "kelvarin-table, a list with a missing file" "$work/files" kelvarin-table \
  "$linux/table/kelvarin-table" --files-from=list missing.dat
compare "kelvarin-table --json, a list" "$work/files" kelvarin-table \
  "$linux/table/kelvarin-table" --json --files-from list
for file in "$work"/files/*.dat; do
  name=$(basename "$file")
  compare "kelvarin-graph $name" "$work/files" kelvarin-graph "$linux/graph/kelvarin-graph" "$name"
done
