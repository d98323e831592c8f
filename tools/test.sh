#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# every test under a virtual X server (real OpenGL through Mesa) with OpenAL's null output; runs
# the tests that open a window (label gl) again on the SDL 1.2 compatibility library (SDL 1.2 on
# SDL 2); then runs the music thread's tests under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh test

jobs=$(nproc)
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DQUELLON_SANITIZE=ON
cmake --build build/test -j "$jobs"

# Every test has a time limit of its own, so that a hang fails within minutes.
ctest --test-dir build/test --show-only=json-v1 | python3 -c '
import json, sys
tests = json.load(sys.stdin)["tests"]
bare = [t["name"] for t in tests if "TIMEOUT" not in [p["name"] for p in t.get("properties", [])]]
if bare:
    sys.exit("Tests without a time limit: " + " ".join(bare))
'

export ALSOFT_DRIVERS=null
xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX -noreset" \
    ctest --test-dir build/test --output-on-failure -j "$jobs"

# The same programs on the compatibility library, which the loader takes from its own directory
# instead of SDL 1.2. Every test labelled gl takes part, whichever program it is in.
compat=$(dirname "$(dpkg -L libsdl1.2-compat | grep '/libSDL-1\.2\.so\.0$' | head -n 1)")
# ldd's list is read whole: grep -q would stop reading at the first match, and ldd, cut off,
# would fail the pipe.
libraries=$(LD_LIBRARY_PATH="$compat" ldd build/test/ravek/tests/gfx_tests)
if ! grep -q "$compat/" <<<"$libraries"; then
    echo "The SDL 1.2 compatibility library in $compat is not the one the tests load." >&2
    exit 1
fi
LD_LIBRARY_PATH="$compat" xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX -noreset" \
    ctest --test-dir build/test --output-on-failure -j "$jobs" -L '^gl$'

# The music thread against the main thread under ThreadSanitizer: any report fails the run.
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=Debug -DQUELLON_TSAN=ON -DQUELLON_TESTS=ON \
    -DQUELLON_BENCH=OFF
cmake --build build/tsan -j "$jobs" --target audio_tests
TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tools/tsan.supp" \
    build/tsan/ravek/tests/audio_tests --gtest_filter='MusicStressAL.*:MusicThreadAL.*'
