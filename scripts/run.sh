#!/usr/bin/env bash
# Installs what is missing, builds, and decodes a receiver recording to JSON Lines.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build pelyx
build/tools/pelyx decode --stores "${1:-tests/data/ais/ais-nmea.log}"
