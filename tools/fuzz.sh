#!/usr/bin/env bash
# Fuzzes one reader of the engine with libFuzzer:
#   tools/fuzz.sh TARGET MINUTES
# TARGET names fuzz/TARGET_fuzz.cpp (xml, resources, images, animations, fonts,
# evaluators, gui, samples, png, ogg). Builds the targets with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer into build/fuzz, fuzzes from the committed corpus with new inputs
# kept in build/fuzz/scratch/TARGET, then merges only the inputs that add coverage into
# fuzz/corpus/TARGET. Findings land in build/fuzz/findings/TARGET/; the run's
# statistics in build/fuzz/TARGET.log. Exits non-zero when the fuzzer found something. MINUTES 0
# only compacts the committed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."

usage="usage: tools/fuzz.sh TARGET MINUTES"
target=${1:?$usage}
minutes=${2:?$usage}
if [ ! -f "fuzz/${target}_fuzz.cpp" ]; then
    echo "No fuzz target \"$target\"." >&2
    exit 2
fi

bash tools/install-deps.sh game
# clang and its fuzzing runtime are needed here only: the test command replays with gcc.
missing=()
for p in clang libclang-rt-14-dev; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build/fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug -DQUELLON_FUZZ=ON -DQUELLON_TESTS=OFF -DQUELLON_BENCH=OFF
cmake --build build/fuzz -j4 --target "${target}_fuzz"

# Small inputs mutate fast and keep the committed corpus small; the whole data set's seeds are
# longer and are only replayed whole.
case "$target" in
    ogg) max_len=16384 ;;
    resources | gui | images | evaluators | png) max_len=8192 ;;
    *) max_len=4096 ;;
esac

corpus="fuzz/corpus/$target"
scratch="build/fuzz/scratch/$target"
findings="build/fuzz/findings/$target/"
program="build/fuzz/fuzz/${target}_fuzz"
mkdir -p "$scratch" "$findings"

# The engine's log goes to standard output, which is closed; sanitizer reports stay.
status=0
if [ "$minutes" -gt 0 ]; then
    set +e
    "$program" "$scratch" "$corpus" -max_total_time=$((minutes * 60)) -max_len="$max_len" \
        -timeout=10 -rss_limit_mb=2048 -close_fd_mask=1 -artifact_prefix="$findings" \
        -print_final_stats=1 2>&1 | tee "build/fuzz/$target.log" | grep -v '^#[0-9]'
    status=${PIPESTATUS[0]}
    set -e
fi

# The committed corpus becomes its seeds and regression inputs plus the fewest, smallest inputs
# of the old corpus and this run that reach the same coverage.
merged=$(mktemp -d)
cp "$corpus"/seed_* "$corpus"/regression_* "$merged"/ 2>/dev/null || true
"$program" -merge=1 -max_len="$max_len" -close_fd_mask=1 "$merged" "$corpus" "$scratch" 2>&1 |
    tail -n 1
find "$corpus" -maxdepth 1 -type f ! -name 'seed_*' ! -name 'regression_*' -delete
find "$merged" -maxdepth 1 -type f ! -name 'seed_*' ! -name 'regression_*' -exec mv {} "$corpus"/ \;
rm -rf "$merged"
echo "Corpus: $(ls "$corpus" | wc -l) files, $(du -sh "$corpus" | cut -f1)."
exit "$status"
