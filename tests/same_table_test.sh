#!/usr/bin/env bash
# kelvarin-table of another build against the Linux one, byte for byte:
#   same_table_test.sh WORK LINUX_TABLE OTHER_TABLE...
# OTHER_TABLE is a command (node's kelvarin-table.js, or wine with
# kelvarin-table.exe). In WORK, 300 data files are made with a fixed seed:
# 3 to 20 players, values of 1 to 7 decimals between -1 and 1, every 25th
# with a zero row that leaves M singular, every 30th with a decimal comma
# (an error), every 20th with numbers after the last value (a warning). Both
# programs read them all from a list, for the CSV, --players and --json
# tables, which must be the same bytes (CR LF folded to LF), with the same
# standard error and exit status; and so with --perturb, the Linux program
# on one thread and the other on two, and the Linux program on two too.
set -euo pipefail
work=$1 linux=$2
shift 2

fail() {
  echo "same table: FAIL: $*" >&2
  exit 1
}
rm -rf "$work"
mkdir -p "$work/files"
awk -v dir="$work/files" 'BEGIN {
  srand(33)
  for (f = 1; f <= 300; f++) {
    name = sprintf("g%03d.dat", f)
    print name > (dir "/list")
    path = dir "/" name
    n = 3 + int(rand() * 18)
    printf "Generated group %d\n%d\n", f, n > path
    for (r = 1; r <= n; r++) {
      line = ""
      for (c = 1; c <= n; c++) {
        value = sprintf("%." (1 + int(rand() * 7)) "f", rand() * 2 - 1)
        if (f % 25 == 0 && r == 2) value = "0"
        if (f % 30 == 0 && r == 3 && c == 2) sub(/\./, ",", value)
        line = line (c == 1 ? "" : " ") value
      }
      print line > path
    }
    if (f % 20 == 0) print "0.5 0.25" > path
    close(path)
  }
}'
perturb="--perturb=0.005 --draws=200 --seed=35"
for form in "" --players --json "$perturb" "--players $perturb" "--json $perturb"; do
  # The draws are the same on one thread as on two, in each build.
  linux_jobs="" other_jobs=""
  case $form in *--perturb*) linux_jobs=--jobs=1 other_jobs=--jobs=2 ;; esac
  linux_status=0 other_status=0
  (cd "$work/files" && "$linux" $form $linux_jobs --files-from list) >"$work/out.linux" \
    2>"$work/err.linux" || linux_status=$?
  (cd "$work/files" && "$@" $form $other_jobs --files-from list) >"$work/out.other" \
    2>"$work/err.other" || other_status=$?
  for stream in out err; do
    sed -z 's/\r\n/\n/g' "$work/$stream.other" | cmp -s "$work/$stream.linux" - ||
      fail "${form:-the CSV table} $other_jobs: standard $stream differs ($work/$stream.*)"
  done
  [ "$other_status" -eq "$linux_status" ] ||
    fail "${form:-the CSV table}: status $other_status, Linux's $linux_status"
  if [ -n "$other_jobs" ]; then
    (cd "$work/files" && "$linux" $form $other_jobs --files-from list) >"$work/out.jobs" \
      2>/dev/null || true
    cmp -s "$work/out.linux" "$work/out.jobs" || fail "$form: Linux's table with $other_jobs differs"
  fi
done
rows=$(grep -c "^{" "$work/out.linux" || true)
[ "$rows" -eq 300 ] || fail "the JSON table has $rows lines of files, not 300"
echo "same table: the CSV, --players and --json tables of 300 files, with and without --perturb, are Linux's, status $linux_status"
