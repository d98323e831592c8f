#!/usr/bin/env bash
# Builds the benchmarks optimised and runs them; each prints its ratio against its baseline.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh test
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DQUELLON_TESTS=OFF
cmake --build build/bench -j "$(nproc)"
export ALSOFT_DRIVERS=null
for b in build/bench/bench/*_bench; do
    echo "== $(basename "$b")"
    xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX -noreset" "$b" "$@"
done
