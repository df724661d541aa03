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
#   max-steps 1000000
# Every setup is run with every method and time step, one compare run each, until |time| >= the
# until value (or for at most max-steps displayed steps, when that line is given). Without a dt
# line each setup keeps its own time step; without a methods line every method runs. Values
# hold no blanks (write 1/400, not 1 / 400) and are no options (a value starting with "--", or a
# setup starting with "-", is refused); lines may end in CR LF.
#
# The CSV is compare's with the setup in front:
#   setup,method,time_step,steps,force_evaluations,final_time,max_energy_drift,...,result
# in the order of the grid, one row for every point of the grid. A run that fails says why in
# its row, as in compare; so does one that could not run at all (a setup that does not load, a
# value that is refused, a program that ended without a row): its row holds the setup, the
# method and the dt as the grid gives them, empty figures, and the message.
#
# Several machines: --sshlogin takes parallel's own list ("4/host1,host2,:" where ":" is this
# machine). Every host must find kinetra-batch at PATH (default: build/batch/kinetra-batch of this
# checkout, as an absolute path) and the setups at the same paths, e.g. on a shared folder or
# the same checkout; the rows come back here.
#
# OUT is written only once the sweep is complete (beside it as OUT.~tmp, then renamed over it):
# a sweep that fails to start, is interrupted or killed leaves the OUT of an earlier sweep as it
# was. TERM and INT end the runs under way.
#
# Exit status: 0 when every run went through, 1 when a run failed, stopped at max-steps or could
# not run (its row says why), or when the CSV could not be written; 2 usage error; 130 or 143
# when interrupted.
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
    -h|--help) awk 'NR > 1 && !/^#/ { exit } NR > 1' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "sweep.sh: unknown option $1" >&2; usage ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] && [ $# -le 2 ] || usage
grid="$1"
out="${2:-}"
[ -r "$grid" ] || { echo "sweep.sh: cannot read $grid" >&2; exit 2; }
command -v parallel >/dev/null || { echo "sweep.sh: GNU parallel is not installed (apt-get install parallel)" >&2; exit 2; }

setups=() methods=() steps=() until="" maxsteps=""
refuse() { echo "sweep.sh: $* in $grid" >&2; exit 2; }
while IFS= read -r line || [ -n "$line" ]; do
  line="${line%$'\r'}"
  read -r key rest <<<"$line"
  read -r -a values <<<"$rest"
  for v in "${values[@]}"; do
    case "$key:$v" in
      *:--*|setups:-*) refuse "'$v' on the $key line looks like an option" ;;
    esac
  done
  case "$key" in
    ''|'#'*) continue ;;
    setups) setups=("${values[@]}") ;;
    methods) methods=("${values[@]}") ;;
    dt) steps=("${values[@]}") ;;
    until|max-steps)
      [ ${#values[@]} -eq 1 ] || refuse "the $key line must hold one value, not '$rest'"
      if [ "$key" = until ]; then until="$rest"; else maxsteps="$rest"; fi ;;
    *) refuse "unknown key '$key'" ;;
  esac
done <"$grid"
[ ${#setups[@]} -gt 0 ] || { echo "sweep.sh: $grid names no setups" >&2; exit 2; }
[ -n "$until" ] || { echo "sweep.sh: $grid has no until line" >&2; exit 2; }
# Without a methods line every method of the program runs, as its help lists them.
if [ ${#methods[@]} -eq 0 ]; then
  read -r -a methods <<<"$("$batch" --help 2>/dev/null |
    sed -n 's/^  --method NAME *\(.*\) (any case)$/\1/p' | sed 's/,/ /g; s/ or / /')"
  [ ${#methods[@]} -gt 0 ] || { echo "sweep.sh: $batch lists no methods; give a methods line" >&2; exit 2; }
fi

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

# Each job runs compare with its messages joined to its rows and ends with a line that gives its
# exit status, so that a job that printed no row still says why. Parallel quotes what it puts
# in for {1}, {2} and {3}; the fixed parts are quoted here.
command="$(printf '%q' "$batch") compare {1} --until $(printf '%q' "$until") --methods {2} {3}"
[ -n "$maxsteps" ] && command+=" --max-steps $(printf '%q' "$maxsteps")"
command+=' 2>&1; s=$?; echo "#sweep-exit $s"; exit $s'
options=(--will-cite --keep-order --colsep '\t' --tagstring '{#}')
[ -n "$jobs" ] && options+=(--jobs "$jobs")
[ -n "$sshlogin" ] && options+=(--sshlogin "$sshlogin")

# compare prints its header and one row; the rows get the setup in front as a CSV field (quoted
# when it holds a comma or a quote). A job without a row gets one from the jobs file and its
# first "error: " line (else its last line, else its exit status). Parallel tags every line with
# the job's number and keeps the jobs in order, so a job is complete when the next one begins.
gather() {
  awk -F'\t' '
    function field(text) {
      if (text ~ /[,"\r\n]/) { gsub(/"/, "\"\"", text); text = "\"" text "\"" }
      return text
    }
    function finish(k,    why, dt) {
      if (rows[k]) return
      if (error[k] != "") why = error[k]
      else if (last[k] != "") why = "error: " last[k]
      else if (status[k] > 128) why = "error: kinetra-batch was killed by signal " (status[k] - 128) " without a row"
      else if (status[k] != "") why = "error: kinetra-batch ended with exit status " status[k] " without a row"
      else why = "error: the job did not run"
      dt = option[k]; if (dt ~ /^--dt=/) dt = substr(dt, 6); else dt = ""
      print field(setup[k]) "," field(method[k]) "," field(dt) ",,,,,,,," field(why)
    }
    BEGIN { print "setup,method,time_step,steps,force_evaluations,final_time,max_energy_drift," \
                  "final_energy_drift,com_drift,wall_seconds,result" }
    FNR == NR { setup[NR] = $1; method[NR] = $2; option[NR] = $3; jobs = NR; next }
    {
      k = $1 + 0; line = substr($0, length($1) + 2)
      while (done < k - 1) finish(++done)
      if (line ~ /^#sweep-exit /) { status[k] = substr(line, 13); next }
      if (line ~ /^method,/) { header[k] = 1; next }
      if (header[k]) { print field(setup[k]) "," line; rows[k] = 1; next }
      if (error[k] == "" && line ~ /^error: /) error[k] = line
      if (line != "") last[k] = line
    }
    END { while (done < jobs) finish(++done) }' "$jobsfile" -
}

# The CSV goes to OUT.~tmp beside OUT (beside the file a link names), one name reused by every
# sweep, and replaces OUT only when complete.
# A device or a pipe as OUT is written directly.
sink=/dev/stdout target=""
if [ -n "$out" ] && [ -e "$out" ] && [ ! -f "$out" ]; then
  sink="$out"
elif [ -n "$out" ]; then
  target="$out"
  [ -L "$out" ] && target="$(realpath -m -- "$out")"
  sink="$target.~tmp"
fi
(: >"$sink") 2>/dev/null || { echo "sweep.sh: cannot write $out" >&2; exit 1; }
statusfile="$(mktemp)"
trap 'rm -f "$jobsfile" "$statusfile" ${target:+"$sink"}' EXIT
{
  parallel "${options[@]}" "$command" :::: "$jobsfile" | gather >"$sink"
  echo "${PIPESTATUS[*]}" >"$statusfile"
} &
runner=$!
# TERM or INT: every process of the sweep is frozen, then ended from the leaves up, so that
# parallel starts no run in between.
endtree() {
  kill -STOP "$1" 2>/dev/null
  local child
  for child in $(pgrep -P "$1"); do endtree "$child"; done
  kill -TERM "$1" 2>/dev/null
  kill -CONT "$1" 2>/dev/null
}
stop() {
  trap - TERM INT
  endtree "$runner"
  wait "$runner" 2>/dev/null
  echo "sweep.sh: interrupted; ${out:-the CSV} not written" >&2
  exit "$1"
}
trap 'stop 143' TERM
trap 'stop 130' INT
wait "$runner"
read -r -a statuses <"$statusfile"
if [ "${#statuses[@]}" -ne 2 ] || [ "${statuses[1]}" -ne 0 ] ||
  { [ -n "$target" ] && ! mv -f -- "$sink" "$target"; }; then
  echo "sweep.sh: could not write the CSV" >&2
  exit 1
fi
[ "${statuses[0]}" -eq 0 ] && exit 0
echo "sweep.sh: ${statuses[0]} run(s) failed" >&2
exit 1
