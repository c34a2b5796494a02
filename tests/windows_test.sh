#!/usr/bin/env bash
# One check of the Windows download, unpacked by the fixture windows_zip
# (packaging/unpack-zip.cmake), run by CTest in the preset windows under wine:
#   windows_test.sh imports EXE OBJDUMP
#       printf in EXE comes from mingw-w64, not from msvcrt.dll (whose C
#       runtime start-up code may take fprintf for its own diagnostics);
#   windows_test.sh contents UNPACKED GSL_VERSION EXAMPLES
#       the folder holds each program, its manual as HTML without the Linux
#       paths, README.txt naming Debian's gsl GSL_VERSION, LICENSE.txt,
#       LICENSE-libxlsxwriter.txt and
#       every example of EXAMPLES, the text files with CR LF line ends;
#   windows_test.sh report UNPACKED NAME LINUX_KELVARIN EXAMPLE
#       kelvarin.exe run from UNPACKED on examples\NAME, as README.txt shows,
#       writes the Linux kelvarin's report of EXAMPLE with CR LF line ends,
#       and both succeed (status 0) or both fail (a singular example ends in
#       GSL's abort on both after the same report);
#   windows_test.sh files UNPACKED CASES WORK
#       the companions' files in WORK: the unpacked examples, a description
#       with quotes, backslashes and bytes that are not UTF-8, one with a
#       decimal comma, one in Windows-1252, a solve that overflows, and a list
#       of them all;
#   windows_test.sh compare FOLDER EXE LINUX_PROGRAM WORK ARGUMENTS...
#       EXE under wine and LINUX_PROGRAM, both run in FOLDER with ARGUMENTS,
#       write the same output and standard error, the Windows one with CR LF,
#       and end with the same status.
set -euo pipefail
check=$1
shift

fail() {
  echo "windows: FAIL: $*" >&2
  exit 1
}
# Whether the Windows text in $2 is the Linux text in $1 with CR LF line ends.
# GNU sed's -z reads the text as one piece, so only line feeds change.
same_with_crlf() { sed -z 's/\n/\r\n/g' "$1" | cmp -s - "$2"; }

case $check in
imports)
  imports=$("$2" -p "$1" | awk '
    /DLL Name:/ { msvcrt = ($3 == "msvcrt.dll"); next }
    msvcrt && NF == 0 { msvcrt = 0 }
    msvcrt && $1 ~ /^[0-9a-f]+$/ && NF >= 3 { print $NF }')
  [ -n "$imports" ] || fail "found no imports from msvcrt.dll in $1; cannot check printf"
  ! grep -qx printf <<<"$imports" || fail "$1 imports printf from msvcrt.dll"
  ;;
contents)
  unpacked=$1 gsl_version=$2
  examples=()
  for example in "$3"/*.dat; do
    examples+=("examples/${example##*/}")
  done
  for file in kelvarin{,-table,-graph}.exe kelvarin{,-table,-graph}-manual.html kelvarin.html \
    README.txt LICENSE.txt LICENSE-libxlsxwriter.txt "${examples[@]}"; do
    [ -f "$unpacked/$file" ] || fail "the download lacks $file"
  done
  for text in README.txt LICENSE.txt LICENSE-libxlsxwriter.txt "${examples[@]}"; do
    ! grep -qv $'\r$' "$unpacked/$text" || fail "$text has a line without CR LF"
  done
  grep -qF "$gsl_version" "$unpacked/README.txt" ||
    fail "README.txt does not name Debian's gsl $gsl_version"
  for program in kelvarin kelvarin-table kelvarin-graph; do
    ! grep -q /usr/share "$unpacked/$program-manual.html" ||
      fail "$program-manual.html names Linux paths"
  done
  ;;
report)
  unpacked=$1 name=$2 work=$1/../reports/$2
  mkdir -p "$work"
  windows=0 linux=0
  (cd "$unpacked" && wine kelvarin.exe "examples\\$name") >"$work/windows" 2>/dev/null || windows=$?
  # The braces take bash's own notice of an abort off the output.
  { "$3" "$4" >"$work/linux"; } 2>/dev/null || linux=$?
  same_with_crlf "$work/linux" "$work/windows" ||
    fail "$name: the report of kelvarin.exe differs from the Linux report with CR LF ($work)"
  [ $((windows == 0)) -eq $((linux == 0)) ] ||
    fail "$name: kelvarin.exe ended with status $windows, the Linux kelvarin with $linux"
  echo "windows: $name: the same report, status $windows on Windows and $linux on Linux"
  ;;
files)
  # The files sit in one folder and are named without one, so that the
  # diagnostics' file names are the same on both.
  unpacked=$1 cases=$2 files=$3
  rm -rf "$files"
  mkdir -p "$files"
  cp "$unpacked"/examples/*.dat "$files/"
  printf 'Say "hi" {\\N} \xff\xc3( \\\n2\n1 -0.5\n0.25 1\n' >"$files/hostile.dat"
  printf 'Decimal comma\n2\n1 0,5\n0.5 1\n' >"$files/comma.dat"
  printf 'Gruppe M\xfcller\n2\n1 0.5\n0.5 1\n' >"$files/ansi.dat"
  cp "$cases/inverse_overflow/input" "$files/overflow.dat"
  (cd "$files" && ls -- *.dat) >"$files/list"
  ;;
compare)
  folder=$1 exe=$2 linux=$3 work=$4
  shift 4
  rm -rf "$work"
  mkdir -p "$work"
  windows_status=0 linux_status=0
  (cd "$folder" && wine "$exe" "$@") >"$work/out.windows" 2>"$work/err.windows" || windows_status=$?
  (cd "$folder" && "$linux" "$@") >"$work/out.linux" 2>"$work/err.linux" || linux_status=$?
  for stream in out err; do
    same_with_crlf "$work/$stream.linux" "$work/$stream.windows" ||
      fail "${exe##*/}'s standard $stream differs from Linux's with CR LF ($work/$stream.*)"
  done
  [ "$windows_status" -eq "$linux_status" ] ||
    fail "${exe##*/} ended with status $windows_status, Linux's with $linux_status"
  echo "windows: the same output and diagnostics as on Linux, with CR LF, status $windows_status"
  ;;
*) fail "unknown check $check" ;;
esac
