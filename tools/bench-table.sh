#!/usr/bin/env bash
# Measures kelvarin-table on many groups: 10,000 generated data files of 20
# players (a fixed seed; made under build/bench/table, never committed),
# against cat of the same files, a shell loop that runs kelvarin once per
# file, and a short numpy script that computes the same figures
# (tools/bench/table.py). Prints the median wall time of each way over
# BENCH_RUNS runs (default 5; the shell loop runs once), and the median processor
# time and the peak resident
# memory of kelvarin-table on 1,000 and on 10,000 files, which must not grow
# with the number of files. Then the Python module's analyse_files(paths,
# jobs=2), the call and its whole process, against kelvarin-table --jobs 2
# on the first 5,000 files (when make python has built the module). Then the time per file of kelvarin-table under
# node, the page's program as make page builds it, against the native one:
# the time of 5,000 files less that of 500, over the 4,500 between, which
# leaves out node's start. It checks nothing; the figures depend on the
# machine.
set -euo pipefail
cd "$(dirname "$0")/.."
# Debian's numpy, for Debian's own python3.
tools/setup.sh time python3-numpy
python=/usr/bin/python3

out=build/bench/table
runs=${BENCH_RUNS:-5}
files=10000
players=20
# The preset bench-default, the release build that tools/bench.sh measures.
cmake --preset bench-default >/dev/null
cmake --build build/bench/default --target kelvarin kelvarin-table -j "$(nproc)" >/dev/null
kelvarin=build/bench/default/app/kelvarin
table=build/bench/default/table/kelvarin-table

# The data files: values from 0 to 1 with five decimals, as a rater writes them.
if [ ! -f "$out/data/done-$files" ]; then
  rm -rf "$out/data"
  mkdir -p "$out/data"
  awk -v files=$files -v players=$players -v dir="$out/data" 'BEGIN {
    srand(17)
    for (f = 1; f <= files; f++) {
      name = sprintf("%s/group%05d.dat", dir, f)
      printf "Generated group %d of %d players\n%d\n", f, players, players > name
      for (r = 1; r <= players; r++) {
        line = ""
        for (c = 1; c <= players; c++) {
          line = line sprintf(c == 1 ? "%.5f" : " %.5f", rand())
        }
        print line > name
      }
      close(name)
    }
  }'
  touch "$out/data/done-$files"
fi
find "$out/data" -name '*.dat' | sort >"$out/list-$files"
for count in 500 1000 5000; do
  head -n $count "$out/list-$files" >"$out/list-$count"
done
list=$out/list-$files
bytes=$(xargs -a "$list" cat | wc -c)

# The wall and the processor (user and system) seconds of one run of the
# command; the processor time is less disturbed by other work on the machine.
seconds() {
  local TIMEFORMAT='%R %U %S'
  { time "$@" >/dev/null 2>&1 || true; } 2>&1 | awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }'
}
# The medians of runs runs: wall seconds, then processor seconds.
median() {
  local i
  for ((i = 0; i < runs; i++)); do
    seconds "$@"
  done >"$out/times"
  echo "$(sort -n -k 1 "$out/times" | sed -n "$((runs / 2 + 1))p" | cut -d ' ' -f 1)" \
    "$(sort -n -k 2 "$out/times" | sed -n "$((runs / 2 + 1))p" | cut -d ' ' -f 2)"
}
shell_loop() {
  local file
  while read -r file; do
    "$kelvarin" "$file" >/dev/null 2>&1 || true
  done <"$list"
}
numpy_script() { "$python" tools/bench/table.py <"$list"; }
peak_kib() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1fx", a / b }'; }

xargs -a "$list" cat >/dev/null # the files into the page cache
read -r cat_s cat_cpu < <(median xargs -a "$list" cat)
read -r table_s table_cpu < <(median "$table" --files-from "$list")
read -r jobs_s jobs_cpu < <(median "$table" --jobs 2 --files-from "$list")
read -r numpy_s numpy_cpu < <(median numpy_script)
read -r loop_s loop_cpu < <(seconds shell_loop)

echo "$files files of $players players, $bytes bytes; medians of $runs runs (the shell loop: 1)"
row() { printf '%-46s %8s %7s %8s %7s\n' "$@"; }
way() { row "$1" "$2" "$(ratio "$2" "$cat_s")" "$3" "$(ratio "$3" "$cat_cpu")"; }
row way "wall s" "x cat" "cpu s" "x cat"
row "cat of all files" "$cat_s" "" "$cat_cpu" ""
way "a shell loop running kelvarin once per file" "$loop_s" "$loop_cpu"
way "numpy script (tools/bench/table.py)" "$numpy_s" "$numpy_cpu"
way "kelvarin-table --files-from" "$table_s" "$table_cpu"
way "kelvarin-table --jobs 2 --files-from" "$jobs_s" "$jobs_cpu"
echo "kelvarin-table peak resident memory:" \
  "$(peak_kib "$table" --files-from "$out/list-1000") KiB on 1000 files," \
  "$(peak_kib "$table" --files-from "$list") KiB on $files files"

