#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite: the unit and golden
# tests, the same tests under AddressSanitizer + UndefinedBehaviorSanitizer, the link
# tests under ThreadSanitizer, and each fuzz target for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)
fuzz_seconds=${PELYX_FUZZ_SECONDS:-30}

echo "== build and test"
cmake -S . -B build -G Ninja >/dev/null
ninja -C build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== tests under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DPELYX_SANITIZE=ON -DPELYX_BENCH=OFF >/dev/null
ninja -C build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== link tests under ThreadSanitizer"
cmake -S . -B build-tsan -G Ninja -DPELYX_TSAN=ON -DPELYX_BENCH=OFF >/dev/null
# (grep reads the whole list: with -q it would stop early and, under pipefail, the
# listing's broken pipe would read as "no such target")
if ninja -C build-tsan -t targets all | grep '^link_tests:' >/dev/null; then
  ninja -C build-tsan -j"$jobs" link_tests
  build-tsan/tests/link_tests
fi

echo "== fuzz targets, ${fuzz_seconds} s each"
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DPELYX_FUZZ=ON -DPELYX_TESTS=OFF \
  -DPELYX_BENCH=OFF >/dev/null
ninja -C build-fuzz -j"$jobs"
for target in build-fuzz/fuzz/fuzz_*; do
  [[ -x $target ]] || continue
  name=$(basename "$target")
  corpus=$(mktemp -d)
  seeds=fuzz/corpus/${name#fuzz_}
  [[ -d $seeds ]] || seeds=
  echo "-- $name"
  "$target" -max_total_time="$fuzz_seconds" -max_len=4096 -print_final_stats=1 \
    "$corpus" $seeds 2>&1 | tail -n 12
  rm -rf "$corpus"
done
echo "all test stages passed"
