#!/usr/bin/env bash
# Installs what is missing, builds, and starts the configuration window with a simulated
# receiver attached (on a pseudo-terminal listed among the serial ports): choose that
# port in the Serial Port list, or Auto, and press Connect.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build pelyx-config pelyx pelyx-sim
exec build/app/pelyx-config --simulator "$@"
