#!/usr/bin/env bash
# scripts/sweep.sh on a small grid on the local cores: one row per setup, method and time step in
# the grid's order, each equal to the row of a direct compare (but for the wall time), and a
# failing run reported in its row and in the exit status.
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

# A setup whose runs fail: its row says why, the others are there, the exit status is 1.
printf 'setups %s %s\nmethods euler\nuntil 0.1\n' "$root/tests/data/Overflow.knx" "$root/examples/SunPlanet.knx" >"$work/grid2"
"$root/scripts/sweep.sh" --batch "$batch" "$work/grid2" >"$work/out2.csv" 2>"$work/err2"
[ $? -eq 1 ] || fail "a failed run must give exit 1"
grep -q 'Overflow.knx,Euler,.*,error: Coordinate out of range$' "$work/out2.csv" || fail "failed row: $(cat "$work/out2.csv")"
grep -q 'SunPlanet.knx,Euler,.*,ok$' "$work/out2.csv" || fail "the other run is missing"
echo "sweep ok"
