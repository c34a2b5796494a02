#!/usr/bin/env bash
# Coverage-guided fuzz campaign on the program's data file, then a triage of
# what it found.
#
#   tools/fuzz.sh [SECONDS]   build, fuzz for SECONDS (default 60), triage
#   tools/fuzz.sh --triage    triage the last campaign's findings again
#
# Everything lives in build/fuzz/: afl/ is the executable instrumented by
# AFL++ (with AddressSanitizer and UndefinedBehaviorSanitizer, so that a
# memory or undefined-behaviour fault is a crash too; FUZZ_SANITIZE=0 leaves
# them out), out/ the fuzzer's state, findings/ the inputs the triage keeps.
# The triage runs the plain build of the preset default (build/default). One
# fuzzer process runs, so the campaign takes one core.
#
# A singular reduced matrix ends the run in GSL's default error handler,
# which aborts: those crashes are expected. The triage runs every file in
# crashes/ and hangs/ again on the plain build and counts a file as an
# expected abort only when that run ends as tests/endings.cpp knows a
# singular M to end (GSL's "matrix is singular" report and an abort) and the
# instrumented build reports no sanitizer error for it.
# Everything else is a real finding, kept in build/fuzz/findings/; the script
# then exits with status 1.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
work="$root/build/fuzz"
out="$work/out"
findings="$work/findings"
plain="$root/build/default/app/kelvarin"
instrumented="$work/afl/app/kelvarin"
# A re-run longer than this counts as a hang.
rerun_limit=10

mode="fuzz"
seconds=60
case "${1:-}" in
  --triage) mode="triage" ;;
  "") ;;
  *[!0-9]* | 0)
    echo "usage: tools/fuzz.sh [SECONDS] | --triage" >&2
    exit 2
    ;;
  *) seconds="$1" ;;
esac

build() {
  "$root/tools/setup.sh" afl++ tests
  local cc="" cxx=""
  if command -v afl-clang-fast >/dev/null; then
    cc=afl-clang-fast cxx=afl-clang-fast++
  elif command -v afl-gcc-fast >/dev/null; then
    cc=afl-gcc-fast cxx=afl-g++-fast
  else
    echo "fuzz: no AFL++ compiler found" >&2
    exit 1
  fi
  local sanitize=ON
  [ "${FUZZ_SANITIZE:-1}" = 0 ] && sanitize=OFF
  # The compiler is fixed at the first configure: start afresh when it differs.
  if [ -f "$work/afl/CMakeCache.txt" ] &&
    ! grep -q "^CMAKE_CXX_COMPILER:[A-Z]*=.*/$cxx\$" "$work/afl/CMakeCache.txt"; then
    rm -rf "$work/afl"
  fi
  CC="$cc" CXX="$cxx" cmake -S "$root" -B "$work/afl" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKELVARIN_TESTS=OFF -DKELVARIN_SANITIZE="$sanitize" >/dev/null
  cmake --build "$work/afl" --target kelvarin
  (cd "$root" && cmake --preset default >/dev/null &&
    cmake --build --preset default --target kelvarin known_ending)
}

# Gather the seeds: the bundled examples, the end-to-end case inputs and the
# hand-made seeds beside this script, each file once.
collect_seeds() {
  rm -rf "$work/seeds"
  mkdir -p "$work/seeds"
  local file name
  for file in "$root"/examples/*.dat "$root"/tests/cases/*/input "$root"/tools/fuzz-seeds/*.dat; do
    [ -f "$file" ] || continue
    name="$(sha1sum "$file" | cut -c1-12)"
    cp "$file" "$work/seeds/$name"
  done
  echo "fuzz: $(find "$work/seeds" -type f | wc -l) seeds"
}

# Tokens of the data file that byte flips would rarely assemble.
write_dictionary() {
  cat >"$work/dictionary" <<'EOF'
crlf="\x0d\x0a"
nul="\x00"
exponent="e"
exponent_upper="E"
exponent_plus="e+"
exponent_minus="e-"
point="."
minus="-"
plus="+"
nan="nan"
inf="inf"
infinity="INFINITY"
hex="0x1p3"
overflow="1e39"
underflow="1e-46"
wide="99999999999"
wider="18446744073709551616"
min_players="2"
max_players="20"
too_many="21"
EOF
}

run_campaign() {
  rm -rf "$out"
  # The container's core pattern and CPU governor cannot be set; neither
  # changes what the campaign finds. Seeds that crash (a singular matrix) are
  # kept out of the queue rather than stopping the start.
  AFL_SKIP_CPUFREQ=1 AFL_I_DONT_CARE_ABOUT_MISSING_CRASHES=1 AFL_SKIP_CRASHES=1 \
    AFL_NO_UI=1 \
    ASAN_OPTIONS="abort_on_error=1:symbolize=0:detect_leaks=0:allocator_may_return_null=1" \
    UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:symbolize=0" \
    afl-fuzz -i "$work/seeds" -o "$out" -x "$work/dictionary" -t 1000 -V "$seconds" \
    -- "$instrumented" @@
}

stat_value() {
  sed -n "s/^$1 *: *//p" "$out/default/fuzzer_stats"
}

