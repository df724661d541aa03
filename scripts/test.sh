#!/usr/bin/env bash
# Sets up a fresh Debian machine (missing packages via apt-get), builds Kinetra and runs every
# test. Quick and quiet when everything is already installed and built.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
kinetra_install_packages
# Formatting: every product and test source as the root .clang-format has it.
find base engine model parser frame batch ui python tests bench \( -name '*.cpp' -o -name '*.h' \) -not -path 'tests/fuzz/regression/*' -print0 \
  | xargs -0 clang-format --dry-run --Werror || { echo "clang-format: sources not formatted (clang-format -i)" >&2; exit 1; }
kinetra_configure build -DKINETRA_WERROR=ON
cmake --build build -j"$(nproc)" 2>&1 | grep -v -E '^\[ *[0-9]+%\]|^-- |Automatic MOC|AutoMoc' || true
if [ "${PIPESTATUS[0]}" -ne 0 ]; then echo "build failed" >&2; exit 1; fi
export QT_QPA_PLATFORM=offscreen
(cd build && ctest --output-on-failure -j"$(nproc)" --timeout 600) || exit 1
if [ "${KINETRA_SKIP_PACKAGE:-0}" != 1 ]; then
  # The Debian package from the build above, checked and compared with the build tree.
  deb=$(scripts/package.sh | tail -1)
  tests/package/CheckPackage.sh "$deb" build || exit 1
fi
if [ "${KINETRA_SKIP_SANITIZE:-0}" != 1 ]; then
  # AddressSanitizer + UndefinedBehaviorSanitizer build of the core, batch and window tests.
  kinetra_configure build-asan -DKINETRA_SANITIZE=ON -DKINETRA_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build-asan -j"$(nproc)" 2>&1 | grep -v -E '^\[ *[0-9]+%\]|^-- ' || true
  if [ "${PIPESTATUS[0]}" -ne 0 ]; then echo "sanitizer build failed" >&2; exit 1; fi
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j"$(nproc)" --timeout 900) || exit 1
fi
echo "all tests passed"
