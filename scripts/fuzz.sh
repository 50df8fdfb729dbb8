#!/usr/bin/env bash
# Builds the GIF fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for the given number of seconds
# (default 60), starting from the damaged GIF corpus, the regression inputs of
# tests/data/gif and the GIFs the tests build. Exits non-zero when an input
# crashes; the input is left in build-fuzz/artifacts/ and belongs in
# tests/data/gif/ once the fault is mended.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
if [ ! -f gif/CMakeLists.txt ]; then
  echo "fuzz.sh: no GIF library in this tree, nothing to fuzz"
  exit 0
fi
dir=build-fuzz
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSCINDRA_FUZZ=ON "${launcher[@]}"
cmake --build "$dir" --target scindra_gif_fuzz scindra_gif_seeds

seeds="$dir/seeds"
corpus="$dir/corpus"
artifacts="$dir/artifacts"
rm -rf "$seeds"
mkdir -p "$seeds" "$corpus" "$artifacts"
"$dir/tests/fuzz/scindra_gif_seeds" "$seeds"
damaged=../shared/gif-corpus/damaged
if [ -d "$damaged" ]; then
  cp "$damaged"/*.gif "$seeds"/
else
  echo "fuzz.sh: no damaged corpus at $damaged, starting from the built seeds only"
fi
cp tests/data/gif/*.gif "$seeds"/ 2>/dev/null || true

# The first folder receives the new inputs that reach new code; the seeds
# folder is only read.
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  "$dir/tests/fuzz/scindra_gif_fuzz" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -max_len=65536 \
  -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "$seeds"
