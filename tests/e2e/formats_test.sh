#!/usr/bin/env bash
# Sound files told by their content: a WAV named .mp3 plays as the quiet sine
# it holds, Ogg Vorbis, FLAC and WAV styles play and loop sample-exactly, an
# Opus one plays, and nothing captured ever goes beyond full scale, nor reaches
# it from single junk samples. Mixes play their parts together, each looping
# on its own, and leave out what they cannot play.
source "$(dirname "$0")/lib.sh"

hw_session

SOUNDS_SRC="$HW_ROOT/sounds"
mkdir -p "$SOUNDS_SRC"
(
    cd "$SOUNDS_SRC" || exit 1
    sox -n -r 44100 -c 2 -b 16 -t wav "My Recording.mp3" synth 10 sine 1000 vol 0.3
    sox -R -n -r 44100 -c 2 Rain.ogg synth 1.5 whitenoise vol 0.4
    sox -R -n -r 44100 -c 2 -b 16 Stream.flac synth 1.7 brownnoise vol 0.5
    sox -R -n -r 44100 -c 1 -b 16 Tone.wav synth 1.3 pinknoise vol 0.4
    # A float WAV that goes half as far again beyond full scale.
    python3 - <<'EOF'
import math, random, struct
random.seed(3)
frames = 48510
data = b"".join(struct.pack("<ff", 1.5 * math.sin(i / 7.0), random.uniform(-1.5, 1.5))
                for i in range(frames))
fmt = struct.pack("<HHIIHH", 3, 2, 44100, 44100 * 8, 8, 32)
body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
open("Overs.wav", "wb").write(b"RIFF" + struct.pack("<I", len(body)) + body)
EOF
    # Noise with one junk sample in every 441 (not a number, infinite, or
    # far beyond full scale), and an Opus file written through libsndfile.
    python3 - <<'EOF'
import ctypes, math, random, struct
random.seed(4)
junk = [math.nan, math.inf, -math.inf, 1e30, -1e30, 40.0]
samples = [random.uniform(-0.4, 0.4) for _ in range(2 * 44100)]
for k, i in enumerate(range(0, len(samples), 441)):
    samples[i] = junk[k % len(junk)]
data = struct.pack("<%df" % len(samples), *samples)
fmt = struct.pack("<HHIIHH", 3, 2, 44100, 44100 * 8, 8, 32)
body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
open("Sparse.wav", "wb").write(b"RIFF" + struct.pack("<I", len(body)) + body)

class Info(ctypes.Structure):
    _fields_ = [("frames", ctypes.c_int64), ("samplerate", ctypes.c_int), ("channels", ctypes.c_int),
                ("format", ctypes.c_int), ("sections", ctypes.c_int), ("seekable", ctypes.c_int)]
sf = ctypes.CDLL("libsndfile.so.1")
sf.sf_open.restype = ctypes.c_void_p
sf.sf_writef_float.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_float), ctypes.c_int64]
sf.sf_close.argtypes = [ctypes.c_void_p]
info = Info(0, 48000, 2, 0x200000 | 0x0064, 0, 0)  # Ogg Opus
f = sf.sf_open(b"Wind.opus", 0x20, ctypes.byref(info))
frames = 48000 * 2
noise = (ctypes.c_float * (2 * frames))(*[random.uniform(-0.3, 0.3) for _ in range(2 * frames)])
sf.sf_writef_float(f, noise, frames)
sf.sf_close(f)
EOF
    # The first 8 s of White Noise with 3000 bytes of junk at 3 s: some of it
    # reads as frames at other rates, where decoding once stopped.
    python3 - "$(dirname "$HW_BINARY")/sounds/White Noise.mp3" <<'EOF'
import random, sys
data = bytearray(open(sys.argv[1], "rb").read()[:160000])
r = random.Random(2)
for k in range(3000):
    data[60000 + k] = r.randrange(256)
open("Damaged.mp3", "wb").write(data)
EOF
) || { hw_log "cannot make the test sounds"; exit 1; }

# The list shows the files in reverse name order.
declare -A ENTRY=([Wind.opus]=0 [Tone.wav]=1 [Stream.flac]=2 [Sparse.wav]=3 [Rain.ogg]=4
    [Overs.wav]=5 ["My Recording.mp3"]=6 [Damaged.mp3]=7)

# A copy of the program whose sounds/ holds only the test sounds.
use_test_sounds() {
    local dir
    dir="$(dirname "$HW_CAPTURE")/program"
    mkdir -p "$dir"
    cp -r "$SOUNDS_SRC" "$dir/sounds"
    cp "$HW_BINARY" "$dir/"
    HW_PROGRAM="$dir/$(basename "$HW_BINARY")"
}

