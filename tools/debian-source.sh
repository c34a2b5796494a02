# Shared by tools/gsl.sh and tools/mpfr.sh, which source it: fetching
# Debian's source of a library installed here, and a log of the build.

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
