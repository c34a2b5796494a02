#!/usr/bin/env bash
# Fetches and unpacks Debian's source package of the GSL that the Linux build
# uses (the installed libgsl-dev's source version), for the builds that
# compile GSL themselves (tools/windows.sh, tools/web.sh).
# Usage: tools/gsl-source.sh DIR LOG
# The source ends up in DIR/gsl, the .dsc and tarballs in DIR; apt's private
# state lives in DIR/apt. Everything apt and dpkg-source say goes to LOG.
set -euo pipefail
dir=$(realpath -m "$1")
log=$(realpath -m "$2")
version=$(dpkg-query -W -f='${source:Version}' libgsl-dev)
apt=$dir/apt
rm -rf "$dir"
mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/parts"

# A private apt state whose sources are the machine's own deb entries made
# deb-src entries, their options (signed-by) kept: the source comes from
# wherever the machine gets its packages, whose own lists stay unchanged.
list="" parts=""
eval "$(apt-config shell list Dir::Etc::SourceList/f parts Dir::Etc::SourceParts/d)"
for file in "$list" "$parts"*.list; do
  [ ! -f "$file" ] || sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$file"
done >"$apt/sources.list"
for file in "$parts"*.sources; do
  [ ! -f "$file" ] || sed 's/^Types:.*/Types: deb-src/' "$file" >"$apt/parts/${file##*/}"
done
options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts"
  -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache")
# As root, apt hands downloads to its sandbox user, who cannot write here.
[ "$(id -u)" -ne 0 ] || options+=(-o APT::Sandbox::User=root)
echo "gsl-source: fetching Debian's source package gsl $version"
# An entry whose archive has no sources fails the update, not the fetch.
apt-get "${options[@]}" update >>"$log" 2>&1 ||
  echo "gsl-source: apt-get update reported errors ($log)"
if ! (cd "$dir" && apt-get "${options[@]}" source --download-only "gsl=$version") >>"$log" 2>&1 ||
  ! dpkg-source -x "$dir"/gsl_*.dsc "$dir/gsl" >>"$log" 2>&1; then
  tail -n 40 "$log" >&2
  echo "gsl-source: FAIL: could not fetch and unpack gsl $version (full log: $log)" >&2
  exit 1
fi
