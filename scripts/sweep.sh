#!/usr/bin/env bash
# Runs a grid of kinetra-batch compare runs (setups x methods x time steps) through GNU
# parallel, on the local cores or on several hosts, and gathers one CSV on stdout (or in OUT).
#
# Usage: scripts/sweep.sh [--batch PATH] [--jobs N] [--sshlogin LOGINS] GRID [OUT]
#
# GRID is a text file of lines "KEY VALUE ..." (blank lines and lines starting with # are
# skipped):
#   setups  examples/SunPlanet.knx examples/BinaryStar.knx
#   methods RK4 Stoermer
#   dt      0.01 0.005 1/400
#   until   100
# Every setup is run with every method and time step, one compare run each, until |time| >= the
# until value. Without a dt line each setup keeps its own time step; without a methods line all
# six methods run. Values hold no blanks (write 1/400, not 1 / 400).
#
# The CSV is compare's with the setup in front:
#   setup,method,time_step,steps,force_evaluations,final_time,max_energy_drift,...,result
# in the order of the grid. A run that fails says why in its row, as in compare.
#
# Several machines: --sshlogin takes parallel's own list ("4/host1,host2,:" where ":" is this
# machine). Every host must find kinetra-batch at PATH (default: build/batch/kinetra-batch of this
# checkout, as an absolute path) and the setups at the same paths, e.g. on a shared folder or
# the same checkout; the rows come back here.
#
# Exit status: 0 when every run went through, 1 when a run failed or a job could not run
# (its message is on stderr), 2 usage error.
set -uo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
batch="$here/build/batch/kinetra-batch"
jobs=""
sshlogin=""
usage() {
  sed -n '4,5p' "$0" | sed 's/^# //' >&2
  exit 2
}
while [ $# -gt 0 ]; do
  case "$1" in
    --batch) [ $# -ge 2 ] || usage; batch="$2"; shift 2 ;;
    --jobs) [ $# -ge 2 ] || usage; jobs="$2"; shift 2 ;;
    --sshlogin) [ $# -ge 2 ] || usage; sshlogin="$2"; shift 2 ;;
    -h|--help) sed -n '2,31p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "sweep.sh: unknown option $1" >&2; usage ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] && [ $# -le 2 ] || usage
grid="$1"
out="${2:-}"
[ -r "$grid" ] || { echo "sweep.sh: cannot read $grid" >&2; exit 2; }
command -v parallel >/dev/null || { echo "sweep.sh: GNU parallel is not installed (apt-get install parallel)" >&2; exit 2; }

setups=() methods=() steps=() until=""
while read -r key rest; do
  case "$key" in
    ''|'#'*) continue ;;
    setups) read -r -a setups <<<"$rest" ;;
    methods) read -r -a methods <<<"$rest" ;;
    dt) read -r -a steps <<<"$rest" ;;
    until) until="$rest" ;;
    *) echo "sweep.sh: unknown key '$key' in $grid" >&2; exit 2 ;;
  esac
done <"$grid"
[ ${#setups[@]} -gt 0 ] || { echo "sweep.sh: $grid names no setups" >&2; exit 2; }
[ -n "$until" ] || { echo "sweep.sh: $grid has no until line" >&2; exit 2; }
[ ${#methods[@]} -gt 0 ] || methods=(Euler EulerCromer Ralston RK4 RKF Stoermer)

# One job per line, tab-separated: setup, method, and the dt option; without a dt line the third
# field repeats the method option, which changes nothing, so that no empty argument is passed.
jobsfile="$(mktemp)"
trap 'rm -f "$jobsfile"' EXIT
for s in "${setups[@]}"; do
  for m in "${methods[@]}"; do
    if [ ${#steps[@]} -eq 0 ]; then
      printf '%s\t%s\t--methods=%s\n' "$s" "$m" "$m" >>"$jobsfile"
    else
      for d in "${steps[@]}"; do printf '%s\t%s\t--dt=%s\n' "$s" "$m" "$d" >>"$jobsfile"; done
    fi
  done
done

options=(--will-cite --keep-order --colsep '\t' --tagstring '{1}' -q)
[ -n "$jobs" ] && options+=(--jobs "$jobs")
[ -n "$sshlogin" ] && options+=(--sshlogin "$sshlogin")

# compare prints its header and one row; the rows get the setup (parallel's tag) in front as a
# CSV field, quoted when it holds a comma or a quote.
gather() {
  awk -F'\t' '
    BEGIN { print "setup,method,time_step,steps,force_evaluations,final_time,max_energy_drift," \
                  "final_energy_drift,com_drift,wall_seconds,result" }
    {
      setup = $1; row = substr($0, length($1) + 2)
      if (row ~ /^method,/) next
      if (setup ~ /[,"]/) { gsub(/"/, "\"\"", setup); setup = "\"" setup "\"" }
      print setup "," row
    }'
}

if [ -n "$out" ]; then exec >"$out"; fi
parallel "${options[@]}" "$batch" compare '{1}' --until "$until" --methods '{2}' '{3}' :::: "$jobsfile" | gather
status=${PIPESTATUS[0]}
[ "$status" -eq 0 ] && exit 0
echo "sweep.sh: $status run(s) failed" >&2
exit 1