# Measures the capture against the file (decoded by sox): key=value lines
#   peak      largest sample of the capture (absolute)
#   rms       RMS of the capture's sound
#   hz        frequency from the zero crossings of the left channel
#   found     1 when the file's frames were found in the capture
#   seams     loop seams inside the compared span
#   bad       frames that differ from the file by more than 1e-4
#   unequal   frames that differ from the frame one file length later
measure() { # file [type, where its name would mislead sox; - for no reference]
    if [ "${2:-}" = - ]; then
        : >"$HW_ROOT/ref.raw" # only the capture's own figures count
    else
        sox ${2:+-t "$2"} "$SOUNDS_SRC/$1" -t f32 -r 44100 -c 2 "$HW_ROOT/ref.raw"
    fi
    python3 - "$HW_CAPTURE" "$HW_ROOT/ref.raw" <<'EOF'
import array, math, sys
def load(path):
    a = array.array("f")
    try:
        with open(path, "rb") as f:
            raw = f.read()
    except FileNotFoundError:  # nothing was played
        raw = b""
    a.frombytes(raw[: len(raw) // 8 * 8])
    return a
cap, ref = load(sys.argv[1]), load(sys.argv[2])
frames, n = len(cap) // 2, len(ref) // 2
loud = [i for i in range(frames) if abs(cap[2 * i]) > 1e-6 or abs(cap[2 * i + 1]) > 1e-6]
out = {"peak": max((abs(v) for v in cap), default=0.0)}
if not loud:
    out.update(rms=0.0, hz=0.0, found=0, seams=0, bad=-1, unequal=-1)
else:
    # Past the 5 ms fade-in, short of the fade-out at the end.
    first, last = loud[0] + 441, loud[-1] + 1 - 441
    body = cap[2 * first : 2 * last]
    out["rms"] = math.sqrt(sum(v * v for v in body) / max(len(body), 1))
    left = body[0::2]
    crossings = sum(1 for i in range(1, len(left)) if (left[i - 1] < 0) != (left[i] < 0))
    out["hz"] = crossings / 2 / (len(left) / 44100) if left else 0.0
    # Where frame k of the file shows up in the capture: looked for near where
    # the sound began (its first frames may be too quiet to count as sound).
    # A steady tone matches there a period early or late too; only its seams
    # tell those places apart, so the one that fits the whole capture best wins.
    k = min(4410, n // 2)
    def bad_from(s):
        return sum(1 for i in range(max(first, s), last)
                   if max(abs(cap[2 * i] - ref[2 * ((i - s) % n)]),
                          abs(cap[2 * i + 1] - ref[2 * ((i - s) % n) + 1])) > 1e-4)
    starts = [j - k for j in range(max(first, k, loud[0] + k - 64), min(last, loud[0] + k + 64, first + n + k) - 32)
              if all(abs(cap[2 * (j + t) + c] - ref[2 * (k + t) + c]) < 1e-4 for t in range(32) for c in (0, 1))]
    fits = sorted((bad_from(s), s) for s in starts)
    out["found"] = int(bool(fits))
    if fits:
        out["bad"], start = fits[0]
        first = max(first, start)
        out["seams"] = (last - 1 - start) // n - (first - start) // n
    else:
        out.update(seams=0, bad=-1)
    out["unequal"] = sum(1 for i in range(first, last - n)
                         if cap[2 * i] != cap[2 * (i + n)] or cap[2 * i + 1] != cap[2 * (i + n) + 1])
for key, v in out.items():
    print(f"{key}={v:.6f}" if isinstance(v, float) else f"{key}={v}")
EOF
}

stat_of() { sed -n "s/^$1=//p" <<<"$STATS"; }

# Plays a style at a volume from a start with the generator on, for a while.
play_style() { # file volume seconds
    hw_write_settings "Combo1=${ENTRY[$1]}" "Volume=$2" Option=Infinite StartStopState=ON
    use_test_sounds
    hw_start
    hw_find_window 30
    hw_wait_for 15 hw_capture_has_sound 0.2
    sleep "$3"
    hw_stop
}

# ---------------------------------------------------------------------------
hw_begin "a WAV named .mp3 at volume 1"
play_style "My Recording.mp3" 1 3
STATS="$(measure "My Recording.mp3" wav)"
# A real file at volume 1 is about 40 dB below full scale: its sine of 0.3
# comes out near 0.0031 at its peak (RMS 0.0022).
hw_check "it plays (rms $(stat_of rms))" hw_num_between "$(stat_of rms)" 0.0015 0.003
hw_check "as its 1000 Hz sine ($(stat_of hz) Hz)" hw_num_between "$(stat_of hz)" 990 1010
hw_check "never louder than a full-scale file at volume 1 (peak $(stat_of peak))" \
    hw_num_below "$(stat_of peak)" 0.0106

hw_log "the same file at volume 100"
play_style "My Recording.mp3" 100 2
STATS="$(measure "My Recording.mp3" wav)"
hw_check "its sine at 0.3 (peak $(stat_of peak))" hw_num_between "$(stat_of peak)" 0.29 0.31
hw_check "frame for frame the file" test "$(stat_of bad)" = 0 -a "$(stat_of found)" = 1

# ---------------------------------------------------------------------------
for style in Rain.ogg Stream.flac Tone.wav; do
    hw_begin "$style plays and loops"
    play_style "$style" 100 4.5
    STATS="$(measure "$style")"
    hw_check "the capture holds the file (found $(stat_of found))" test "$(stat_of found)" = 1
    hw_check "over at least two seams ($(stat_of seams))" hw_num_between "$(stat_of seams)" 2 100
    hw_check "every frame is the file's (off: $(stat_of bad))" test "$(stat_of bad)" = 0
    hw_check "every seam is sample-exact (unequal frames: $(stat_of unequal))" test "$(stat_of unequal)" = 0
    hw_check "no silent gap" test "$(hw_audio gaps)" = 0
    hw_check "never beyond full scale (peak $(stat_of peak))" hw_num_between "$(stat_of peak)" 0.01 1.0
done

# ---------------------------------------------------------------------------
# Opus runs at 48 kHz (and sox reads none): what comes out is resampled, so
# it is its level that tells.
hw_begin "an Opus style plays"
play_style Wind.opus 100 2
STATS="$(measure Wind.opus -)"
hw_check "it plays as its noise (rms $(stat_of rms))" hw_num_between "$(stat_of rms)" 0.12 0.22
hw_check "no silent gap" test "$(hw_audio gaps)" = 0
hw_check "never beyond full scale (peak $(stat_of peak))" hw_num_between "$(stat_of peak)" 0.01 1.0

# ---------------------------------------------------------------------------
hw_begin "single junk samples in a float file"
play_style Sparse.wav 100 2.5
STATS="$(measure Sparse.wav -)"
hw_check "it plays (rms $(stat_of rms))" hw_num_between "$(stat_of rms)" 0.15 0.3
hw_check "no sample reaches full scale (peak $(stat_of peak))" hw_num_between "$(stat_of peak)" 0.3 0.41
hw_check "no silent gap" test "$(hw_audio gaps)" = 0

# ---------------------------------------------------------------------------
hw_begin "a float file beyond full scale"
play_style Overs.wav 100 2
STATS="$(measure Overs.wav)"
hw_check "it plays (rms $(stat_of rms))" hw_num_between "$(stat_of rms)" 0.3 1.0
hw_check "clipped at full scale, not beyond (peak $(stat_of peak))" hw_num_between "$(stat_of peak)" 0.99 1.0
hw_check "seams are sample-exact (unequal frames: $(stat_of unequal))" test "$(stat_of unequal)" = 0

# ---------------------------------------------------------------------------
hw_begin "an mp3 damaged in the middle"
play_style Damaged.mp3 100 17
# The capture repeats with the length of the whole file, not of the part
# before the damage.
period() {
    python3 - "$HW_CAPTURE" <<'EOF'
import array, sys
a = array.array("f")
try:
    raw = open(sys.argv[1], "rb").read()
except FileNotFoundError:
    raw = b""
a.frombytes(raw[: len(raw) // 8 * 8])
loud = [i for i in range(len(a) // 2) if a[2 * i] != 0.0]
first, last = (loud[0] + 441, loud[-1] + 1 - 441) if loud else (0, 0)
for p in range(44100, max(44100, min(9 * 44100, last - first))):
    if all(a[2 * (first + t)] == a[2 * (first + t + p)] for t in range(16)):
        unequal = sum(1 for i in range(first, last - p) if a[2 * i] != a[2 * (i + p)]
                      or a[2 * i + 1] != a[2 * (i + p) + 1])
        print(f"seconds={p / 44100:.3f}\nloops={(last - first) / p:.2f}\nunequal={unequal}")
        break
else:
    print("seconds=0\nloops=0\nunequal=-1")
EOF
}
STATS="$(period)"
hw_check "each pass plays the whole 7.7 s, not the 3 s before the damage ($(stat_of seconds) s)" \
    hw_num_between "$(stat_of seconds)" 7.2 8.0
hw_check "loop after loop ($(stat_of loops) passes)" hw_num_between "$(stat_of loops)" 1.9 10
hw_check "sample-exact at every seam (unequal frames: $(stat_of unequal))" test "$(stat_of unequal)" = 0
hw_check "no silent gap" test "$(hw_audio gaps)" = 0

# ---------------------------------------------------------------------------
# Mixes in the user's own folder, after the program's eight test sounds; that
# folder lists in reverse name order too.
MIX_SRC="$HW_ROOT/mixes"
mkdir -p "$MIX_SRC"
(
    cd "$MIX_SRC" || exit 1
    # Without dither: every period of a tone is the same, seams included.
    sox -D -n -r 44100 -c 2 -b 16 Low.wav synth 1 sine 441 vol 0.4
    sox -D -n -r 44100 -c 2 -b 16 High.wav synth 1.5 sine 882 vol 0.4
    printf '# two tones\nLow.wav = 100\nHigh.wav = 50\n' >Duo.mix
    printf 'Missing Part = 80\nthis is no part at all\n\nBroken.mix = 100\nDuo.mix = 100\nHigh.wav = 100 # the one left\n' >Broken.mix
    # Parts named by paths, to a loud file above the sounds folder.
    printf '../Loud.wav = 100\n%s/Loud.wav = 100\nsub/High.wav = 100\nHigh.wav = 100\n' "$HW_ROOT/outside" >Escape.mix
    # Long enough (by frames) to stream rather than be held: each part a
    # decoder, a worker and a ring.
    sox -D -n -r 8000 -c 1 -b 16 Long.flac synth 530 sine 300 vol 0.4
    for i in $(seq 1 100); do echo "Long.flac = 30"; done >Hundred.mix
) || { hw_log "cannot make the test mixes"; exit 1; }
mkdir -p "$HW_ROOT/outside"
sox -R -n -r 44100 -c 2 -b 16 "$HW_ROOT/outside/Loud.wav" synth 2 whitenoise vol 0.9
declare -A MIX_ENTRY=([Low.wav]=8 [Long.flac]=9 [Hundred.mix]=10 [High.wav]=11 [Escape.mix]=12
    [Duo.mix]=13 [Broken.mix]=14)

play_mix() { # mix seconds [command run while it plays]
    hw_write_settings "Combo1=${MIX_ENTRY[$1]}" Volume=100 Option=Infinite StartStopState=ON
    use_test_sounds
    mkdir -p "$HW_HOME/.local/share/hushwave"
    cp -r "$MIX_SRC" "$HW_HOME/.local/share/hushwave/sounds"
    hw_start
    hw_find_window 30
    hw_wait_for 15 hw_capture_has_sound 0.2
    sleep "$2"
    [ -n "${3:-}" ] && "$3"
    hw_stop
}

# The capture against Low.wav + gain * High.wav, each looping on its own:
#   found, bad (frames off by more than 1e-5), low_seams, high_seams, and
#   below: the 882 Hz tone's level under the 441 Hz one's, in dB.
measure_duo() { # gain
    sox "$MIX_SRC/Low.wav" -t f32 "$HW_ROOT/low.raw"
    sox "$MIX_SRC/High.wav" -t f32 "$HW_ROOT/high.raw"
    python3 - "$HW_CAPTURE" "$HW_ROOT/low.raw" "$HW_ROOT/high.raw" "$1" <<'EOF'
import array, math, sys
def load(path):
    a = array.array("f")
    try:
        raw = open(path, "rb").read()
    except FileNotFoundError:
        raw = b""
    a.frombytes(raw[: len(raw) // 8 * 8])
    return a
cap, low, high, g = load(sys.argv[1]), load(sys.argv[2]), load(sys.argv[3]), float(sys.argv[4])
nl, nh = len(low) // 2, len(high) // 2
def model(k, c):
    return low[2 * (k % nl) + c] + g * high[2 * (k % nh) + c]
loud = [i for i in range(len(cap) // 2) if abs(cap[2 * i]) > 1e-6]
out = {"found": 0, "bad": -1, "low_seams": 0, "high_seams": 0, "below": 0.0}
if loud:
    first, last = loud[0] + 441, loud[-1] + 1 - 441
    # The sound starts with both parts' first frames (the capture's first
    # sound, give or take the fade-in's quiet start): the best fit near there.
    def misfit(s):
        return sum(abs(cap[2 * i] - model(i - s, 0)) for i in range(first, first + 2000))
    start = min(range(loud[0] - 32, loud[0] + 32), key=misfit)
    if misfit(start) < 2000 * 1e-5:
        out["found"] = 1
        out["bad"] = sum(1 for i in range(first, last)
                         if max(abs(cap[2 * i + c] - model(i - start, c)) for c in (0, 1)) > 1e-5)
        out["low_seams"] = (last - start) // nl - (first - start) // nl
        out["high_seams"] = (last - start) // nh - (first - start) // nh
    def amp(hz):
        re = sum(cap[2 * i] * math.cos(2 * math.pi * hz * i / 44100) for i in range(first, last))
        im = sum(cap[2 * i] * math.sin(2 * math.pi * hz * i / 44100) for i in range(first, last))
        return 2 * math.hypot(re, im) / max(last - first, 1)
    out["below"] = 20 * math.log10(max(amp(882), 1e-9) / max(amp(441), 1e-9))
for key, v in out.items():
    print(f"{key}={v:.3f}" if isinstance(v, float) else f"{key}={v}")
EOF
}

hw_begin "a mix of two tones at their levels"
play_mix Duo.mix 4.5
STATS="$(measure_duo 0.1)"
hw_check "both tones, each looping on its own seam (found $(stat_of found), off: $(stat_of bad))" \
    test "$(stat_of found)" = 1 -a "$(stat_of bad)" = 0
hw_check "over seams of both ($(stat_of low_seams) and $(stat_of high_seams))" \
    hw_num_between "$(stat_of high_seams)" 2 100
hw_check "882 Hz at 50 is 20 dB below 441 Hz at 100 ($(stat_of below) dB)" \
    hw_num_between "$(stat_of below)" -21 -19
hw_check "no silent gap" test "$(hw_audio gaps)" = 0

hw_begin "a mix with a missing part, a garbage line, itself and another mix"
play_mix Broken.mix 3.5
STATS="$(SOUNDS_SRC="$MIX_SRC" measure High.wav)"
hw_check "only its sound part plays, looping (found $(stat_of found), off: $(stat_of bad))" \
    test "$(stat_of found)" = 1 -a "$(stat_of bad)" = 0
hw_check "the missing part is told once" test "$(grep -c 'Missing Part' "$HW_LOG")" = 1
hw_check "the garbage line is told" grep -q 'Broken.mix: line 2' "$HW_LOG"
hw_check "both mixes are left out, told once each" test "$(grep -c 'is a mix' "$HW_LOG")" = 2

hw_begin "a mix whose parts name paths"
# "../Loud.wav" from the user's sounds folder.
mkdir -p "$HW_HOME/.local/share/hushwave"
cp "$HW_ROOT/outside/Loud.wav" "$HW_HOME/.local/share/hushwave/"
play_mix Escape.mix 3.5
STATS="$(SOUNDS_SRC="$MIX_SRC" measure High.wav)"
hw_check "only its plain part plays (found $(stat_of found), off: $(stat_of bad))" \
    test "$(stat_of found)" = 1 -a "$(stat_of bad)" = 0
hw_check "each path is told once" test "$(grep -c 'names a path' "$HW_LOG")" = 3

# What the program holds while it plays: RSS in MB, threads, open files.
held_while_playing() {
    HELD_RSS="$(hw_rss_mb)"
    HELD_THREADS="$(awk '/^Threads:/ {print $2}' "/proc/$HW_PID/status")"
    HELD_FILES="$(ls "/proc/$HW_PID/fd" | wc -l)"
}

hw_begin "a mix of 100 parts"
play_mix Hundred.mix 3 held_while_playing
hw_check "it plays" hw_capture_has_sound 0.2
hw_check "what it left out is told once" \
    test "$(grep -c 'Hundred.mix: 84 parts after the first 16 left out' "$HW_LOG")" = 1
# The 16 parts' rings are 16 MB within the 64 MB bound; the window and the
# libraries take about 40 MB. A ring for each of the 100 would pass 140.
hw_check "within the memory bound ($HELD_RSS MB)" hw_num_below "$HELD_RSS" 100
hw_check "a worker for each of 16 parts, no more ($HELD_THREADS threads)" hw_num_below "$HELD_THREADS" 40
hw_check "and a file each ($HELD_FILES open)" hw_num_below "$HELD_FILES" 60

hw_done