# The Python module's analyse_files(paths, jobs=2) against kelvarin-table
# --jobs 2 on the same 5,000 files: the call alone (tools/bench/analyse_files.py
# times it), and its whole process with Python's start and numpy's import,
# when make python has built the module.
venv_python=build/python/venv/bin/python
if [ -x "$venv_python" ]; then
  py_call() { "$venv_python" tools/bench/analyse_files.py 2 "$out/list-5000"; }
  for ((i = 0; i < runs; i++)); do py_call; done >"$out/times"
  call_s=$(sort -n -k 1 "$out/times" | sed -n "$((runs / 2 + 1))p" | cut -d ' ' -f 1)
  call_cpu=$(sort -n -k 2 "$out/times" | sed -n "$((runs / 2 + 1))p" | cut -d ' ' -f 2)
  read -r py_s py_cpu < <(median py_call)
  read -r jobs5_s jobs5_cpu < <(median "$table" --jobs 2 --files-from "$out/list-5000")
  echo "5000 files of $players players on 2 threads (medians of $runs runs)"
  row way "wall s" "x table" "cpu s" "x table"
  row "kelvarin-table --jobs 2 --files-from" "$jobs5_s" "" "$jobs5_cpu" ""
  row "kelvarin.analyse_files(paths, jobs=2)" "$call_s" "$(ratio "$call_s" "$jobs5_s")" \
    "$call_cpu" "$(ratio "$call_cpu" "$jobs5_cpu")"
  row "the same, its process (Python, numpy)" "$py_s" "$(ratio "$py_s" "$jobs5_s")" \
    "$py_cpu" "$(ratio "$py_cpu" "$jobs5_cpu")"
else
  echo "the Python module is not built (make python): analyse_files is not measured"
fi

# Microseconds per file: the difference of two medians over the difference
# of the files' counts.
per_file() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", (b - a) * 1e6 / 4500 }'; }
node_table=build/web/node/kelvarin-table.js
# Emscripten's tools need Debian's node packages (acorn).
NODE_PATH=/usr/share/nodejs cmake --build --preset web --target kelvarin-table >/dev/null
read -r small_s small_cpu < <(median "$table" --files-from "$out/list-500")
read -r large_s large_cpu < <(median "$table" --files-from "$out/list-5000")
read -r node_small_s node_small_cpu < <(median node "$node_table" --files-from "$out/list-500")
read -r node_large_s node_large_cpu < <(median node "$node_table" --files-from "$out/list-5000")
native_us=$(per_file "$small_s" "$large_s") native_cpu_us=$(per_file "$small_cpu" "$large_cpu")
node_us=$(per_file "$node_small_s" "$node_large_s")
node_cpu_us=$(per_file "$node_small_cpu" "$node_large_cpu")
echo "kelvarin-table per file, 5000 files less 500 (medians of $runs runs; node's start left out)"
row program "wall us" "x native" "cpu us" "x native"
row "native kelvarin-table" "$native_us" "" "$native_cpu_us" ""
row "node $node_table" "$node_us" "$(ratio "$node_us" "$native_us")" \
  "$node_cpu_us" "$(ratio "$node_cpu_us" "$native_cpu_us")"

# --perturb: 1,000 draws of the 20-player example on one thread, timed over
# the file given 20 times, less the same run without --perturb; in
# milliseconds per file.
twenty=()
for ((i = 0; i < 20; i++)); do
  twenty+=(examples/group20.dat)
done
read -r plain_s plain_cpu < <(median "$table" "${twenty[@]}")
read -r drawn_s drawn_cpu < <(median "$table" --perturb=0.005 --draws=1000 "${twenty[@]}")
per_draws() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", (b - a) * 1000 / 20 }'; }
echo "kelvarin-table --perturb=0.005, 1000 draws of examples/group20.dat (medians of $runs runs," \
  "20 files less the same without --perturb)"
row "" "wall ms" "" "cpu ms" ""
row "1000 draws of a 20-player group" "$(per_draws "$plain_s" "$drawn_s")" "" \
  "$(per_draws "$plain_cpu" "$drawn_cpu")" ""