# Classify one file; print the class and leave the plain run's stderr in
# $work/last.err and the instrumented run's in $work/last.san.
classify() {
  local file="$1" status=0
  # The braces take the shell's own note of a signal off the output.
  {
    timeout -s KILL "$rerun_limit" "$plain" "$file" >"$work/last.out" 2>"$work/last.err"
  } 2>/dev/null || status=$?
  # The tests' own judge of a run's ending (tests/endings.cpp).
  local ending
  ending="$("$root/build/default/tests/known_ending" "$work/last.out" "$work/last.err" "$status")" || true
  {
    ASAN_OPTIONS="detect_leaks=0:symbolize=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
      timeout -s KILL "$rerun_limit" "$instrumented" "$file" >/dev/null 2>"$work/last.san"
  } 2>/dev/null || true
  if grep -qE 'Sanitizer|runtime error' "$work/last.san"; then
    echo "sanitizer"
  elif [ "$status" -eq 137 ]; then
    echo "timeout"
  elif [ "$ending" = singular ]; then
    echo "expected"
  elif [ "$status" -gt 128 ]; then
    echo "signal-$((status - 128))"
  else
    echo "status-$status"
  fi
}

triage() {
  if [ ! -f "$out/default/fuzzer_stats" ]; then
    echo "fuzz: no campaign in $out" >&2
    exit 1
  fi
  rm -rf "$findings"
  mkdir -p "$findings"
  local crashes=0 expected=0 real=0 hangs=0 unreproduced=0 file class kind
  for kind in crashes hangs; do
    for file in "$out"/default/"$kind"/id:*; do
      [ -f "$file" ] || continue
      class="$(classify "$file")"
      if [ "$kind" = crashes ]; then
        crashes=$((crashes + 1))
      else
        hangs=$((hangs + 1))
      fi
      if [ "$class" = expected ]; then
        expected=$((expected + 1))
        continue
      fi
      # A hang that runs to its end on a re-run was slow only under the fuzzer.
      if [ "$kind" = hangs ] && [[ "$class" == status-0 || "$class" == status-1 ]]; then
        unreproduced=$((unreproduced + 1))
        echo "fuzz: hang not reproduced ($class): $(basename "$file")"
        continue
      fi
      real=$((real + 1))
      cp "$file" "$findings/$kind-$real.dat"
      cp "$work/last.err" "$findings/$kind-$real.stderr"
      cp "$work/last.san" "$findings/$kind-$real.sanitizer"
      echo "fuzz: REAL FINDING ($class) from $kind: $findings/$kind-$real.dat"
    done
  done
  echo "fuzz: run time           $(stat_value run_time) s"
  echo "fuzz: executions         $(stat_value execs_done) ($(stat_value execs_per_sec) per second)"
  echo "fuzz: paths              $(stat_value corpus_count) in the corpus, $(stat_value corpus_found) found"
  echo "fuzz: edges covered      $(stat_value bitmap_cvg)"
  echo "fuzz: crashes            $crashes saved ($(stat_value saved_crashes) by the fuzzer)"
  echo "fuzz: expected aborts    $expected (GSL: matrix is singular)"
  echo "fuzz: hangs              $hangs saved, $unreproduced ran to their end on a re-run"
  echo "fuzz: real findings      $real"
  [ "$real" -eq 0 ]
}

main() {
  mkdir -p "$work"
  if [ "$mode" = fuzz ]; then
    build
    collect_seeds
    write_dictionary
    run_campaign
  fi
  triage
}

# One line, read whole before it runs, so that editing this file cannot
# disturb a campaign in progress.
main "$@"; exit
