#!/usr/bin/env bash
# Installs what is missing, builds the game optimised and runs it from the repository root,
# where its data directory "resources/" lives.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh game

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQUELLON_TESTS=OFF -DQUELLON_BENCH=OFF
cmake --build build/release -j "$(nproc)"

if [ ! -x build/release/quellon/quellon ]; then
    echo "The game itself is not written yet: so far only the engine library is built."
    exit 0
fi
exec build/release/quellon/quellon
