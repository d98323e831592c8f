#!/usr/bin/env bash
# Installs what is missing, builds the game optimised and starts it in the player's own working
# directory, where it keeps "settings.xml", "highscores.xml" and "screenshot.png"; a link there
# named "resources" points to this repository's data set.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
cd "$repo"

bash tools/install-deps.sh game

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQUELLON_TESTS=OFF -DQUELLON_BENCH=OFF
cmake --build build/release -j "$(nproc)" --target quellon

home="${XDG_DATA_HOME:-$HOME/.local/share}/quellon"
mkdir -p "$home"
ln -sfn "$repo/resources" "$home/resources"
cd "$home"
exec "$repo/build/release/quellon/quellon"
