#!/usr/bin/env bash
# Checks a Debian package of Kinetra: lintian (no errors), the desktop entry and the AppStream
# metadata, the files where they belong, and the unpacked programs and Python module against
# the build tree: the same setup gives the same bits.
#   tests/package/CheckPackage.sh kinetra_<version>_<arch>.deb BUILD_DIR
set -euo pipefail
deb=$(realpath "$1")
build=$(realpath "$2")
cd "$(dirname "$0")/../.."
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "CheckPackage: $*" >&2; exit 1; }

lintian_ok=1
lintian --fail-on error "$deb" >"$scratch/lintian.txt" 2>&1 || lintian_ok=0
grep -v "running with root privileges" "$scratch/lintian.txt" || true
[ "$lintian_ok" = 1 ] || fail "lintian found errors"
dpkg-deb -x "$deb" "$scratch/root"
root=$scratch/root/usr
desktop-file-validate "$root/share/applications/kinetra.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root"/share/metainfo/*.metainfo.xml || fail "AppStream metadata"

for f in bin/kinetra bin/kinetra-batch share/kinetra/examples/SunPlanet.knx \
         share/kinetra/examples/python/sunplanet_methods.py share/kinetra/examples/python/sunplanet_methods.ipynb \
         share/man/man1/kinetra.1.gz share/man/man1/kinetra-batch.1.gz share/mime/packages/kinetra.xml \
         share/icons/hicolor/scalable/apps/kinetra.svg share/doc/kinetra/copyright; do
  [ -e "$root/$f" ] || fail "missing /usr/$f"
done
module=$(ls "$root"/lib/python3/dist-packages/kinetra.*.so 2>/dev/null) || fail "no Python module"
version=$(sed -n 's/^project(Kinetra VERSION \([^ ]*\) .*/\1/p' CMakeLists.txt)
[ "$("$root/bin/kinetra-batch" --version)" = "kinetra-batch $version" ] || fail "kinetra-batch --version"
[ "$("$root/bin/kinetra" --version)" = "kinetra $version" ] || fail "kinetra --version"

# The unpacked tool on an unpacked example, against the build tree's tool.
example=$root/share/kinetra/examples/SunPlanet.knx
args=(run "$example" --steps 200 --every 50 --state)
cmp <("$root/bin/kinetra-batch" "${args[@]}") <("$build/batch/kinetra-batch" "${args[@]}") \
  || fail "the unpacked kinetra-batch gives other bits"

# The unpacked Python module on the same example, against the build tree's module; every real in
# hexadecimal, so that equal text means equal bits.
probe='
import sys, kinetra
sim = kinetra.load(sys.argv[1])
sim.step(200)
print(kinetra.__file__.split("/")[-2], float.hex(sim.time), *map(float.hex, sim.energies()))
print(*map(float.hex, sim.positions.ravel()), *map(float.hex, sim.velocities.ravel()))'
packaged=$(cd / && PYTHONPATH="$root/lib/python3/dist-packages" /usr/bin/python3 -c "$probe" "$example")
built=$(cd / && PYTHONPATH="$build/python" /usr/bin/python3 -c "$probe" "$example")
# The first word names the module's folder; the rest are the bits.
[ "${packaged#* }" = "${built#* }" ] || fail "the unpacked Python module gives other bits"
case "$packaged" in dist-packages\ *) ;; *) fail "the unpacked module was not the one imported" ;; esac
echo "package checked: $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB, $(dpkg-deb -f "$deb" Depends | tr ',' '\n' | wc -l) dependencies)"
