#!/usr/bin/env bash
# Builds kelvarin.exe for Windows on x86-64 by cross-compiling with mingw-w64,
# then runs the end-to-end cases on it under wine, where every line end of the
# expected outputs is CR LF. Everything it makes lives under build/windows/;
# GSL for Windows and the wine prefix are made once and kept there, so a
# second run only rebuilds what changed and runs the cases again. Last, it
# packs the Windows download, kelvarin-<version>-win64.zip, and checks it.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
out=$source_dir/build/windows
jobs=$(nproc 2>/dev/null || echo 2)
host=x86_64-w64-mingw32
gsl_version=2.7.1
gsl_prefix=$out/gsl
gsl_stamp=$gsl_prefix/built-from

say() { echo "windows: $*"; }

fail() {
  say "FAIL: $*" >&2
  exit 1
}

# Run a command with its output in a log file; show the log's end on failure.
logged() {
  local log=$1
  shift
  if ! "$@" >>"$log" 2>&1; then
    tail -n 40 "$log" >&2
    say "failed: $* (full log: $log)" >&2
    exit 1
  fi
}

# --- Tools: the cross compiler, wine, dpkg-source to unpack GSL's source and
# mandoc for the manual's HTML. tools/setup.sh installs only what is missing,
# without recommended packages.
tools/setup.sh g++-mingw-w64-x86-64 wine dpkg-dev mandoc
mkdir -p "$out"

# --- GSL for Windows, built once from Debian's source package.

