#!/usr/bin/env bash
# Checks kelvarin-table --xlsx: its workbook, read back by openpyxl, by R's
# readxl and by LibreOffice (one headless instance a run), holds
# cell for cell what the CSV tables and the JSON lines of the same files
# hold (tests/workbook_cells.py), for a table that mixes ok, warning,
# singular, not_finite and error rows, descriptions in seven scripts and
# ones a spreadsheet would take for a formula, a number, a date or a
# boolean, and file names with an equals sign, quotes and a comma. Then:
# the same bytes with --jobs; nothing on standard output; a workbook that
# cannot be written is status 1 with the reason, and leaves the file that
# stood under its name as it was.
# With KELVARIN_WORKBOOK_OTHER, a command that runs another build's
# kelvarin-table ("wine .../kelvarin-table.exe", "node .../kelvarin-table.js"),
# that program's workbook of the same files must be the same bytes (the
# files whose names Windows refuses left out of both).
# Usage: table_workbook_test.sh <kelvarin-table> <cases folder> <python3>
#          [<Rscript>] [<soffice>]
set -uo pipefail
program=$(realpath "$1")
cases=$(realpath "$2")
python=$3
rscript=${4:-}
soffice=${5:-}
here=$(cd "$(dirname "$0")" && pwd)
table=("$program")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

mkdir "$work/files"
cd "$work/files" || exit 1
triad='3\n1 0.5 0.25\n0.5 1 0.75\n0.25 0.5 1\n'
group() {
  printf "%s\n$2" "$1" >"$3"
}
group '=SUM(A1)' "$triad" '=SUM(A1).dat'
group '=HYPERLINK("#groups!A1","click")' "${triad}7\n" 'team "B".dat'
printf '\357\273\277Gruppe M\303\274ller\n3\n1 0.5 0.25\n0 0 0.75\n0.25 0.5 0.9\n' >'Gruppe Müller, Welle 2.dat'
n=0
for description in 'Ομάδα Άλφα' 'Группа Б' '北京小组' 'مجموعة أ' 'קבוצה ב' 'समूह क' 'チーム東京' \
  007 2024-03-05 TRUE inf 1e5 '_x0041_ stays' ' a leading blank' $'a tab\there' "'quoted'" '@cell' '-1+2'; do
  n=$((n + 1))
  group "$description" "$triad" "description $n.dat"
done
printf 'Zesp\363\263 \243ukasiewicz\n2\n1 0\n0 1\n' >windows-1250.dat
cp "$cases/inverse_overflow/input" not_finite.dat
cp "$cases/value_not_a_number/input" error.dat
files=(*.dat missing.dat)

"${table[@]}" "${files[@]}" >"$work/groups.csv" 2>/dev/null
"${table[@]}" --players "${files[@]}" >"$work/players.csv" 2>/dev/null
"${table[@]}" --json "${files[@]}" >"$work/groups.jsonl" 2>/dev/null
"${table[@]}" --xlsx="$work/table.xlsx" "${files[@]}" >"$work/out" 2>"$work/err"
status=$?
[ $status -eq 1 ] && [ ! -s "$work/out" ] ||
  fail "--xlsx: status $status, standard output of $(wc -c <"$work/out") bytes"
grep -q '^kelvarin-table: warning: 4 of 25 files were not analysed: 2 error, 1 singular, 1 not_finite; see the status column$' "$work/err" ||
  fail "--xlsx: standard error: $(cat "$work/err")"
[ "$(ls -A "$work")" = "$(printf 'err\nfiles\ngroups.csv\ngroups.jsonl\nout\nplayers.csv\ntable.xlsx')" ] ||
  fail "--xlsx left other files: $(ls -A "$work")"
"${table[@]}" --jobs=3 --xlsx="$work/jobs.xlsx" "${files[@]}" 2>/dev/null
cmp -s "$work/table.xlsx" "$work/jobs.xlsx" || fail "--jobs=3 writes other bytes"
rm -f "$work/jobs.xlsx"
[ -z "${KELVARIN_WORKBOOK_KEEP:-}" ] || cp "$work/table.xlsx" "$KELVARIN_WORKBOOK_KEEP"

"$python" "$here/workbook_cells.py" "$work" openpyxl || fail "openpyxl"

