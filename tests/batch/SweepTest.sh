#!/usr/bin/env bash
# scripts/sweep.sh on a small grid on the local cores: one row per setup, method and time step in
# the grid's order, each equal to the row of a direct compare (but for the wall time), every grid
# point a row of its own even when its run failed or never ran, and the failures in the exit
# status.
# Usage: SweepTest.sh ROOT KINETRA_BATCH
set -u
root="$1"
batch="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

cat >"$work/grid" <<GRID
# two setups, two methods, two steps
setups  $root/tests/data/SunPlanet.knx $root/examples/SunPlanet.knx
methods RK4 stoermer
dt      0.01 1/400
until   0.2
GRID
"$root/scripts/sweep.sh" --batch "$batch" --jobs 2 "$work/grid" "$work/out.csv" || fail "sweep exit $?"
[ "$(wc -l <"$work/out.csv")" -eq 9 ] || fail "expected a header and 8 rows: $(cat "$work/out.csv")"
head -1 "$work/out.csv" | grep -q '^setup,method,time_step,steps,force_evaluations,' || fail "header"

# The rows without the wall time, against compare run directly in the same order.
strip() { awk -F, 'BEGIN { OFS = "," } { $(NF - 1) = ""; print }'; }
for s in "$root/tests/data/SunPlanet.knx" "$root/examples/SunPlanet.knx"; do
  for m in RK4 stoermer; do
    for d in 0.01 1/400; do
      "$batch" compare "$s" --until 0.2 --methods "$m" --dt "$d" | tail -n +2 | sed "s|^|$s,|"
    done
  done
done | strip >"$work/expected"
tail -n +2 "$work/out.csv" | strip >"$work/got"
diff "$work/expected" "$work/got" || fail "rows differ from direct compare runs"

# Every grid point gets its row, also when compare printed none: a run that fails, a setup that
# does not load, a refused value, an unknown method. The exit status is 1.
printf 'setups %s %s %s\nmethods euler leapfrog\ndt 0.01 0\nuntil 0.1\n' "$root/tests/data/Overflow.knx" \
  "$root/tests/data/BadKeyword.knx" "$root/examples/SunPlanet.knx" >"$work/grid2"
"$root/scripts/sweep.sh" --batch "$batch" "$work/grid2" >"$work/out2.csv" 2>"$work/err2"
[ $? -eq 1 ] || fail "a failed run must give exit 1"
[ "$(wc -l <"$work/out2.csv")" -eq 13 ] || fail "expected a header and 12 rows: $(cat "$work/out2.csv")"
unknown="\"error: --methods: unknown method 'leapfrog' (Euler, EulerCromer, Ralston, RK4, RKF or Stoermer)\""
expect() { grep -qx "[^,]*/$1" "$work/out2.csv" || fail "no row $1 in: $(cat "$work/out2.csv")"; }
for s in Overflow BadKeyword SunPlanet; do
  for d in 0.01 0; do expect "$s.knx,leapfrog,$d,,,,,,,,$unknown"; done
done
for d in 0.01 0; do expect "BadKeyword.knx,euler,$d,,,,,,,,error: Keyword Begin_Particles expected"; done
for s in Overflow SunPlanet; do expect "$s.knx,euler,0,,,,,,,,error: Time step must not be zero"; done
grep -q 'Overflow.knx,Euler,0.01,.*,error: Coordinate out of range$' "$work/out2.csv" || fail "failed run"
grep -q 'SunPlanet.knx,Euler,0.01,.*,ok$' "$work/out2.csv" || fail "the run that went through"

# A program that dies without a row still gets one; a CSV that cannot be written fails the sweep.
printf '#!/bin/sh\nkill -SEGV $$\n' >"$work/dies"
chmod +x "$work/dies"
printf 'setups %s\nmethods rk4\nuntil 0.1\n' "$root/examples/SunPlanet.knx" >"$work/grid3"
"$root/scripts/sweep.sh" --batch "$work/dies" "$work/grid3" >"$work/out3.csv" 2>/dev/null
[ $? -eq 1 ] || fail "a job that died must give exit 1"
grep -qx '[^,]*/SunPlanet.knx,rk4,,,,,,,,,error: kinetra-batch was killed by signal 11 without a row' \
  "$work/out3.csv" || fail "row of a job that died: $(cat "$work/out3.csv")"
if [ -w /dev/full ]; then
  "$root/scripts/sweep.sh" --batch "$batch" "$work/grid" /dev/full 2>/dev/null && fail "a full disk must fail the sweep"
fi

# A grid with CR LF line ends is the same grid; a value that is an option is refused, OUT untouched.
sed 's/$/\r/' "$work/grid" >"$work/grid-crlf"
"$root/scripts/sweep.sh" --batch "$batch" --jobs 2 "$work/grid-crlf" "$work/crlf.csv" || fail "CR LF grid: exit $?"
diff <(strip <"$work/out.csv") <(strip <"$work/crlf.csv") || fail "a CR LF grid gives other rows"
printf 'old results\n' >"$work/old.csv"
for line in 'until 0.05 --dt=1' 'dt 0.01 --until=5' 'setups -x.knx' 'until 0.05 0.1'; do
  printf 'setups %s\n%s\n' "$root/examples/SunPlanet.knx" "$line" >"$work/grid4"
  "$root/scripts/sweep.sh" --batch "$batch" "$work/grid4" "$work/old.csv" 2>"$work/err4"
  [ $? -eq 2 ] || fail "'$line' must be a usage error"
  grep -q "in $work/grid4" "$work/err4" || fail "'$line': $(cat "$work/err4")"
done

# A sweep ended by TERM or INT, or killed, leaves the old OUT byte for byte and (but for KILL) no
# run behind it; the next sweep takes over the one temporary file a KILL leaves.
printf 'setups %s\nmethods RK4 Euler\ndt 1/1000000\nuntil 1E9\n' "$root/examples/SunPlanet.knx" >"$work/slow"
for sig in TERM INT KILL; do
  # A background job of a script ignores INT unless told otherwise (a terminal's Ctrl+C does not).
  setsid env --default-signal=INT "$root/scripts/sweep.sh" --batch "$batch" --jobs 2 "$work/slow" "$work/old.csv" 2>/dev/null &
  sweep=$!
  for _ in $(seq 50); do pgrep -f "compare $work/slow|compare .*SunPlanet.knx --until 1E9" >/dev/null && break; sleep 0.1; done
  sleep 0.3
  kill -"$sig" "$sweep"
  wait "$sweep"
  sleep 0.5
  left="$(pgrep -f -- "--until 1E9" || true)"
  if [ "$sig" = KILL ]; then
    [ -n "$left" ] && kill $left
  else
    [ -z "$left" ] || fail "runs left after $sig: $left"
  fi
  [ "$(cat "$work/old.csv")" = "old results" ] || fail "$sig changed the old OUT"
done
[ "$(ls "$work" | grep -c '^old.csv')" -le 2 ] || fail "temporary files pile up: $(ls "$work")"
"$root/scripts/sweep.sh" --batch "$batch" "$work/grid3" "$work/old.csv" || fail "sweep after a kill"
[ "$(ls "$work" | grep -c '^old.csv')" -eq 1 ] || fail "the temporary file stays: $(ls "$work")"
echo "sweep ok"
