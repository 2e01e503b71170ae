#!/usr/bin/env bash
# Audio engine benchmark: loops a 60 s noise mp3 for 60 s through our player
# (SDL's dummy driver) and through mpv (--ao=null), one after the other, and
# prints CPU seconds per second of audio, peak RSS and the ratios; then a
# seam report from the player's output captured by SDL's disk driver.
#
#   bench/engine.sh [seconds]        (default 60; BUILD_DIR to reuse a build)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
secs=${1:-60}
build=${BUILD_DIR:-$root/build-bench}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ ! -x "$build/bench/hushwave_playbench" ] || [ -n "${REBUILD:-}" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DHUSHWAVE_TESTS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j2 --target hushwave_playbench >/dev/null
fi
bench=$build/bench/hushwave_playbench

# The generated library's white noise if a build made it, else our own.
sound=$(ls "$root"/build*/program/sounds/"White Noise.mp3" 2>/dev/null | head -1 || true)
if [ -z "$sound" ]; then
  sound=$work/noise.mp3
  "$bench" --noise "$sound" 60
fi
echo "file: $sound"

field() { sed -n "s/^[[:space:]]*$1: //p" "$2"; }
cpu_of() { awk -v u="$(field 'User time (seconds)' "$1")" -v s="$(field 'System time (seconds)' "$1")" 'BEGIN { printf "%.3f", u + s }'; }

SDL_AUDIODRIVER=dummy /usr/bin/time -v -o "$work/ours.time" "$bench" "$sound" "$secs" >"$work/ours.out"
# mpv never ends a looped file by itself: stop it after the same time.
/usr/bin/time -v -o "$work/mpv.time" timeout -s INT "$secs" \
  mpv --no-video --ao=null --loop-file=inf --length=60 --really-quiet "$sound" >/dev/null 2>&1 || true

ours_cpu=$(cpu_of "$work/ours.time"); mpv_cpu=$(cpu_of "$work/mpv.time")
ours_rss=$(field 'Maximum resident set size (kbytes)' "$work/ours.time")
mpv_rss=$(field 'Maximum resident set size (kbytes)' "$work/mpv.time")
underruns=$(sed -n 's/^underrun_frames //p' "$work/ours.out")

awk -v s="$secs" -v oc="$ours_cpu" -v mc="$mpv_cpu" -v orss="$ours_rss" -v mrss="$mpv_rss" -v u="$underruns" 'BEGIN {
  printf "%-10s %12s %14s %12s\n", "", "cpu s", "cpu s / s", "peak RSS MB"
  printf "%-10s %12.3f %14.5f %12.1f\n", "hushwave", oc, oc / s, orss / 1024
  printf "%-10s %12.3f %14.5f %12.1f\n", "mpv", mc, mc / s, mrss / 1024
  printf "ratio      cpu %.2f (goal <= 0.30)   rss %.2f (goal <= 0.30)\n", oc / mc, orss / mrss
  printf "underrun frames while playing: %s\n", u
}'

echo "seam report (2 seams, captured by SDL's disk driver):"
"$bench" --seam "$sound" "$work/capture.raw" 2 2> >(grep -v "SDL disk\|Writing to file" >&2)
