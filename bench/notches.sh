#!/usr/bin/env bash
# notches.sh: what the speed notches deliver in the real window, on a virtual screen.
#
#   bench/notches.sh [-b BUILD_DIR] [-s SECONDS] [-r "RATES"] [-e "SETUPS"] [-p "PLOT MODES"]
#
# For every setup, rate (steps/s; 0 = Full speed) and plot mode (1 = with the energy plot, 0 =
# without) the program is started on an Xvfb screen of 1280x900 with the setup, the information
# window is opened (Ctrl+I), the energy plot too where asked (Options > Energy plot), the run is
# started (Ctrl+R) and paused (Ctrl+P) SECONDS of wall time later. The simulated time reached is
# read back from "Save state as setup" (its notes end in "State at t = ..."), and the displayed
# steps are that time over the setup's time step times its cycles. The speed is chosen through
# a private settings folder, so the user's own settings are not touched.
#
# Output: one line per measurement: setup, rate, plot, seconds, steps, steps/s, % of the rate.
# Needs xvfb and xdotool (Debian: apt-get install xvfb xdotool).
set -u
build=build
seconds=10
rates="1 10 50 100 200 500 1000 2000 0"
setups="Harmonic1D BinaryStar"
plots="1"
while [ $# -gt 0 ]; do
  case $1 in
    -b) build=$2; shift 2;;
    -s) seconds=$2; shift 2;;
    -r) rates=$2; shift 2;;
    -e) setups=$2; shift 2;;
    -p) plots=$2; shift 2;;
    *) echo "usage: notches.sh [-b BUILD] [-s SECONDS] [-r RATES] [-e SETUPS] [-p PLOTS]" >&2; exit 2;;
  esac
done
root=$(cd "$(dirname "$0")/.." && pwd)
program=$root/$build/ui/kinetra
[ -x "$program" ] || { echo "no program at $program" >&2; exit 1; }
for p in Xvfb xdotool; do command -v $p >/dev/null || { echo "needs $p" >&2; exit 1; }; done

work=$(mktemp -d)
disp=:$(( 100 + RANDOM % 100 ))
Xvfb $disp -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xpid=$!
ppid=""
cleanup() { [ -n "$ppid" ] && kill "$ppid" 2>/dev/null; kill $xpid 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
sleep 1
export DISPLAY=$disp

key() { xdotool key "$@"; sleep 0.3; }

# The time a displayed step advances, from the setup's second and third lines (method
# [accuracy] cycles, then the time step).
step_of() {
  awk 'NR==2 {cycles=$NF} NR==3 {dt=$1} END {printf "%.17g\n", cycles*dt}' "$1"
}

printf '%-11s %6s %4s %7s %9s %10s %7s\n' setup rate plot seconds steps "steps/s" "%"
for setup in $setups; do
  file=$root/examples/$setup.knx
  dstep=$(step_of "$file")
  for rate in $rates; do
    for plot in $plots; do
      conf=$work/config-$setup-$rate-$plot
      mkdir -p "$conf/Kinetra"
      printf '[Run]\nStepsPerSecond=%s\n' "$rate" >"$conf/Kinetra/Kinetra.conf"
      state=$work/state-$setup-$rate-$plot.knx
      XDG_CONFIG_HOME=$conf "$program" "$file" >"$work/log" 2>&1 &
      ppid=$!
      sleep 2
      win=$(xdotool search --onlyvisible --pid $ppid 2>/dev/null | head -n1)
      [ -n "$win" ] || { echo "$setup $rate: no window" >&2; kill $ppid; ppid=""; continue; }
      xdotool windowfocus --sync "$win" 2>/dev/null
      key ctrl+i
      if [ "$plot" = 1 ]; then key alt+o; key p; fi
      xdotool windowfocus --sync "$win" 2>/dev/null
      sleep 0.5
      t0=$(date +%s.%N)
      xdotool key ctrl+r
      sleep "$seconds"
      xdotool key ctrl+p
      t1=$(date +%s.%N)
      sleep 1
      # File > Save state as setup...: Up from the menu's top goes round to its last item (Quit),
      # then Export image, Record to CSV, Save state; then the file name into the save dialog.
      key alt+f; key Up; key Up; key Up; key Up; key Return
      sleep 0.8
      xdotool type --delay 5 "$state"; sleep 0.2
      xdotool key Return; sleep 0.8
      kill $ppid 2>/dev/null; wait $ppid 2>/dev/null; ppid=""
      time=$(grep -a -o 'State at t = [-0-9.E]*' "$state" 2>/dev/null | tail -n1 | sed 's/State at t = //')
      if [ -z "$time" ]; then echo "$setup $rate $plot: no state saved" >&2; continue; fi
      awk -v s="$setup" -v r="$rate" -v p="$plot" -v t0="$t0" -v t1="$t1" -v t="$time" -v d="$dstep" 'BEGIN {
        wall = t1 - t0; steps = t / d; speed = steps / wall
        pct = r > 0 ? sprintf("%.1f", 100 * speed / r) : "-"
        printf "%-11s %6s %4s %7.2f %9.0f %10.1f %7s\n", s, (r > 0 ? r : "full"), p, wall, steps, speed, pct }'
    done
  done
done
