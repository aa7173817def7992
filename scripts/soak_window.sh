#!/usr/bin/env bash
# The window's responsiveness under a receiver that fills its 115200 bit/s link: starts
# pelyx-sim at full rate on a pseudo-terminal, and the window (offscreen) connected to it
# with the data log on, for SECONDS (default 600). Prints the window's CPU share, its
# resident memory and the delay from a sentence's write to its line in the log.
# Usage: scripts/soak_window.sh [SECONDS] [BUILD_DIR] [LOG_CAP]  (LOG_CAP: a smaller log cap,
# so that a shorter run reaches it and shows the memory staying flat)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
build=${2:-build}
cap=${3:+--log-cap $3}
if [[ ! -f $build/build.ninja ]]; then
  cmake -S . -B "$build" -G Ninja >/dev/null
fi
ninja -C "$build" pelyx-sim pelyx-window-soak >/dev/null

out=$(mktemp)
"$build/tools/sim/pelyx-sim" --pty --full-rate 115200 --seconds $((seconds + 60)) >"$out" &
sim=$!
trap 'kill $sim 2>/dev/null || true; rm -f "$out"' EXIT
for _ in $(seq 50); do [[ -s $out ]] && break; sleep 0.1; done
device=$(head -n 1 "$out")
echo "== receiver at full rate on $device, window for $seconds s"
QT_QPA_PLATFORM=offscreen "$build/bench/pelyx-window-soak" --device "$device" --seconds "$seconds" $cap
