#!/usr/bin/env bash
# Makes docs/screenshot.png: starts the built program on a virtual screen (Xvfb), opens a setup
# (default examples/FigureEight.knx, whose bodies leave trails), runs it for a few seconds and
# saves a picture of the main window.
#   scripts/screenshot.sh [SETUP.knx] [SECONDS]
# The program is taken from $KINETRA_BIN, else build/ui/kinetra, else it is built in build-run.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
kinetra_install_packages

setup=${1:-examples/FigureEight.knx}
seconds=${2:-7}
out=docs/screenshot.png
bin=${KINETRA_BIN:-}
if [ -z "$bin" ]; then
  if [ -x build/ui/kinetra ]; then
    bin=build/ui/kinetra
  else
    kinetra_configure build-run -DKINETRA_BUILD_TESTS=OFF
    cmake --build build-run -j"$(nproc)" >/dev/null
    bin=build-run/ui/kinetra
  fi
fi

# A display number that no other X server holds.
disp=""
for n in $(seq 90 130); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then disp=:$n; break; fi
done
[ -n "$disp" ] || { echo "no free display" >&2; exit 1; }

xpid=""; ppid=""
settings=$(mktemp -d)
cleanup() {
  [ -n "$ppid" ] && kill "$ppid" 2>/dev/null || true
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null || true
  rm -rf "$settings"
}
trap cleanup EXIT
Xvfb "$disp" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 & xpid=$!
for _ in $(seq 50); do DISPLAY=$disp xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# A settings folder of its own, so the picture does not depend on the user's last choices.
DISPLAY=$disp XDG_CONFIG_HOME="$settings" QT_QPA_PLATFORM=xcb "$bin" "$setup" >/dev/null 2>&1 & ppid=$!
win=""
for _ in $(seq 100); do
  win=$(DISPLAY=$disp xdotool search --onlyvisible --pid "$ppid" 2>/dev/null | head -n1 || true)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || { echo "the window did not appear" >&2; exit 1; }
sleep 1
DISPLAY=$disp xdotool windowfocus --sync "$win" 2>/dev/null || true
DISPLAY=$disp xdotool key --window "$win" ctrl+r
sleep "$seconds"
DISPLAY=$disp xdotool key --window "$win" ctrl+p
sleep 0.5
mkdir -p docs
DISPLAY=$disp import -window "$win" "$out"
echo "saved $out"
