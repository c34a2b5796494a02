#!/usr/bin/env bash
# Measures what one run of examples/group20.dat costs: instructions counted by
# callgrind, peak resident memory from /usr/bin/time, and the median wall time
# of paired runs, for kelvarin and for the bare read-solve-print program of
# tools/bench/bare.c, each linked as the default build and fully static.
# Prints a table with kelvarin's ratios to the bare program. It checks nothing
# and fails nothing but a build; the figures depend on the machine.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh valgrind time

out=build/bench
data=examples/group20.dat
pairs=${BENCH_PAIRS:-200}
mkdir -p "$out"

# The presets bench-default and bench-static.
for kind in default static; do
  cmake --preset "bench-$kind" >/dev/null
  cmake --build "$out/$kind" --target kelvarin -j "$(nproc)" >/dev/null
done
cc -O2 -o "$out/bare-default" tools/bench/bare.c -lgsl -lgslcblas -lm
cc -O2 -static -o "$out/bare-static" tools/bench/bare.c -lgsl -lgslcblas -lm

instructions() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
    sed -n 's/.*Collected : *\([0-9]*\).*/\1/p'
}
# Peak resident memory varies from run to run by a few pages: the median of 11.
peak_kib() {
  local i
  for i in {1..11}; do
    /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1
  done | sort -n | sed -n 6p
}
# Median wall time in microseconds of kelvarin and of bare, run in turns.
median_pair() {
  local program=$1 bare=$2 i t0 t1 t2
  local -a mine=() theirs=()
  for ((i = 0; i < pairs; i++)); do
    t0=${EPOCHREALTIME/./}
    "$bare" "$data" >/dev/null
    t1=${EPOCHREALTIME/./}
    "$program" "$data" >/dev/null
    t2=${EPOCHREALTIME/./}
    theirs+=($((t1 - t0)))
    mine+=($((t2 - t1)))
  done
  printf '%s\n' "${mine[@]}" | sort -n | sed -n "$((pairs / 2 + 1))p"
  printf '%s\n' "${theirs[@]}" | sort -n | sed -n "$((pairs / 2 + 1))p"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2fx", a / b }'; }

printf '%-9s %-8s %12s %8s %10s %8s %11s %8s\n' build program instructions ratio \
  "peak KiB" ratio "median us" ratio
for kind in default static; do
  kelvarin=$out/$kind/app/kelvarin
  bare=$out/bare-$kind
  ki=$(instructions "$kelvarin" "$data")
  bi=$(instructions "$bare" "$data")
  km=$(peak_kib "$kelvarin" "$data")
  bm=$(peak_kib "$bare" "$data")
  read -r kt bt < <(median_pair "$kelvarin" "$bare" | paste -s -d ' ')
  printf '%-9s %-8s %12s %8s %10s %8s %11s %8s\n' "$kind" bare "$bi" "" "$bm" "" "$bt" ""
  printf '%-9s %-8s %12s %8s %10s %8s %11s %8s\n' "$kind" kelvarin "$ki" "$(ratio "$ki" "$bi")" \
    "$km" "$(ratio "$km" "$bm")" "$kt" "$(ratio "$kt" "$bt")"
done
