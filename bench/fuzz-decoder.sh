#!/usr/bin/env bash
# Fuzzes the mp3 decode path with libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer for a bounded time (default 120 s).
#   bench/fuzz-decoder.sh [seconds]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
secs=${1:-120}
out=${FUZZ_DIR:-$root/build-fuzz}
mkdir -p "$out/corpus"

clang++ -std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I "$root/src" $(pkg-config --cflags Qt6Core libmpg123) \
  "$root/bench/fuzz_decoder.cpp" "$root/src/playback/engine/Decoder.cpp" \
  $(pkg-config --libs Qt6Core libmpg123) -o "$out/fuzz_decoder"

# Seeds: a real short mp3 (mono and stereo), its head, and nothing.
bench=${PLAYBENCH:-}
if [ -z "$bench" ]; then
  bench=$(ls "$root"/build*/bench/hushwave_playbench 2>/dev/null | head -1 || true)
fi
if [ -n "$bench" ] && [ ! -e "$out/corpus/seed.mp3" ]; then
  "$bench" --noise "$out/corpus/seed.mp3" 0.2
  head -c 2000 "$out/corpus/seed.mp3" > "$out/corpus/seed-head.mp3"
fi
: > "$out/corpus/empty.mp3"

cd "$out"
./fuzz_decoder -max_total_time="$secs" -max_len=65536 -rss_limit_mb=1024 -timeout=10 \
  -print_final_stats=1 corpus 2>&1 | tail -25
