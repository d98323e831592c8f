#!/usr/bin/env bash
# The monkey test for as long as asked: installs what is missing, builds the program with
# AddressSanitizer and UndefinedBehaviorSanitizer when needed and sends it random input under
# a virtual X server of its own (tools/monkey.py says what fails it).
#   tools/monkey.sh [MINUTES [SEED]]    default: 2 minutes, seed 1 (the test command's run)
set -euo pipefail
cd "$(dirname "$0")/.."
minutes="${1:-2}"
seed="${2:-1}"

bash tools/install-deps.sh test
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DQUELLON_SANITIZE=ON >/dev/null
cmake --build build/test -j "$(nproc)" --target quellon

exec /usr/bin/python3 tools/monkey.py --program build/test/quellon/quellon \
    --minutes "$minutes" --seed "$seed"
