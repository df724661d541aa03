#!/usr/bin/env bash
# Sets up a fresh Debian machine (missing packages via apt-get), builds Kinetra and starts the
# desktop program. Arguments are passed to the program (e.g. a setup file to open).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
kinetra_install_packages
kinetra_configure build-run -DKINETRA_NATIVE=ON -DKINETRA_BUILD_TESTS=OFF
cmake --build build-run -j"$(nproc)" >/dev/null
exec build-run/ui/kinetra "$@"
