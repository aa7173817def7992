#!/usr/bin/env bash
# Throughput of the receive path over the benchmark corpora:
#   intake  - line assembly, decoding, store merge; corpus in memory, no output
#             (build/bench/pelyx-bench-intake)
#   decode  - `pelyx decode` reading the corpus file, JSON Lines to /dev/null
# and, when gpsdecode (gpsd-clients) is installed, gpsdecode over the same corpora for
# scale. Builds the corpora into BUILD_DIR/bench-corpora when they are missing.
# Usage: scripts/bench_decode.sh [BUILD_DIR]   (default: build; PELYX_JOBS build jobs,
# PELYX_BENCH_RUNS timed runs of each command, the best counts; default 3)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
jobs=${PELYX_JOBS:-$(nproc)}
runs=${PELYX_BENCH_RUNS:-3}

if [[ ! -f $build/build.ninja ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
ninja -C "$build" -j"$jobs" pelyx pelyx-bench-intake >/dev/null

corpora=$build/bench-corpora
if [[ ! -f $corpora/bench_ais.nmea || ! -f $corpora/bench_mixed.nmea ]]; then
  echo "== building the corpora into $corpora"
  python3 scripts/make_bench_corpora.py "$corpora"
fi

lines_of() { wc -l <"$1" | tr -d ' '; }

# best_seconds COMMAND...: the shortest wall time of $runs runs, output to /dev/null.
best_seconds() {
  local best="" start end t
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')
    if [[ -z $best ]] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  echo "$best"
}

report() {  # report LABEL LINES SECONDS
  awk -v l="$1" -v n="$2" -v s="$3" \
    'BEGIN { printf "%-34s %9d lines %8.3f s %12.0f lines/s\n", l, n, s, n / s }'
}

type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
echo "== build type ${type:-RelWithDebInfo (the project default)}, best of $runs runs," \
  "load average $(cut -d' ' -f1-3 /proc/loadavg)"
for corpus in bench_mixed bench_ais; do
  file=$corpora/$corpus.nmea
  n=$(lines_of "$file")
  echo "-- $corpus.nmea"
  "$build/bench/pelyx-bench-intake" "$file" "$runs"
  report "pelyx decode > /dev/null" "$n" "$(best_seconds "$build/tools/pelyx" decode "$file")"
  report "pelyx decode --stores > /dev/null" "$n" \
    "$(best_seconds "$build/tools/pelyx" decode --stores "$file")"
  report "pelyx decode --targets > /dev/null" "$n" \
    "$(best_seconds "$build/tools/pelyx" decode --targets "$file")"
  if command -v gpsdecode >/dev/null; then
    # gpsdecode complains on stderr about fragments the corpus cut; those lines are skipped.
    report "gpsdecode < corpus > /dev/null" "$n" \
      "$(best_seconds sh -c "gpsdecode <'$file' 2>/dev/null")"
    report "gpsdecode -u -j < corpus > /dev/null" "$n" \
      "$(best_seconds sh -c "gpsdecode -u -j <'$file' 2>/dev/null")"
  fi
done
