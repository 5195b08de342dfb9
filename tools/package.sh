#!/usr/bin/env bash
# Builds the Debian package tiltmoor_<version>_amd64.deb into build/.
#   tools/package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bash tools/install-deps.sh --game-only
cmake -S . -B "$build" > /dev/null
cmake --build "$build" -j"$(nproc)" --target tiltmoor manual solution_replays
(cd "$build" && cpack -G DEB)
ls "$build"/tiltmoor_*_amd64.deb
