#!/usr/bin/env bash
# Checks that the table's outputs lose nothing, as a table of cases run by a
# careless or unlucky user: each row gives the exit status, the first line
# of standard error (exactly; empty for none), an extended regular
# expression that standard output (its first 4 KiB) must match, a check run
# after it, the one file it may make (removed after it), and the command.
# Around every row, every file and link that stood before must stand after
# byte for byte (checksums), and nothing else may be left (no temporary).
# Standard output is a pipe, standard error a file; a job stopped by a
# signal runs under job control (set -m), for a shell's background job
# ignores SIGINT; the last rows run under script(1), on a pseudo-terminal.
# Usage: table_outputs_test.sh <kelvarin-table> <kelvarin-graph> <examples folder>
set -uo pipefail
table=$(realpath "$1")
graph=$(realpath "$2")
examples=$(realpath "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

cd "$work" || exit 1
cp "$examples/triad.dat" "$examples/group20.dat" .
cp triad.dat a.dat
cp triad.dat in.xlsx
ln in.xlsx hard.dat
printf 'triad.dat\nin.xlsx\n' >list
printf 'Values near the largest float\n2\n1e38 1\n1 1e38\n' >big.dat
mkfifo fifo.xlsx
mkdir folder.xlsx
echo 'the victim' >victim.txt
ln -s victim.txt link.xlsx
mkdir many tmp
for ((i = 100; i < 400; i++)); do
  cp group20.dat "many/g$i.dat"
done
printf '%s\n' many/*.dat >many.list
printf 'Anna\nM\374ller\nCleo\n' >latin1.names
long=$(printf '%0246d.XLSX' 0)
label=$(printf '%040000d' 0)
wide_cell=$(for ((i = 0; i < 16383; i++)); do printf '\360\237\230\200'; done)
wide=$wide_cell$(printf '\360\237\230\200%.0s' {1..17})
ulimit -c 0
# Run a command under a memory limit; in a build with the address
# sanitizer, whose shadow memory no such limit leaves room for, without one
# (the names file's bound refuses /dev/zero all the same).
limited() {
  if grep -q __asan_init "$graph"; then
    "$@"
  else
    (ulimit -v 400000 && exec "$@")
  fi
}

# Every entry as its kind, name and link target, and every file's checksum.
snapshot() {
  {
    find . -mindepth 1 -printf '%y %p %l\n'
    find . -type f -exec sha256sum {} +
  } | sort
}

# The first bytes of a workbook: a zip archive.
workbook() {
  [ "$(head -c 2 "$1")" = PK ]
}

# The label cut to a cell's most, ending in the mark, and the row that says so.
cut_cell() {
  unzip -p "$1" xl/sharedStrings.xml >strings &&
    grep -q '>0\{32766\}…<' strings &&
    grep -q "the file's name is cut to 32767 characters, a cell's most, in groups!A2 " strings
}

# A label of characters beyond U+FFFF, each two of a cell's 32,767 UTF-16
# units: cut after 16,383 of them, never inside one.
cut_wide() {
  unzip -p "$1" xl/sharedStrings.xml >strings &&
    grep -qF ">$wide_cell…<" strings
}
rows=(
  "2|-|kelvarin-table: error: --xlsx needs the workbook's name, which ends in .xlsx as spreadsheets require to open it (or - for standard output), not 'a.dat'||true|\$table --xlsx a.dat group20.dat"
  "1|-|kelvarin-table: error: cannot write the workbook 'in.xlsx': it is the data file 'in.xlsx', which would be lost||true|\$table --xlsx=in.xlsx in.xlsx"
  "1|-|kelvarin-table: error: cannot write the workbook 'in.xlsx': it is the data file 'hard.dat', which would be lost||true|\$table --xlsx=in.xlsx triad.dat hard.dat"
  "1|-|kelvarin-table: error: cannot write the workbook 'in.xlsx': it is the data file 'in.xlsx', which would be lost (list:2:1)||true|\$table --xlsx=in.xlsx --files-from=list"
  "1|-|kelvarin-table: error: cannot write the workbook 'in.xlsx': it is the data file '-', which would be lost||true|\$table --xlsx=in.xlsx - <in.xlsx"
  "1|-|kelvarin-table: error: cannot write the workbook 'fifo.xlsx': it is a FIFO, and only a regular file is replaced||true|\$table --xlsx=fifo.xlsx triad.dat"
  "1|-|kelvarin-table: error: cannot write the workbook 'folder.xlsx': it is a directory||true|\$table --xlsx=folder.xlsx triad.dat"
  "1|-|kelvarin-table: error: cannot write the workbook 'link.xlsx': it is a symbolic link, and only a regular file is replaced||true|\$table --xlsx=link.xlsx triad.dat"
  "1|-|kelvarin-table: error: cannot write the workbook 'none/t.xlsx': no such file||true|\$table --xlsx=none/t.xlsx triad.dat"
  "0|out.xlsx|||workbook out.xlsx|\$table --xlsx=out.xlsx triad.dat"
  "0|-||^PK|true|\$table --xlsx=- triad.dat"
  "0|-||^PK|true|TMPDIR=\$PWD/tmp \$table --xlsx=- triad.dat"
  "0|$long|||workbook $long|\$table --xlsx=$long triad.dat"
  "0|cut.xlsx|||cut_cell cut.xlsx|\$table --xlsx=cut.xlsx --label=\$label triad.dat"
  "0|wide.xlsx|||cut_wide wide.xlsx|\$table --xlsx=wide.xlsx --label=\$wide triad.dat"
  "2|-|kelvarin-graph: error: the names file is longer than 65536 bytes, far more than 20 names need: '/dev/zero'||true|limited \$graph --names-from=/dev/zero triad.dat"
  "2|-|kelvarin-table: error: --jobs needs a whole number from 0 to 256, not 'x'||true|\$table --jobs=x triad.dat"
  "0|-|kelvarin-graph: warning: the name 'M*ller' is not UTF-8; it is drawn as Windows-1252: 'Müller'|^digraph|true|\$graph --names-from=latin1.names triad.dat"
  "2|-|kelvarin-table: error: --perturb needs a D of at most 3.4028234663852886e+38: the drawn values are rounded to single precision, which holds none beyond it; not '1e308'||true|\$table --perturb=1e308 triad.dat"
  "1|-|kelvarin-table: warning: 1 of 2 files was not analysed: 1 error; see the status column|,error,--perturb=3e\+38 is too large for these values|true|\$table --perturb=3e38 big.dat triad.dat"
  "130|-|kelvarin-table: warning: interrupted: * of 300 files written|^file,|whole_rows|set -m; \$table --perturb=0.01 --draws=3000 many/*.dat & sleep 1; kill -INT \$!; wait \$!"
  "130|-|kelvarin-table: warning: interrupted: *|^file,|grep -qE '^kelvarin-table: warning: interrupted: [0-9]+ files written$' err|set -m; \$table --perturb=0.01 --draws=3000 --files-from=many.list & sleep 1; kill -INT \$!; wait \$!"
  "143|-|kelvarin-table: warning: interrupted: * of 300 files analysed, and the workbook is not written||true|set -m; \$table --jobs=2 --perturb=0.01 --draws=3000 --xlsx=stopped.xlsx many/*.dat & sleep 1; kill -TERM \$!; wait \$!"
  "0|-||kelvarin-table: [0-9]+ of 300 files, [0-9]+ draws|erased|script -qec \"\$table --perturb=0.01 --draws=100 many/*.dat >/dev/null\" /dev/null"
  "0|-||kelvarin-table: [0-9]+ files, [0-9]+ draws|erased|script -qec \"\$table --jobs=2 --files-from=many.list --perturb=0.01 --draws=100 >/dev/null\" /dev/null"
  "0|-||kelvarin-table: [0-9]+ of 300 files.\\[K|erased|script -qec \"\$table many/*.dat >/dev/null\" /dev/null"
  "0|-||^file,|true|script -qec \"\$table -q triad.dat\" /dev/null"
  "0|-||||\$table --perturb=0.01 --draws=100 many/*.dat 2>&1 >/dev/null"
  "0|-|||true|script -qec \"\$table -q --perturb=0.01 --draws=100 many/*.dat >/dev/null\" /dev/null"
  "2|-||--xlsx=- writes the workbook to standard output, which is a terminal|true|script -qec \"\$table --xlsx=- triad.dat\" /dev/null"
)

# The CSV in whole rows, as many as the files said written (some): each
# with the header's 22 fields and all 3000 draws, and a line end at its end.
whole_rows() {
  local written
  written=$(sed -n 's/^kelvarin-table: warning: interrupted: \([0-9]*\) of 300 files written$/\1/p' err)
  [ "${written:-0}" -gt 0 ] && [ "$(wc -l <out)" -eq $((written + 1)) ] &&
    [ "$(tail -c 1 out | od -An -c | tr -d ' ')" = '\n' ] &&
    awk -F, 'NF != 22 || (NR > 1 && $16 != 3000) { exit 1 }' out
}

# The progress line drawn and, at the end, erased.
erased() {
  [ "$(tail -c 4 out | od -An -c | tr -s ' ')" = ' \r 033 [ K' ]
}

# Links where a predictable temporary would be: the next processes' ids,
# planted by one process.
next=$(sh -c 'echo $$')
perl -e 'symlink "victim.txt", "out.xlsx.$_.partial" for $ARGV[0] + 2 .. $ARGV[0] + 2000' "$next"

for row in "${rows[@]}"; do
  IFS='|' read -r status new err out_pattern check command <<<"$row"
  snapshot >before
  eval "$command" 2>err | cat >out
  got=${PIPESTATUS[0]}
  first=$(head -n 1 err)
  snapshot >after
  [ "$new" = - ] || [ -e "$new" ] || fail "$command: no $new"
  # What stood before stands as it was; what is new is the row's file alone.
  own=' \./(before|after|out|err|strings)( |$)'
  left=$(comm -13 before after | grep -vE -e "$own" -e " \./$new( |$)")
  changed=$(comm -23 before after | grep -vE -e "$own")
  [ "$got" = "$status" ] || fail "$command: status $got, not $status"
  # shellcheck disable=SC2053 # the expected line may end in a pattern
  [[ $first == $err ]] && { [ -n "$err" ] || [ ! -s err ]; } ||
    fail "$command: standard error: $(cat err)"
  if [ -z "$out_pattern" ]; then
    [ ! -s out ] || fail "$command: standard output: $(head -c 300 out)"
  else
    head -c 4096 out | grep -aqE -e "$out_pattern" || fail "$command: standard output: $(head -c 300 out)"
  fi
  eval "$check" || fail "$command: $check"
  [ -z "$changed" ] || fail "$command: changed or removed: $changed"
  [ -z "$left" ] || fail "$command: left: $left"
  [ "$new" = - ] || rm -f "$new"
done

[ $failures -eq 0 ] || exit 1
echo "kelvarin-table's outputs: ${#rows[@]} cases, nothing lost"
