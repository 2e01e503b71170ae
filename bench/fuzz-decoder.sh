#!/usr/bin/env bash
# Fuzzes the decode path (content sniffing, the mp3 decoder and the libsndfile
# decoder for WAV, FLAC, Ogg Vorbis and Opus) with libFuzzer under
# AddressSanitizer and UndefinedBehaviorSanitizer for a bounded time
# (default 120 s).
#   bench/fuzz-decoder.sh [seconds]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
secs=${1:-120}
out=${FUZZ_DIR:-$root/build-fuzz}
mkdir -p "$out/corpus"
engine="$root/src/playback/engine"

clang++ -std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I "$root/src" $(pkg-config --cflags Qt6Core libmpg123 sndfile) \
  "$root/bench/fuzz_decoder.cpp" "$engine/Decoder.cpp" "$engine/AudioContent.cpp" \
  "$engine/Mpg123Decoder.cpp" "$engine/SndfileDecoder.cpp" "$engine/SndfileLibrary.cpp" \
  "$engine/DynamicLibrary.cpp" \
  $(pkg-config --libs Qt6Core libmpg123 sndfile) -o "$out/fuzz_decoder"

# Seeds: a real short mp3, its head, one short file of each other format, and nothing.
bench=${PLAYBENCH:-}
if [ -z "$bench" ]; then
  bench=$(ls "$root"/build*/bench/hushwave_playbench 2>/dev/null | head -1 || true)
fi
if [ -n "$bench" ] && [ ! -e "$out/corpus/seed.mp3" ]; then
  "$bench" --noise "$out/corpus/seed.mp3" 0.2
  head -c 2000 "$out/corpus/seed.mp3" > "$out/corpus/seed-head.mp3"
fi
if [ ! -e "$out/corpus/seed.opus" ]; then
  cat > "$out/seeds.c" <<'C'
#include <sndfile.h>
#include <stdlib.h>
int main(int argc, char** argv)
{
    static const int formats[] = {SF_FORMAT_WAV | SF_FORMAT_PCM_16, SF_FORMAT_WAV | SF_FORMAT_FLOAT,
                                  SF_FORMAT_FLAC | SF_FORMAT_PCM_16, SF_FORMAT_OGG | SF_FORMAT_VORBIS,
                                  SF_FORMAT_OGG | SF_FORMAT_OPUS};
    static float noise[4800 * 2];
    for (int i = 0; i < 4800 * 2; ++i)
        noise[i] = (float)(rand() % 2001 - 1000) / 4000.0f;
    for (int k = 0; k < 5 && k + 1 < argc; ++k) {
        SF_INFO info = {0};
        info.samplerate = k == 4 ? 48000 : 44100;
        info.channels = k == 2 ? 1 : 2;
        info.format = formats[k];
        SNDFILE* f = sf_open(argv[k + 1], SFM_WRITE, &info);
        if (!f)
            return 1;
        sf_writef_float(f, noise, 4800);
        sf_close(f);
    }
    return 0;
}
C
  cc "$out/seeds.c" $(pkg-config --cflags --libs sndfile) -o "$out/seeds"
  "$out/seeds" "$out/corpus/seed16.wav" "$out/corpus/seedf.wav" "$out/corpus/seed.flac" \
    "$out/corpus/seed.ogg" "$out/corpus/seed.opus"
fi
: > "$out/corpus/empty.mp3"

# libsndfile 1.2.0 leaks its Vorbis state on some broken Ogg headers (the
# decoder refuses such a file once and does not open it again until it
# changes); every other leak still stops the run.
echo "leak:vorbis_info_init" > "$out/lsan.supp"
export LSAN_OPTIONS="suppressions=$out/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

cd "$out"
status=0
./fuzz_decoder -max_total_time="$secs" -max_len=65536 -rss_limit_mb=1024 -timeout=10 \
  -print_final_stats=1 corpus >fuzz.log 2>&1 || status=$?
# Coverage at the start and the end (edges of our own code), then the stats.
grep -E '^#[0-9]+[[:space:]]+INITED' fuzz.log || true
grep -E '^#[0-9]+[[:space:]].*cov:' fuzz.log | tail -1 || true
tail -25 fuzz.log
exit "$status"
