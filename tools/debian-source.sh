# Shared by tools/gsl.sh, tools/mpfr.sh and tools/xlsxwriter.sh, which
# source it: fetching Debian's source of a library installed here, a log of
# the build, and a cache of finished builds.

# Run a command with its output in $log; show the log's end on failure.
logged() {
  "$@" >>"$log" 2>&1 || { tail -n 40 "$log" >&2 && echo "$(basename "$0" .sh): FAIL: $* (log: $log)" >&2 && exit 1; }
}

# fetch_source DIR PACKAGE...: Debian's source package of each installed
# binary package PACKAGE, at its installed version, unpacked into DIR/SOURCE
# (the source package's name). A private apt state under DIR has as sources
# the machine's own deb entries made deb-src entries, their options
# (signed-by) kept: the source comes from wherever the machine gets its
# packages, whose own lists stay unchanged.
fetch_source() {
  local dir=$1 package name version list="" parts="" file
  shift
  mkdir -p "$dir/apt/lists/partial" "$dir/apt/cache/archives/partial" "$dir/apt/parts"
  eval "$(apt-config shell list Dir::Etc::SourceList/f parts Dir::Etc::SourceParts/d)"
  for file in "$list" "$parts"*.list; do
    [ ! -f "$file" ] || sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$file"
  done >"$dir/apt/sources.list"
  for file in "$parts"*.sources; do
    [ ! -f "$file" ] || sed 's/^Types:.*/Types: deb-src/' "$file" >"$dir/apt/parts/${file##*/}"
  done
  local apt=(-o "Dir::Etc::SourceList=$dir/apt/sources.list" -o "Dir::Etc::SourceParts=$dir/apt/parts"
    -o "Dir::State::Lists=$dir/apt/lists" -o "Dir::Cache=$dir/apt/cache")
  # As root, apt hands downloads to its sandbox user, who cannot write here.
  [ "$(id -u)" -ne 0 ] || apt+=(-o APT::Sandbox::User=root)
  # An entry whose archive has no sources fails the update, not the fetch.
  apt-get "${apt[@]}" update >>"$log" 2>&1 || echo "$(basename "$0" .sh): apt-get update reported errors ($log)"
  for package in "$@"; do
    name=$(dpkg-query -W -f='${source:Package}' "$package")
    version=$(dpkg-query -W -f='${source:Version}' "$package")
    echo "$(basename "$0" .sh): fetching Debian's source package $name $version"
    (cd "$dir" && logged apt-get "${apt[@]}" source --download-only "$name=$version")
    logged dpkg-source -x "$dir/${name}_${version#*:}.dsc" "$dir/$name"
  done
}

# A finished build is also kept outside the work tree, in the folder
# $KELVARIN_CACHE (by default ~/.cache/kelvarin), under a key that changes
# with whatever the build depends on: the building script and this one, the
# installed versions of the Debian packages it is built from, the target and
# the compiler's version. A fresh clone on the same machine, CI's among
# them, copies the build from there instead of building it again.
cache=${KELVARIN_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kelvarin}

# cached_build PREFIX COMPILER PACKAGE...: copy the kept build of PREFIX's
# library for this target into PREFIX and succeed, or fail when there is
# none; either way set $kept to the folder that keeps it.
cached_build() {
  local prefix=$1 compiler=$2 key
  shift 2
  key=$({ cat "tools/$(basename "$0")" tools/debian-source.sh
    dpkg-query -W -f='${Package}=${Version}\n' "$@"
    echo "$target"
    "$compiler" --version 2>&1 | head -n 1; } | sha256sum | cut -c 1-16)
  kept=$cache/$(basename "$prefix")-$target-$key
  [ -f "$kept/built-from" ] || return 1
  # Called as a condition, where set -e does not stop a failed command.
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")" && cp -a "$kept" "$prefix" || { rm -rf "$prefix" && return 1; }
  echo "$(basename "$0" .sh): copied the build for $target kept in $kept ($(cat "$prefix/built-from"))"
}

# keep_build PREFIX: keep the finished build in PREFIX as $kept (a copy made
# aside and renamed, so that a build stopped halfway is never kept).
keep_build() {
  mkdir -p "$cache"
  rm -rf "$kept.$$"
  if cp -a "$1" "$kept.$$"; then
    rm -rf "$kept"
    mv "$kept.$$" "$kept"
  else
    rm -rf "$kept.$$"
  fi
}
