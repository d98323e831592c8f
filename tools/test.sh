#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# every test under a virtual X server (real OpenGL through Mesa) with OpenAL's null output; then
# runs the music thread's tests under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh test

jobs=$(nproc)
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DQUELLON_SANITIZE=ON
cmake --build build/test -j "$jobs"

export ALSOFT_DRIVERS=null
xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX -noreset" \
    ctest --test-dir build/test --output-on-failure -j "$jobs"

# The music thread against the main thread under ThreadSanitizer: any report fails the run.
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=Debug -DQUELLON_TSAN=ON -DQUELLON_TESTS=ON \
    -DQUELLON_BENCH=OFF
cmake --build build/tsan -j "$jobs" --target audio_tests
TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tools/tsan.supp" \
    build/tsan/ravek/tests/audio_tests --gtest_filter='MusicStressAL.*:MusicThreadAL.*'