# With --perturb, the sheets have its columns, cell for cell the CSV's.
mkdir "$work/perturbed"
perturb=(--perturb=0.01 --draws=50)
"${table[@]}" "${perturb[@]}" "${files[@]}" >"$work/perturbed/groups.csv" 2>/dev/null
"${table[@]}" "${perturb[@]}" --players "${files[@]}" >"$work/perturbed/players.csv" 2>/dev/null
"${table[@]}" "${perturb[@]}" --json "${files[@]}" >"$work/perturbed/groups.jsonl" 2>/dev/null
"${table[@]}" "${perturb[@]}" --xlsx="$work/perturbed/table.xlsx" "${files[@]}" 2>/dev/null
"$python" "$here/workbook_cells.py" "$work/perturbed" openpyxl || fail "openpyxl, with --perturb"

if [ -n "${KELVARIN_WORKBOOK_OTHER:-}" ]; then
  read -ra other <<<"$KELVARIN_WORKBOOK_OTHER"
  portable=()
  for file in "${files[@]}"; do
    [[ $file == *'"'* ]] || portable+=("$file")
  done
  "${table[@]}" --xlsx="$work/linux.xlsx" "${portable[@]}" 2>/dev/null
  "${other[@]}" --xlsx="$work/other.xlsx" "${portable[@]}" >"$work/out" 2>/dev/null
  status=$?
  [ $status -eq 1 ] && [ ! -s "$work/out" ] && cmp "$work/linux.xlsx" "$work/other.xlsx" ||
    fail "${other[*]}: status $status, another workbook than Linux's"
  rm -f "$work/linux.xlsx" "$work/other.xlsx"
fi

if [ -n "$rscript" ]; then
  cat >"$work/cells.R" <<'EOF'
# Every cell of every sheet as "SHEET ROW COLUMN TYPE VALUE": a number as
# %.17g, a text as the hexadecimal of its UTF-8 bytes.
library(readxl)
arguments <- commandArgs(trailingOnly = TRUE)
out <- file(arguments[2], "w")
for (sheet in c("groups", "players", "diagnostics")) {
  cells <- read_excel(arguments[1], sheet = sheet, col_names = FALSE, col_types = "list",
                      trim_ws = FALSE, .name_repair = "minimal")
  for (j in seq_along(cells)) {
    for (i in seq_len(nrow(cells))) {
      v <- cells[[j]][[i]]
      if (is.logical(v) && is.na(v)) next
      if (is.numeric(v)) {
        kind <- "numeric"
        text <- sprintf("%.17g", v)
      } else if (is.logical(v)) {
        kind <- "logical"
        text <- if (v) "TRUE" else "FALSE"
      } else {
        kind <- "text"
        text <- paste(sprintf("%02x", as.integer(charToRaw(enc2utf8(v)))), collapse = "")
      }
      writeLines(paste(sheet, i, j, kind, text, sep = "\t"), out)
    }
  }
}
close(out)
EOF
  "$rscript" "$work/cells.R" "$work/table.xlsx" "$work/readxl.tsv" &&
    "$python" "$here/workbook_cells.py" "$work" readxl "$work/readxl.tsv" || fail "readxl"
fi

if [ -n "$soffice" ]; then
  # One headless instance, with a profile of its own, reads every cell
  # through UNO: Calc's exports round numbers to 15 digits.
  "$python" "$here/libreoffice_cells.py" "$soffice" "$work/table.xlsx" "$work/libreoffice.tsv" \
    "$work/profile" && "$python" "$here/workbook_cells.py" "$work" LibreOffice \
    "$work/libreoffice.tsv" || fail "LibreOffice"
fi

# A workbook that cannot be written: status 1 with the reason, and the file
# under its name as it was, whether the folder is missing or the workbook
# cannot be put in the place of what stands there.
"${table[@]}" --xlsx="$work/no/such/folder.xlsx" "${files[0]}" >"$work/out" 2>"$work/err"
status=$?
[ $status -eq 1 ] && [ "$(cat "$work/err")" = "kelvarin-table: error: cannot write the workbook '$work/no/such/folder.xlsx': no such file" ] ||
  fail "a missing folder: status $status: $(cat "$work/err")"
mkdir "$work/folder.xlsx"
"${table[@]}" --xlsx="$work/folder.xlsx" "${files[0]}" >"$work/out" 2>"$work/err"
status=$?
[ $status -eq 1 ] && [ -d "$work/folder.xlsx" ] && [ "$(ls -A "$work" | grep -c -e '^\.kelvarin-' -e partial)" = 0 ] &&
  grep -q "^kelvarin-table: error: cannot write the workbook '$work/folder.xlsx': " "$work/err" ||
  fail "a folder in the way: status $status: $(cat "$work/err"); $(ls -A "$work")"

[ $failures -eq 0 ] || exit 1
echo "kelvarin-table --xlsx: the workbook read back as the CSV by every reader; its failures said"
