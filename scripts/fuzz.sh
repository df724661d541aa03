#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang (build-fuzz) and runs each one in turn for SECONDS
# (default 60): the setup file reader, the expression parser and TVector::FromString. Each starts
# from a seed corpus (the examples, tests/data, typical and malformed parser texts, vector lines)
# plus its regression corpus, and grows its own corpus in build-fuzz/corpus/<target>.
# A finding stops that harness and leaves the input in build-fuzz/findings/<target>/: fix the
# cause, then copy the input into tests/fuzz/regression/<target>/ so that the normal tests
# replay it.
#
#   scripts/fuzz.sh [SECONDS] [TARGET ...]    TARGET: setup parser vector (default all three)
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-60}
shift || true
TARGETS=("$@")
[ ${#TARGETS[@]} -eq 0 ] && TARGETS=(setup parser vector)

# clang with its runtime libraries: libFuzzer and the sanitizers are in libclang-rt-dev, which
# clang only recommends.
packages="cmake make clang libclang-rt-dev"
missing=()
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# KINETRA_FUZZ_BUILD names another build folder (several people fuzzing one tree).
BUILD=${KINETRA_FUZZ_BUILD:-build-fuzz}
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKINETRA_FUZZ=ON \
    -DKINETRA_BUILD_UI=OFF -DKINETRA_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$BUILD" -j"$(nproc)" --target fuzz_SetupFile fuzz_Parser fuzz_Vector 2>&1 |
  grep -v -E '^\[ *[0-9]+%\]|^-- ' || true
[ "${PIPESTATUS[0]}" -eq 0 ] && [ -x "$BUILD/tests/fuzz/fuzz_Vector" ] || { echo "fuzz build failed" >&2; exit 1; }

# Seeds, written afresh on every run; the growing corpora stay.
SEEDS="$BUILD/seeds"
rm -rf "$SEEDS"
mkdir -p "$SEEDS/setup" "$SEEDS/parser" "$SEEDS/vector"
for f in examples/*.knx; do cp "$f" "$SEEDS/setup/example-$(basename "$f")"; done
for f in tests/data/*.knx; do cp "$f" "$SEEDS/setup/data-$(basename "$f")"; done
# The same setups followed by a run section: the options kinetra-batch would apply, then steps
# (the section's form is described in tests/fuzz/FuzzTargets.h).
i=0
for options in '--dt 0.001' '--method Stoermer\r\n--dt 1/300\r\n--backwards' \
  '--method RKF\r\n--accuracy 1E-8\r\n--cycles 3' '--collisions\r\n--steps 3\r\n--threads 2' \
  '--dt 1E200' '--dt 1E-170\r\n--backwards'; do
  for f in examples/*.knx tests/data/*.knx; do
    { cat "$f"; printf "\r\n#run\r\n$options\r\n"; } > "$SEEDS/setup/run$i-$(basename "$f")"
  done
  i=$((i + 1))
done
i=0
while IFS= read -r text; do
  printf '%s' "$text" > "$SEEDS/parser/text$((i++))"
done <<'EOF'
2+3*4
2-3-4
8/4/2
-2*3
2*-3
--3
-(1+2)
1e3
1E-3
2.5e+2
.5
5.
PI
pi
1/(4*PI*E0)
x = 7
x*2
a = 2
b = a + 1
2 * y = 4 - 1
4)
3)abc
+3
2 3
(2+3
2/0
1/(1-1)
2^3
PI^2
3x
1,5
1e
1e999
GN*5.97E24/(6.371E6*6.371E6)
QE*QE/(4*PI*E0)
((((((((((1))))))))))
EOF
printf ' ' > "$SEEDS/parser/blank"
printf '\t1' > "$SEEDS/parser/tab"
# Several texts per input: a definition then its use.
printf 'm = 5.97E24\nr = 6.371E6\nGN*m/(r*r)' > "$SEEDS/parser/lines"
i=0
while IFS= read -r text; do
  printf '%s' "$text" > "$SEEDS/vector/line$((i++))"
done <<'EOF'
0 0
1.5   -2E3   7
  1.5 -2E3 7  
1 2
1 2 3 4
0.002 -1 1E-30
1.23456789012346E17 -5E-5 0.0001
1E308 -1E308 4.9E-324
1e999
1 x 3
1,5 2
1	2
-0 +0 .5 5.
1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26
EOF

status=0
for target in "${TARGETS[@]}"; do
  case $target in
    # Setups: most of what can go wrong fits a few kilobytes; the large seeds are cut there.
    setup) program=fuzz_SetupFile; extra=(-max_len=16384) ;;
    parser) program=fuzz_Parser; extra=() ;;
    vector) program=fuzz_Vector; extra=() ;;
    *) echo "unknown target $target" >&2; exit 2 ;;
  esac
  corpus="$BUILD/corpus/$target"
  findings="$BUILD/findings/$target"
  mkdir -p "$corpus" "$findings"
  echo "== $target: ${SECONDS_EACH} s"
  log="$BUILD/$target.log"
  if ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0 UBSAN_OPTIONS=print_stacktrace=1 \
    "$BUILD/tests/fuzz/$program" "$corpus" "$SEEDS/$target" "tests/fuzz/regression/$target" \
      -max_total_time="$SECONDS_EACH" -timeout=5 -rss_limit_mb=2048 "${extra[@]}" \
      -artifact_prefix="$findings/" -print_final_stats=1 >"$log" 2>&1; then
    :
  else
    status=1
    echo "   FINDING: see $log and $findings/"
  fi
  grep -E '^stat::number_of_executed_units|^stat::new_units_added|^stat::peak_rss_mb' "$log" | sed 's/^/   /' || true
  echo "   corpus: $(ls "$corpus" | wc -l) files, $(du -sk "$corpus" | cut -f1) KB"
done
exit $status
