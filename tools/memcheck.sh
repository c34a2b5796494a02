#!/usr/bin/env bash
# Runs the program under valgrind's memcheck over every bundled example and
# every end-to-end case that completes (its status file says 0), and fails on
# any memory error or leak.
#
#   tools/memcheck.sh [EXECUTABLE]   default: build/default/app/kelvarin
#
# A case runs in its own folder with the arguments in its args file, one per
# line, or else with its input file. The program's own statuses are 0 and 1;
# memcheck's is 99 and any other status fails as well.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
program="$(realpath "${1:-$root/build/default/app/kelvarin}")"
if [ ! -x "$program" ]; then
  echo "memcheck: no executable at $program (build it first)" >&2
  exit 1
fi
command -v valgrind >/dev/null || "$root/tools/setup.sh" valgrind

log="$(mktemp)"
err="$(mktemp)"
trap 'rm -f "$log" "$err"' EXIT
runs=0
failures=0

# Run the program under memcheck with the given arguments in the current
# folder. Its own output is not checked here, only memcheck's verdict, which
# counts leaks as errors. A run that ends in GSL's abort for a singular matrix
# (an example may show it) ends as intended: memcheck has still watched it up
# to the abort, where it must have found no invalid access; an aborted process
# frees nothing, so what its leak check calls lost is not held against it.
access_errors='Invalid (read|write|free)|uninitialised|Mismatched free|overlap|Syscall param'
check() {
  local name="$1" status=0
  shift
  runs=$((runs + 1))
  # The braces take the shell's own note of a signal off the output.
  {
    valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
      --errors-for-leak-kinds=definite,indirect,possible --log-file="$log" \
      "$program" "$@" >/dev/null 2>"$err"
  } 2>/dev/null || status=$?
  local clean=0
  grep -q 'ERROR SUMMARY: 0 errors' "$log" && clean=1
  if [ "$clean" -eq 1 ] && { [ "$status" -eq 0 ] || [ "$status" -eq 1 ]; }; then
    echo "memcheck: ok    $name"
  elif [ "$status" -eq 134 ] && ! grep -qE "$access_errors" "$log" &&
    grep -q 'ERROR: matrix is singular' "$err" &&
    grep -q 'Default GSL error handler invoked.' "$err"; then
    echo "memcheck: ok    $name (ends in GSL's abort for a singular matrix)"
  else
    failures=$((failures + 1))
    echo "memcheck: FAIL  $name (status $status)"
    grep -E '^==[0-9]+== ' "$log" | grep -vE 'Memcheck, a|Copyright|Using Valgrind|Command:|Parent PID' |
      sed 's/^/    /'
  fi
}

for example in "$root"/examples/*.dat; do
  [ -f "$example" ] || continue
  check "examples/$(basename "$example")" "$example"
done

for folder in "$root"/tests/cases/*/; do
  [ -f "$folder/status" ] || continue
  [ "$(tr -d '[:space:]' <"$folder/status")" = 0 ] || continue
  args=(input)
  if [ -f "$folder/args" ]; then
    mapfile -t args <"$folder/args"
  fi
  pushd "$folder" >/dev/null
  check "tests/cases/$(basename "$folder")" "${args[@]}"
  popd >/dev/null
done

if [ "$failures" -ne 0 ]; then
  echo "memcheck: $failures of $runs runs with memory errors or leaks" >&2
  exit 1
fi
echo "memcheck: $runs runs, no memory error and no leak"
