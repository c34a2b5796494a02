#!/usr/bin/env bash
# Checks kelvarin-table.exe in the unpacked Windows download; tools/windows.sh
# calls it with the unpacked folder, wine set up. The folder must hold the
# program and its manual, and the program's tables of the examples (the file
# table, --players and --json), run from the folder as README.txt shows, must
# be the Linux kelvarin-table's tables of the same files with CR LF line
# ends, byte for byte, with the same exit status.
set -euo pipefail
cd "$(dirname "$0")/.."
unpacked=$1
linux=build/windows/linux-table

say() { echo "windows: $*"; }
fail() {
  say "FAIL: $*" >&2
  exit 1
}

for file in kelvarin-table.exe kelvarin-table.html; do
  [ -f "$unpacked/$file" ] || fail "the download lacks $file"
done
! grep -q /usr/share "$unpacked/kelvarin-table.html" || fail "kelvarin-table.html names Linux paths"

cmake -S . -B "$linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVARIN_TESTS=OFF >/dev/null
cmake --build "$linux" --target kelvarin-table -j "$(nproc)" >/dev/null
linux_table=$PWD/$linux/table/kelvarin-table

# The names with "/", which Windows takes as "\", so that the file column is
# the same on both.
examples=()
for example in "$unpacked"/examples/*.dat; do
  examples+=("examples/$(basename "$example")")
done
tables=$(dirname "$unpacked")/tables
mkdir -p "$tables"
for form in files players json; do
  options=()
  [ $form = files ] || options=("--$form")
  windows_status=0
  (cd "$unpacked" && wine kelvarin-table.exe "${options[@]}" "${examples[@]}") \
    >"$tables/$form.windows" || windows_status=$?
  linux_status=0
  (cd "$unpacked" && "$linux_table" "${options[@]}" "${examples[@]}") >"$tables/$form.linux" ||
    linux_status=$?
  sed -z 's/\n/\r\n/g' "$tables/$form.linux" >"$tables/$form.expected"
  cmp "$tables/$form.expected" "$tables/$form.windows" ||
    fail "the $form table of kelvarin-table.exe differs from the Linux one with CR LF" \
      "($tables/$form.expected, $tables/$form.windows)"
  [ "$windows_status" -eq "$linux_status" ] ||
    fail "kelvarin-table.exe ($form) ended with status $windows_status, Linux's with $linux_status"
  say "kelvarin-table.exe: the same $form table as on Linux ($(wc -l <"$tables/$form.windows")" \
    "lines with CR LF), status $windows_status"
done
