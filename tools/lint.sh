#!/usr/bin/env bash
# Static analysis of every source file in app/, routines/ and tests/:
# clang-tidy with the checked-in .clang-tidy, cppcheck, and clang-format with
# the checked-in .clang-format. Installs what is missing, configures
# build/lint for its compile_commands.json, and exits with status 1 on any
# finding of any of the three.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
"$root/tools/setup.sh" clang-tidy cppcheck clang-format

build="$root/build/lint"
cmake -S "$root" -B "$build" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null

mapfile -t program_sources < <(find app routines -name '*.cpp' | sort)
mapfile -t test_sources < <(find tests -maxdepth 1 \( -name '*.cpp' -o -name '*.c' \) | sort)
mapfile -t all_files < <(find app routines tests -maxdepth 1 \
  \( -name '*.cpp' -o -name '*.c' -o -name '*.h' \) | sort)
failed=()

# The tests run with two checks less than the program:
# - readability-magic-numbers: a test's inputs and exact expected results are
#   its content, written out where the reader checks them;
# - cert-err58-cpp: a static table of cases that throws while it is built ends
#   the test program at once and loudly, which is all a test can do.
test_checks="-readability-magic-numbers,-cert-err58-cpp"

echo "lint: clang-tidy on ${#program_sources[@]} program and ${#test_sources[@]} test sources"
tidy() {
  local extra="$1"
  shift
  [ $# -gt 0 ] || return 0
  printf '%s\0' "$@" |
    xargs -0 -n 1 -P "$(nproc)" clang-tidy -p "$build" --quiet ${extra:+--checks="$extra"} \
      2> >(grep -v ' warnings\? generated\.$' >&2)
}
tidy_status=0
tidy "" "${program_sources[@]}" || tidy_status=1
tidy "$test_checks" "${test_sources[@]}" || tidy_status=1
[ "$tidy_status" -eq 0 ] || failed+=(clang-tidy)

echo "lint: cppcheck"
# useStlAlgorithm is left out: it asks for std::transform or std::accumulate
# in place of any loop that fills or sums, even where the loop reads plainer.
if ! cppcheck --project="$build/compile_commands.json" --library=googletest \
  --enable=warning,style,performance,portability --suppress=useStlAlgorithm \
  --inline-suppr --error-exitcode=1 --quiet; then
  failed+=(cppcheck)
fi

echo "lint: clang-format on ${#all_files[@]} files"
if ! clang-format --dry-run --Werror "${all_files[@]}"; then
  failed+=(clang-format)
fi

if [ ${#failed[@]} -ne 0 ]; then
  echo "lint: findings from ${failed[*]}" >&2
  exit 1
fi
echo "lint: clang-tidy, cppcheck and clang-format found nothing"
