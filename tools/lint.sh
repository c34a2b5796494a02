#!/usr/bin/env bash
# Static analysis of every C and C++ source of the project (all that git
# tracks or would track, but the end-to-end cases' files): clang-tidy with
# the checked-in .clang-tidy files (tests/ has its own exceptions), cppcheck,
# and clang-format with the checked-in .clang-format. Installs what is
# missing, takes its compile commands from the default preset's build, and
# exits with status 1 on any finding of any of the three.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh tests clang-tidy cppcheck clang-format
cmake --preset default >/dev/null
build=build/default

mapfile -t files < <(git ls-files --cached --others --exclude-standard -- \
  '*.cpp' '*.c' '*.h' ':!tests/cases/*' | sort -u)
# clang-tidy reads the project's headers through the sources that include them.
mapfile -t sources < <(printf '%s\n' "${files[@]}" | grep -v '\.h$')
failed=()

echo "lint: clang-tidy on ${#sources[@]} sources"
printf '%s\0' "${sources[@]}" |
  xargs -0 -n 1 -P "$(nproc)" clang-tidy -p "$build" --quiet \
    2> >(grep -v ' warnings\? generated\.$' >&2) || failed+=(clang-tidy)

echo "lint: cppcheck"
# useStlAlgorithm is left out: it asks for std::transform or std::accumulate
# in place of any loop that fills or sums, even where the loop reads plainer.
cppcheck --project="$build/compile_commands.json" --library=googletest \
  --enable=warning,style,performance,portability --suppress=useStlAlgorithm \
  --inline-suppr --error-exitcode=1 --quiet || failed+=(cppcheck)

echo "lint: clang-format on ${#files[@]} files"
clang-format --dry-run --Werror "${files[@]}" || failed+=(clang-format)

if [ ${#failed[@]} -ne 0 ]; then
  echo "lint: findings from ${failed[*]}" >&2
  exit 1
fi
echo "lint: clang-tidy, cppcheck and clang-format found nothing"
