#!/usr/bin/env bash
# Draws the data set through the engine into PNG pages under build/contact-sheet/: every
# animation's frames, the HUD images and the GUI panels at 800 x 600.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh test
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQUELLON_TESTS=OFF -DQUELLON_BENCH=OFF
cmake --build build/release -j "$(nproc)" --target contact_sheet
mkdir -p build/contact-sheet
xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX -noreset" \
    build/release/tools/contact_sheet/contact_sheet resources build/contact-sheet
