#!/usr/bin/env bash
# Installs what is missing, builds, and starts the game. Extra arguments go to
# the game (for example --windowed).
set -euo pipefail
cd "$(dirname "$0")"
bash tools/install-deps.sh --game-only
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target tiltmoor tiltmoor-sim solution_replays
exec ./build/tiltmoor "$@"
