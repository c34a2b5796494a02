#!/usr/bin/env bash
# Runs the program where its surroundings fail it, and checks that no report
# is lost or passed off as complete:
#   a full disk and a closed standard output      (status 1, reported)
#   a data file that is a FIFO                    (read once, report complete)
#   a number of 100 million digits in 64 MiB      (read in bounded memory)
#   each allocation of a run failing in turn      (no crash, no false success)
# Usage: conditions_test.sh <program> <cases folder> [<failing allocator>]
# Without an allocator, the memory limit and the failing allocations are left
# out: a sanitizer's runtime reserves far more address space than the limit,
# and a preloaded allocator reaches neither it nor a static program.
set -uo pipefail
program=$1
cases=$2
allocator=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

triad=$cases/triad/input
report=$(cat "$cases/triad/stdout")
version=$("$program" --version | sed -n '1s/.* //p')
printf '\nKelvarin error: Error writing the report. \n\n\nExiting: Kelvarin ver. %s (Quorvane).\n\n' \
  "$version" >"$work/write_error"

# A report that cannot be written is an error, not a success.
for command in "$triad" "-?"; do
  for redirect in full closed; do
    if [ $redirect = full ]; then
      "$program" "$command" >/dev/full 2>"$work/err"
    else
      "$program" "$command" >&- 2>"$work/err"
    fi
    status=$?
    [ $status -eq 1 ] || fail "$command with stdout $redirect: status $status, not 1"
    cmp -s "$work/err" "$work/write_error" ||
      fail "$command with stdout $redirect: standard error was: $(cat "$work/err")"
  done
done

# A FIFO delivers its data once: the file must be opened only once. A second
# open would wait forever for a writer that has already finished; the shell's
# own printf finishes that fast about every other time, so the run is repeated.
mkfifo "$work/fifo"
data=$(cat "$triad")
for attempt in 1 2 3 4 5; do
  printf '%s\n' "$data" >"$work/fifo" &
  out=$(timeout 10 "$program" "$work/fifo" 2>"$work/err")
  status=$?
  wait
  if [ $status -ne 0 ] || [ "$out" != "$report" ] || [ -s "$work/err" ]; then
    fail "FIFO data file, attempt $attempt: status $status; standard error: $(cat "$work/err")"
    break
  fi
done

if [ -n "$allocator" ]; then
  # 1.000... with 100 million zeros reads as 1 within a 64 MiB address space.
  printf 'Long number\n2\n1 0.5\n0.5 1\n' >"$work/short"
  expected=$("$program" "$work/short")
  mkfifo "$work/long"
  {
    printf 'Long number\n2\n1.'
    head -c 100000000 /dev/zero | tr '\0' 0
    printf ' 0.5\n0.5 1\n'
  } >"$work/long" &
  out=$(ulimit -v 65536 && "$program" "$work/long" 2>"$work/err")
  status=$?
  [ $status -eq 0 ] && [ "$out" = "$expected" ] ||
    fail "number of 100 million digits: status $status; standard error: $(cat "$work/err")"

  # One allocation fails, each in its turn: the run reports it or is not
  # touched by it, and what it printed is a beginning of the report.
  reported=0
  for nth in $(seq 1 60); do
    out=$(LD_PRELOAD=$allocator KELVARIN_FAIL_ALLOCATION=$nth "$program" "$triad" 2>"$work/err")
    status=$?
    case $status in
      0) [ "$out" = "$report" ] && [ ! -s "$work/err" ] ||
           fail "allocation $nth failing: status 0 but the report differs" ;;
      1) reported=$((reported + 1))
         [ "${report#"$out"}" != "$report" ] || [ -z "$out" ] ||
           fail "allocation $nth failing: the output is not a beginning of the report"
         grep -q '^Kelvarin error: ' "$work/err" ||
           fail "allocation $nth failing: no error report: $(cat "$work/err")"
         # A file that exists but cannot be opened is not said to be missing.
         ! grep -q '^Kelvarin error: Data file not found' "$work/err" ||
           grep -q "^kelvarin: error: cannot open '.*': out of memory\$" "$work/err" ||
           fail "allocation $nth failing: open failure without its reason: $(cat "$work/err")" ;;
      *) fail "allocation $nth failing: status $status: $(cat "$work/err")" ;;
    esac
  done
  [ $reported -gt 0 ] || fail "no failing allocation was reported"
  echo "failing allocations: $reported of 60 runs reported one"
fi

[ $failures -eq 0 ] && echo "all conditions handled" || exit 1