# Prints a deb-src entry for every enabled deb entry of Debian release $1 in the
# machine's apt sources, so that GSL's source comes from wherever the machine
# gets its packages. An entry is the release's when its suite is the release's
# code name, alone or with a suffix (-updates, -security), and it has the main
# component. Both forms are read: one-line entries ("deb [options] uri suite
# components...") in sources.list and sources.list.d/*.list, and deb822
# stanzas (Types:, URIs:, Suites:, Components:, Signed-By:, Enabled:) in
# sources.list.d/*.sources. The entry's signed-by keyring is kept; an entry
# without one (or with an inline key) gets Debian's archive keyring.
debian_source_entries() {
  local codename=$1 list parts file files=()
  local keyring=/usr/share/keyrings/debian-archive-keyring.gpg
  [ -f "$keyring" ] || keyring=
  eval "$(apt-config shell list Dir::Etc::SourceList/f parts Dir::Etc::SourceParts/d)"
  for file in "$list" "$parts"*.list "$parts"*.sources; do
    [ ! -f "$file" ] || files+=("$file")
  done
  [ ${#files[@]} -gt 0 ] || return 0
  awk -v codename="$codename" -v keyring="$keyring" '
    function trim(text) { gsub(/^[ \t]+|[ \t]+$/, "", text); return text }
    function emit(uris, suites, components, signed_by,    u, s, n_uris, n_suites, uri, suite, line) {
      if ((" " components " ") !~ /[ \t]main[ \t]/) return
      if (signed_by == "") signed_by = keyring
      n_uris = split(uris, uri)
      n_suites = split(suites, suite)
      for (u = 1; u <= n_uris; u++)
        for (s = 1; s <= n_suites; s++) {
          if (suite[s] != codename && index(suite[s], codename "-") != 1) continue
          line = "deb-src " (signed_by == "" ? "" : "[signed-by=" signed_by "] ") uri[u] " " suite[s] " main"
          if (!seen[line]++) print line
        }
    }
    function end_stanza() {
      if ((" " field["types"] " ") ~ /[ \t]deb[ \t]/ && tolower(field["enabled"]) != "no")
        emit(field["uris"], field["suites"], field["components"], field["signed-by"])
      split("", field)
    }
    FNR == 1 { end_stanza() }
    # deb822: comment lines are skipped, an empty line ends a stanza, and an
    # indented line continues a multi-line field (an inline key).
    FILENAME ~ /\.sources$/ {
      if (/^#/ || /^[ \t]+[^ \t]/) next
      if (/^[ \t]*$/) { end_stanza(); next }
      colon = index($0, ":")
      field[tolower(substr($0, 1, colon - 1))] = trim(substr($0, colon + 1))
      next
    }
    # One-line form, options in brackets, "#" starting a comment.
    { sub(/#.*/, "") }
    $1 == "deb" {
      options = ""
      if (match($0, /\[[^]]*\]/)) {
        options = substr($0, RSTART + 1, RLENGTH - 2)
        $0 = substr($0, 1, RSTART - 1) substr($0, RSTART + RLENGTH)
      }
      signed_by = ""
      if (match(options, /signed-by=[^ \t]+/)) signed_by = substr(options, RSTART + 10, RLENGTH - 10)
      components = ""
      for (i = 4; i <= NF; i++) components = components " " $i
      emit($2, $3, components, signed_by)
    }
    END { end_stanza() }
  ' "${files[@]}"
}

build_gsl() {
  local codename apt_dir src log
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  apt_dir=$out/apt
  src=$out/gsl-source
  log=$out/gsl-build.log
  rm -rf "$apt_dir" "$src" "$gsl_prefix" "$log"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$src"

  # A private source list, package index and download cache: the machine's
  # own source lists and index are read but not changed.
  debian_source_entries "$codename" >"$apt_dir/sources.list"
  if [ ! -s "$apt_dir/sources.list" ]; then
    say "the machine's apt sources (sources.list, sources.list.d/*.list and *.sources)" \
      "have no enabled deb entry of Debian $codename with the main component;" \
      "cannot fetch GSL's source" >&2
    exit 1
  fi
  say "GSL's source from:"
  sed 's/^/  /' "$apt_dir/sources.list"
  local apt_options=(
    -o "Dir::Etc::SourceList=$apt_dir/sources.list"
    -o "Dir::Etc::SourceParts=$apt_dir/no-parts"
    -o "Dir::State::Lists=$apt_dir/lists"
    -o "Dir::Cache=$apt_dir/cache"
  )
  # As root, apt hands downloads to its sandbox user, who cannot write here.
  [ "$(id -u)" -ne 0 ] || apt_options+=(-o APT::Sandbox::User=root)

  say "fetching GSL's Debian source package"
  logged "$log" apt-get "${apt_options[@]}" update
  (cd "$src" && logged "$log" apt-get "${apt_options[@]}" source --download-only gsl)
  logged "$log" dpkg-source -x "$src"/gsl_*.dsc "$src/gsl"
  if ! grep -q "define GSL_VERSION \"$gsl_version\"" "$src/gsl/gsl_version.h"; then
    say "Debian's GSL source is not version $gsl_version:" >&2
    grep 'define GSL_VERSION ' "$src/gsl/gsl_version.h" >&2
    exit 1
  fi

  # Built in its own source tree: GSL's error report names the source file as
  # the compiler saw it, so an out-of-tree build would print a long path.
  # Only the parts the program uses go into libgsl.a: the header links, the
  # system helpers, the error handler, blocks, vectors, matrices,
  # permutations, BLAS and linalg; and libgslcblas.a beside it. (A full build
  # would need the manual's sources, which Debian's tarball lacks.)
  say "building GSL $gsl_version for $host (log: $log)"
  local parts=(sys err block vector matrix permutation blas linalg)
  local sublibs=()
  for part in "${parts[@]}"; do
    sublibs+=("$part/libgsl$part.la")
  done
  (
    cd "$src/gsl"
    logged "$log" ./configure --host=$host --disable-shared --enable-static \
      --prefix="$gsl_prefix" CFLAGS="-g -O2 -D__USE_MINGW_ANSI_STDIO=1"
    logged "$log" make -C gsl
    for part in "${parts[@]}" cblas; do
      logged "$log" make -j "$jobs" -C "$part"
    done
    logged "$log" make libgsl.la install-libLTLIBRARIES install-binSCRIPTS \
      install-pkgconfigDATA SUBLIBS="${sublibs[*]}"
    logged "$log" make -C cblas install-libLTLIBRARIES
    mkdir -p "$gsl_prefix/include/gsl"
    cp -L gsl/gsl*.h "$gsl_prefix/include/gsl/"
  )
  basename "$src"/gsl_*.dsc .dsc >"$gsl_stamp"
}

if [ -f "$gsl_stamp" ]; then
  say "GSL for $host is built already ($(cat "$gsl_stamp")); to rebuild it, remove $gsl_prefix"
else
  build_gsl
fi

# --- kelvarin.exe: static, with mingw-w64's own printf.
say "building kelvarin.exe"
# The tool chain is read on the first configure only; --no-warn-unused-cli
# keeps the later ones quiet about it. The stamp's "gsl_<version>" gives the
# Debian source version that README.txt names.
gsl_debian_version=$(sed -n 's/^gsl_//p' "$gsl_stamp")
cmake -S "$source_dir" -B "$out/exe" --toolchain cmake/mingw-w64-x86_64.cmake --no-warn-unused-cli \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVARIN_TESTS=OFF -DGSL_ROOT_DIR="$gsl_prefix" \
  -DKELVARIN_GSL_DEBIAN_VERSION="$gsl_debian_version" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cmake --build "$out/exe" -j "$jobs"
exe=$out/exe/app/kelvarin.exe

# msvcrt.dll's printf rounds otherwise than glibc's; the report's printf must
# come from mingw-w64 (the C runtime's start-up code may still take fprintf
# from msvcrt.dll for its own diagnostics).
msvcrt_imports=$($host-objdump -p "$exe" | awk '
  /DLL Name:/ { in_msvcrt = ($3 == "msvcrt.dll"); next }
  in_msvcrt && NF == 0 { in_msvcrt = 0 }
  in_msvcrt && $1 ~ /^[0-9a-f]+$/ && NF >= 3 { print $NF }')
if [ -z "$msvcrt_imports" ]; then
  say "found no imports from msvcrt.dll in $exe; cannot check printf" >&2
  exit 1
fi
if grep -qx printf <<<"$msvcrt_imports"; then
  say "$exe imports printf from msvcrt.dll" >&2
  exit 1
fi
say "kelvarin.exe does not import printf from msvcrt.dll"

# --- wine: a private prefix, no debug chatter, no Mono or Gecko installer.
export WINEPREFIX=$out/wine
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  say "creating the wine prefix $WINEPREFIX"
  logged "$out/wineboot.log" wineboot --init
  # The prefix's registry is written when its wine server ends.
  wineserver -w
fi
# Wait for the wine server, which outlives the last case by a few seconds.
trap 'wineserver -w' EXIT

# --- The end-to-end cases on kelvarin.exe, driven by the Linux test runner;
# the Linux kelvarin of the same build gives the reports the download's
# examples are compared with.
say "building the end-to-end runner and the Linux kelvarin"
cmake -S "$source_dir" -B "$out/e2e" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVARIN_TESTS=ON
cmake --build "$out/e2e" --target e2e_test kelvarin -j "$jobs"
linux_kelvarin=$out/e2e/app/kelvarin

say "running the end-to-end cases on kelvarin.exe under wine"
KELVARIN_EXE=$exe KELVARIN_LAUNCHER=wine KELVARIN_CRLF=1 "$out/e2e/tests/e2e_test"

# --- The Windows download, packed by CPack from the cross build.
say "packing the Windows download"
rm -f "$out"/exe/kelvarin-*-win64.zip
(cd "$out/exe" && logged "$out/cpack.log" cpack -G ZIP --config CPackConfig.cmake)
zips=("$out"/exe/kelvarin-*-win64.zip)
[ ${#zips[@]} -eq 1 ] && [ -f "${zips[0]}" ] || fail "expected one kelvarin-*-win64.zip in $out/exe"
zip=${zips[0]}
top=$(basename "$zip" .zip)

# Its files, all in the folder of its own name.
say "$zip holds:"
contents=$(cmake -E tar tf "$zip")
echo "$contents"
examples=(examples/*.dat)
[ -f "${examples[0]}" ] || fail "no examples/*.dat in the source tree"
for file in kelvarin.exe kelvarin.html README.txt LICENSE.txt "${examples[@]}"; do
  grep -qxF "$top/$file" <<<"$contents" || fail "$zip lacks $top/$file"
done

# Unpacked as a user would: the text files end every line in CR LF, and
# README.txt names the GSL source.
check=$out/zip-check
rm -rf "$check"
mkdir -p "$check/reports"
(cd "$check" && cmake -E tar xf "$zip")
unpacked=$check/$top
for text in README.txt LICENSE.txt; do
  ! grep -qv $'\r$' "$unpacked/$text" || fail "$top/$text has a line without CR LF"
done
grep -qF "$gsl_debian_version" "$unpacked/README.txt" ||
  fail "$top/README.txt does not name Debian's gsl $gsl_debian_version"

# The unpacked kelvarin.exe on every unpacked example, run from the folder as
# README.txt shows: its report must be the Linux kelvarin's report of the same
# file with CR LF line ends, byte for byte, and both must succeed (status 0)
# or both fail. A singular example ends in GSL's abort on both; the report up
# to the abort is compared all the same.
for example in "$unpacked"/examples/*.dat; do
  name=$(basename "$example")
  report=$check/reports/$name
  windows_status=0
  (cd "$unpacked" && wine kelvarin.exe "examples\\$name") >"$report.windows" 2>"$report.windows.err" ||
    windows_status=$?
  # The braces send bash's own notice of an abort to the error file too.
  linux_status=0
  { (cd "$unpacked" && "$linux_kelvarin" "examples/$name"); } >"$report.linux" 2>"$report.linux.err" ||
    linux_status=$?
  # GNU sed's -z reads the report as one piece, so only line feeds change.
  sed -z 's/\n/\r\n/g' "$report.linux" >"$report.expected"
  cmp "$report.expected" "$report.windows" ||
    fail "$name: the report of kelvarin.exe differs from the Linux report with CR LF" \
      "($report.expected, $report.windows)"
  [ $((windows_status == 0)) -eq $((linux_status == 0)) ] ||
    fail "$name: kelvarin.exe ended with status $windows_status, the Linux kelvarin with $linux_status"
  say "$name: the same report ($(wc -c <"$report.windows") bytes with CR LF)," \
    "status $windows_status on Windows and $linux_status on Linux"
done
# kelvarin-table.exe, and its tables against the Linux build's.
tools/windows-table.sh "$unpacked"
say "OK: $zip holds kelvarin.exe, its manual, README.txt, LICENSE.txt and ${#examples[@]} example(s);" \
  "the unpacked kelvarin.exe reports each example as the Linux build does"
