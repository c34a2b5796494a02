#!/usr/bin/env bash
# Installs the Debian packages that building the program needs, and those
# named as arguments (the tests' and tools' own), when they are missing; the
# argument "tests" stands for all that the builds with tests need.
# Safe to run again: it installs nothing that is already there.
set -euo pipefail

packages=(cmake make g++ libgsl-dev libmpfr-dev libgmp-dev libfast-float-dev libfmt-dev
  libxlsxwriter-dev zlib1g-dev)
for argument in "$@"; do
  if [ "$argument" = tests ]; then
    packages+=(libgtest-dev libgmock-dev valgrind clang gcovr graphviz python3 r-base-core python3-pandas
      python3-numpy python3-openpyxl r-cran-readxl libreoffice-calc-nogui python3-uno unzip)
  else
    packages+=("$argument")
  fi
done
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all needed packages are installed (${packages[*]})"
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "setup: installing ${missing[*]}"
$sudo apt-get -o DPkg::Lock::Timeout=300 update
$sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 install -y --no-install-recommends "${missing[@]}"
