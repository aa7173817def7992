#!/usr/bin/env bash
# Rewrites the expected decoder output of every recording in tests/data on purpose:
#   tests/data/expected/<folder>/<file>.jsonl =
#     pelyx decode --stores --targets --now "2026-01-01 12:00:00" tests/data/<folder>/<file>
# Review the diff (git diff --stat tests/data/expected; git diff tests/data/expected)
# before committing it. Usage: scripts/regenerate_golden.sh [BUILD_DIR]  (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
if [[ ! -f $build/build.ninja ]]; then
  cmake -S . -B "$build" -G Ninja >/dev/null
fi
ninja -C "$build" pelyx >/dev/null
pelyx=$build/tools/pelyx

count=0
for folder in ais gnss quirks; do
  mkdir -p "tests/data/expected/$folder"
  # Expectations whose recording is gone.
  for expected in tests/data/expected/"$folder"/*.jsonl; do
    [[ -e $expected ]] || continue
    name=$(basename "$expected" .jsonl)
    [[ -f tests/data/$folder/$name ]] || { echo "removing stale $expected"; rm -f "$expected"; }
  done
  for recording in tests/data/"$folder"/*; do
    [[ -f $recording ]] || continue
    "$pelyx" decode --stores --targets --now "2026-01-01 12:00:00" "$recording" >"tests/data/expected/$folder/$(basename "$recording").jsonl"
    count=$((count + 1))
  done
done
echo "wrote $count expected files under tests/data/expected"
