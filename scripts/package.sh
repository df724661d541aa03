#!/usr/bin/env bash
# Builds the Debian package kinetra_<version>_<arch>.deb into the project's folder: both
# programs, the Python module, the examples, manual pages, the desktop entry, icon, .knx file
# type and AppStream metadata, all under /usr, its library dependencies found by
# dpkg-shlibdeps. Install it with: apt install ./kinetra_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
kinetra_install_packages
# The build of scripts/test.sh, configured alike, so that CI builds nothing twice; a package
# must run on any CPU of its architecture, so never with -march=native.
dir=${KINETRA_PACKAGE_BUILD:-build}
kinetra_configure "$dir" -DKINETRA_WERROR=ON
if grep -q '^KINETRA_NATIVE:BOOL=ON' "$dir/CMakeCache.txt"; then
  cmake -S . -B "$dir" -DKINETRA_NATIVE=OFF >/dev/null
fi
if ! cmake --build "$dir" -j"$(nproc)" >"$dir/package-build.log" 2>&1; then
  cat "$dir/package-build.log" >&2
  echo "package.sh: build failed" >&2
  exit 1
fi
rm -rf "$dir/package"
if ! (cd "$dir" && cpack -G DEB -B "$PWD/package" >package.log 2>&1); then
  cat "$dir/package.log" >&2
  echo "package.sh: cpack failed" >&2
  exit 1
fi
rm -f kinetra_*.deb
cp "$dir"/package/kinetra_*.deb .
ls kinetra_*.deb
