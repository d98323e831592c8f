#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# every test under a virtual X server (real OpenGL through Mesa) with OpenAL's null output.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh test

jobs=$(nproc)
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DQUELLON_SANITIZE=ON
cmake --build build/test -j "$jobs"

export ALSOFT_DRIVERS=null
xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX" \
    ctest --test-dir build/test --output-on-failure -j "$jobs"
