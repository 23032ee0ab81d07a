#!/usr/bin/env bash
# Checks for the Debian packages the build and the tests need and installs
# the missing ones when run as root; otherwise names them and fails.
set -euo pipefail
packages=(g++ cmake make gfortran libgtest-dev libbenchmark-dev libcairo2-dev libpng-dev hershey-fonts-data clang libclang-rt-14-dev)
# pkg-config for cairo and the install test; dpkg-shlibdeps for make package.
packages+=(pkgconf dpkg-dev)
# miniSEED and SAC input, their cross-checks, and the gnuplot comparison in make bench.
packages+=(libmseed-dev libmseed-doc mseed2sac sac2mseed gnuplot-nox hyperfine)
# The matplotlib speed peer of make bench (seisday, seisfig, seissection).
packages+=(python3-matplotlib)
# man: the library's manual pages rendered in the install test and the package check.
packages+=(man-db)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "missing Debian packages: ${missing[*]}" >&2
  echo "install them with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
