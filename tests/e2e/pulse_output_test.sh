#!/usr/bin/env bash
# Playing through a sound server: a private PulseAudio with a null sink, its
# monitor recorded with parec. The recording must be the file itself across
# loop seams; a volume key and "Turn Off" must be heard at once, volume
# keys glide without a click and never touch the stream's own volume; a
# server that starts late, dies, hangs or has no sink is followed, without
# a crash or a frozen window; files far above the sink's rate keep their
# pitch; a play window's fades are heard on the clock. A steady tone is
# checked on PulseAudio and on a private PipeWire (whose sink runs at
# 48 kHz): at its pitch, its seam without a step, volume changes without a
# click, "Turn Off" silent at once; and a PipeWire that is killed and
# started again gets the sound back.
source "$(dirname "$0")/lib.sh"

MATCH=(/usr/bin/python3 "$(dirname "$0")/audio_match.py")
PLAYBENCH="${HUSHWAVE_BINARY%/program/*}/bench/hushwave_playbench"
PA_DIR="$HW_ROOT/pulse"
PA_PID=""
REC_PID=""
SIZES_PID=""

pa_cleanup() {
    rec_stop
    hw_kill "$PA_PID"
    hw_cleanup
}
trap pa_cleanup EXIT

# The server the checks talk to and record from: PulseAudio's unless a
# scenario points them at PipeWire.
SRV_ADDR=""
REC_DEVICE=hw.monitor
REC_RATE=44100
pactl_() { PULSE_SERVER="${SRV_ADDR:-unix:$PA_DIR/rt/native}" pactl "$@"; }
pa_up() { pactl_ info >/dev/null 2>&1; }

SINK_ARGS="sink_name=hw format=float32le rate=44100 channels=2"

# A server of our own: a float sink at the files' rate (nothing is
# converted; none with "nosink"), the native protocol on a socket in our
# own folder.
pa_start() { # [nosink]
    mkdir -p "$PA_DIR/home" "$PA_DIR/rt"
    chmod 700 "$PA_DIR/rt"
    {
        [ "${1:-}" = nosink ] || echo "load-module module-null-sink $SINK_ARGS"
        echo "load-module module-native-protocol-unix auth-anonymous=1 socket=$PA_DIR/rt/native"
    } >"$PA_DIR/default.pa"
    # env execs the server: $! is the server itself.
    env HOME="$PA_DIR/home" XDG_RUNTIME_DIR="$PA_DIR/rt" PULSE_RUNTIME_PATH="$PA_DIR/rt" \
        pulseaudio -n --daemonize=no --exit-idle-time=-1 --system=false \
        --use-pid-file=false --disallow-exit -F "$PA_DIR/default.pa" >>"$PA_DIR/server.log" 2>&1 &
    PA_PID=$!
    hw_wait_for 10 pa_up || { hw_fail "the private sound server did not start"; return 1; }
}

pa_kill() {
    kill -KILL "$PA_PID" 2>/dev/null
    wait "$PA_PID" 2>/dev/null
    PA_PID=""
    rm -f "$PA_DIR/rt/native"
}

# The program's stream is on the server.
stream_present() { pactl_ list sink-inputs 2>/dev/null | grep -q 'application.name = "Hushwave"'; }
stream_gone() { ! stream_present; }

# The program's stream: its index, and its volume as percent of the left channel.
stream_index() {
    pactl_ list sink-inputs 2>/dev/null | awk '/^Sink Input #/ {n = substr($3, 2)}
        /application.name = "Hushwave"/ {print n; exit}'
}
stream_volume() {
    pactl_ list sink-inputs 2>/dev/null | awk '/^Sink Input #/ {v = ""}
        /^[[:space:]]*Volume:/ {v = $5} /application.name = "Hushwave"/ {print v; exit}'
}

# Loads the sink of pa_start again; prints the module's index.
sink_load() { pactl_ load-module module-null-sink $SINK_ARGS; }

# Voluntary context switches of all the program's threads per second.
wakeups_per_second() { # span
    local before after
    count() { cat /proc/"$HW_PID"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt/ {s += $2} END {print s + 0}'; }
    before="$(count)"
    sleep "$1"
    after="$(count)"
    awk -v a="$before" -v b="$after" -v s="$1" 'BEGIN {printf "%.1f", (b - a) / s}'
}

# A copy of the program whose sounds/ holds only $1 (entry 0).
use_only_sound() { # file
    local dir
    dir="$(dirname "$HW_CAPTURE")/program"
    rm -rf "$dir/sounds"
    mkdir -p "$dir/sounds"
    cp "$1" "$dir/sounds/"
    cp "$HW_BINARY" "$dir/"
    HW_PROGRAM="$dir/$(basename "$HW_BINARY")"
}

# The program on our server, playing the first 3 s of White Noise as the
# style "Short" (entry 1) until "Turn Off".
start_short() { # [volume] [StartStopState]
    HW_PULSE_SERVER="unix:$PA_DIR/rt/native"
    hw_add_short_sound "Short" 3
    hw_write_settings Combo1=1 Option=Infinite StartStopState="${2:-ON}" Volume="${1:-100}"
    hw_start
    hw_find_window 30 && hw_wait_for 10 hw_window_visible
}

ms_since() { echo $((($(date +%s%N) - $1) / 1000000)); }

# Milliseconds from a click on a control until the program wrote the
# setting it stores (the settings file's time, so the polling here and
# xdotool's own start do not count).
ms_to_answer() { # control key value
    local x y cx cy t0
    read -r x y < <(hw_origin)
    read -r cx cy < <(hw_control_point "$1")
    hw_x xdotool mousemove --sync $((x + cx)) $((y + cy))
    t0="$(date +%s.%N)"
    hw_x xdotool click 1
    hw_wait_for 5 hw_setting_is "$2" "$3"
    hw_x xdotool mousemove --sync 1 767
    awk -v a="$t0" -v b="$(stat -c %.9Y "$(hw_settings_file)")" 'BEGIN {printf "%d", (b - a) * 1000}'
}

# Records the sink's monitor into $1, logging the file's size every 10 ms
# (wall time, bytes) into $1.sizes to tell when each frame came out.
rec_start() {
    rec_stop
    REC="$1"
    : >"$REC"
    PULSE_SERVER="${SRV_ADDR:-unix:$PA_DIR/rt/native}" parec -d "$REC_DEVICE" --format=float32le \
        --rate="$REC_RATE" --channels=2 --raw --latency-msec=10 >"$REC" 2>/dev/null &
    REC_PID=$!
    "${MATCH[@]}" sizes "$REC" "$REC_PID" >"$REC.sizes" &
    SIZES_PID=$!
}

rec_stop() {
    hw_kill "$REC_PID"
    [ -n "$SIZES_PID" ] && wait "$SIZES_PID" 2>/dev/null
    REC_PID="" SIZES_PID=""
}

measure() { sed -n "s/^$1=//p" <<<"$2"; }

# CPU (% of a core) and wake-ups a second of the program over a span, the
# threads that came and went included (each read every 20 ms until it
# ended), and how many threads started.
waiting_costs() { # span
    python3 - "$HW_PID" "$1" <<'EOF'
import os, sys, time
pid, span = sys.argv[1], float(sys.argv[2])
def cpu():
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])
def tasks():
    seen = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/status") as f:
                for line in f:
                    if line.startswith("voluntary_ctxt_switches"):
                        seen[tid] = int(line.split()[1])
        except OSError:
            pass
    return seen
first = tasks()
last = dict(first)
before = cpu()
end = time.monotonic() + span
while time.monotonic() < end:
    time.sleep(0.02)
    last.update(tasks())
after = cpu()
print(f"cpu={(after - before) / os.sysconf('SC_CLK_TCK') / span * 100:.2f}")
print(f"wakeups={sum(v - first.get(t, 0) for t, v in last.items()) / span:.1f}")
print(f"threads={len(set(last) - set(first))}")
EOF
}

# The slowest answer in ms to an MPRIS Get, asked back to back over a span.
mpris_slowest() { # seconds
    local end worst=0 t0 ms
    end=$(($(date +%s%N) + $1 * 1000000000))
    while [ "$(date +%s%N)" -lt "$end" ]; do
        t0="$(date +%s%N)"
        hw_on_bus dbus-send --session --print-reply --reply-timeout=5000 \
            --dest=org.mpris.MediaPlayer2.Hushwave /org/mpris/MediaPlayer2 \
            org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player \
            string:PlaybackStatus >/dev/null 2>&1 || { echo 99999; return; }
        ms="$(ms_since "$t0")"
        [ "$ms" -gt "$worst" ] && worst="$ms"
    done
    echo "$worst"
}
# A thread of the program other than the window's is held by strace in a
# delayed open.
opening() {
    local t
    for t in /proc/"$HW_PID"/task/*; do
        [ "${t##*/}" != "$HW_PID" ] && grep -qs '^State:.*tracing stop' "$t/status" && return 0
    done
    return 1
}
# The program's main thread is gone (a zombie, or reaped).
main_thread_ended() { ! grep -qs '^State:.*[RSD]' /proc/"$HW_PID"/status; }
mpris_up() {
    hw_on_bus gdbus call --session -d org.mpris.MediaPlayer2.Hushwave -o /org/mpris/MediaPlayer2 \
        -m org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1
}

# Compares a recording with the file; keeps both beside the screenshots when
# the file is not found in it.
match() { # recording
    local m
    m="$("${MATCH[@]}" match "$HW_ROOT/short.raw" "$1")"
    if [ "$(measure found "$m")" != 1 ] || [ "$(measure bad "$m")" != 0 ]; then
        cp "$1" "$HW_ARTIFACTS/e2e-$HW_SCRIPT-$(hw_slug "$HW_SCENARIO").raw"
        cp "$HW_ROOT/short.raw" "$HW_ARTIFACTS/e2e-$HW_SCRIPT-reference.raw"
    fi
    hw_log "recording: $(tr '\n' ' ' <<<"$m")" >&2
    echo "$m"
}

[ -x "$PLAYBENCH" ] || { hw_log "no $PLAYBENCH to decode the reference"; exit 1; }
command -v pulseaudio >/dev/null && command -v parec >/dev/null ||
    { hw_log "pulseaudio and parec are needed (scripts/install-deps)"; exit 1; }

hw_session

# ---------------------------------------------------------------------------
hw_begin "through the sound server"
pa_start
rec_start "$HW_ROOT/loop.raw"
start_short
"$PLAYBENCH" --decode "$(dirname "$HW_PROGRAM")/sounds/Short.mp3" "$HW_ROOT/short.raw"
hw_check "the program's stream is on the server" hw_wait_for 10 stream_present
sleep 8 # two seams of the 3 s file
rec_stop
m="$(match "$HW_ROOT/loop.raw")"
hw_check_eq "the recording holds the file" 1 "$(measure found "$m")"
hw_check "across the loop seams ($(measure seams "$m"))" hw_num_between "$(measure seams "$m")" 1 100
# The server gets float and the sink is float: only the 16-bit rounding of
# a held loop remains.
hw_check "sample for sample (max error $(measure max_err "$m"))" \
    hw_num_below "$(measure max_err "$m")" 0.0001
hw_check_eq "no frame off" 0 "$(measure bad "$m")"
hw_check "at unity gain at volume 100 ($(measure gain "$m"))" \
    hw_num_between "$(measure gain "$m")" 0.9999 1.0001

hw_log "a volume key, and \"Turn Off\""
rec_start "$HW_ROOT/keys.raw"
hw_click_control volume # focuses the slider (a page step down)
sleep 1.5
when="$(date +%s.%N)"
hw_x xdotool key Home
hw_check "the quietest volume is stored" hw_wait_for 5 hw_setting_is Volume 1
sleep 1.5
h="$("${MATCH[@]}" heard "$HW_ROOT/keys.raw" "$HW_ROOT/keys.raw.sizes" "$when")"
hw_log "volume: $(tr '\n' ' ' <<<"$h")"
# Measured around 20-40 ms; the bound leaves room for a loaded machine and
# still fails a volume that waits for the server's 1.5 s queue.
hw_check "the volume key is heard at once ($(measure delay_ms "$h") ms)" \
    hw_num_between "$(measure delay_ms "$h")" 0 250
hw_check "and the sound got quieter ($(measure before "$h") -> $(measure after "$h"))" \
    hw_num_below "$(measure after "$h")" "$(awk -v b="$(measure before "$h")" 'BEGIN {print b / 10}')"
when="$(date +%s.%N)"
hw_click_control turn
hw_check "\"Turn Off\" stores OFF" hw_wait_for 5 hw_setting_is StartStopState OFF
sleep 1
rec_stop
s="$("${MATCH[@]}" silent "$HW_ROOT/keys.raw" "$HW_ROOT/keys.raw.sizes" "$when")"
hw_log "stop: $(tr '\n' ' ' <<<"$s")"
hw_check "\"Turn Off\" is silent at once ($(measure delay_ms "$s") ms)" \
    hw_num_between "$(measure delay_ms "$s")" 0 250
hw_check "with a fade, no click (last ms $(measure tail "$s") of the peak before)" \
    hw_num_below "$(measure tail "$s")" 0.5
hw_check "the stream leaves the server" hw_wait_for 5 bash -c "! PULSE_SERVER=unix:$PA_DIR/rt/native pactl list sink-inputs | grep -q Hushwave"

# ---------------------------------------------------------------------------
hw_begin "the server dies and comes back"
start_short
hw_check "the program's stream is on the server" hw_wait_for 10 stream_present
pa_kill
sleep 2
pa_start
hw_check "the stream comes back within seconds" hw_wait_for 8 stream_present
# Recorded once the new stream has settled, its 1.5 s queue full, for more
# than one pass of the 3 s file, so the recording holds the frames matched.
sleep 1.5
rec_start "$HW_ROOT/back.raw"
sleep 4
rec_stop
m="$(match "$HW_ROOT/back.raw")"
hw_check_eq "the file plays again" 1 "$(measure found "$m")"
hw_check_eq "unchanged" 0 "$(measure bad "$m")"
hw_check "no message" hw_no_popup
hw_check "the program is still running" hw_running

# ---------------------------------------------------------------------------
hw_begin "a server that starts after the program"
pa_kill
start_short
sleep 3
pa_start
rec_start "$HW_ROOT/late.raw"
hw_check "the program's stream appears on the server" hw_wait_for 8 stream_present
sleep 4
rec_stop
m="$(match "$HW_ROOT/late.raw")"
hw_check_eq "the recording holds the style" 1 "$(measure found "$m")"
hw_check "seconds of it ($(measure frames "$m") frames)" hw_num_between "$(measure frames "$m")" 88200 100000000
hw_check_eq "sample for sample" 0 "$(measure bad "$m")"
hw_check "no message" hw_no_popup

# ---------------------------------------------------------------------------
hw_begin "files far above the sink's rate keep their pitch"
HW_PULSE_SERVER="unix:$PA_DIR/rt/native"
pa_up || pa_start
sox -n -r 96000 -c 2 -b 24 "$HW_ROOT/High96.flac" synth 3 sine 1000 vol 0.5
sox -n -r 192000 -c 2 -b 24 "$HW_ROOT/High192.wav" synth 3 sine 1500 vol 0.5
for f in High96.flac:1000 High192.wav:1500; do
    use_only_sound "$HW_ROOT/${f%%:*}"
    hw_write_settings Combo1=0 Option=Infinite StartStopState=ON Volume=100
    hw_start
    hw_find_window 30 && hw_wait_for 10 hw_window_visible
    hw_check "${f%%:*}: the program's stream is on the server" hw_wait_for 10 stream_present
    rec_start "$HW_ROOT/high.raw"
    sleep 3
    rec_stop
    p="$("${MATCH[@]}" hz "$HW_ROOT/high.raw")"
    hw_check "${f%%:*} plays at its pitch ($(measure hz "$p") Hz, sine of ${f##*:} Hz)" \
        hw_num_between "$(measure hz "$p")" "$((${f##*:} * 99 / 100))" "$((${f##*:} * 101 / 100))"
    hw_check "${f%%:*}: the program is still running" hw_running
    hw_stop_checked
done

# ---------------------------------------------------------------------------
hw_begin "a server without a sink, at the start and while playing"
pa_kill
pa_start nosink
start_short
sleep 3
hw_check "no sink: the program runs on" hw_running
module="$(sink_load)"
hw_check "sound within 3 s of a sink" hw_wait_for 3 stream_present
rec_start "$HW_ROOT/sink.raw"
sleep 4 # a loop start of the 3 s file
rec_stop
m="$(match "$HW_ROOT/sink.raw")"
hw_check_eq "the recording holds the style" 1 "$(measure found "$m")"
pactl_ unload-module "$module"
sleep 3
hw_check "the only sink unloaded while playing: the program runs on" hw_running
sink_load >/dev/null
hw_check "sound within 3 s of a sink again" hw_wait_for 3 stream_present
rec_start "$HW_ROOT/sink2.raw"
sleep 4
rec_stop
m="$(match "$HW_ROOT/sink2.raw")"
hw_check_eq "the recording holds the style again" 1 "$(measure found "$m")"
hw_check "no message" hw_no_popup

# ---------------------------------------------------------------------------
hw_begin "a server that hangs around \"Turn On\""
start_short 50 OFF
kill -STOP "$PA_PID"
hw_click_control turn
hw_check "\"Turn On\" stores ON" hw_wait_for 5 hw_setting_is StartStopState ON
sleep 2 # the play-window tick has tried the hung server
ms="$(ms_to_answer turn StartStopState OFF)"
hw_check "the window answers a click at once ($ms ms)" hw_num_between "$ms" 0 500
hw_click_control turn
hw_check "\"Turn On\" again stores ON" hw_wait_for 5 hw_setting_is StartStopState ON
sleep 1.5
kill -CONT "$PA_PID"
hw_check "after the server resumes the program's own stream is back" hw_wait_for 8 stream_present
w="$(wakeups_per_second 5)"
hw_check "playing, at most 5 wake-ups a second ($w)" hw_num_below "$w" 5.01

hw_log "hung again: \"Turn Off\", \"Turn On\", then SIGTERM"
kill -STOP "$PA_PID"
hw_click_control turn
hw_check "\"Turn Off\" stores OFF" hw_wait_for 5 hw_setting_is StartStopState OFF
hw_click_control turn
hw_check "\"Turn On\" stores ON" hw_wait_for 5 hw_setting_is StartStopState ON
sleep 2
t0="$(date +%s%N)"
kill -TERM "$HW_PID"
hw_wait_exit 5
ms="$(ms_since "$t0")"
kill -CONT "$PA_PID"
hw_check "SIGTERM ends the program within 2 s ($ms ms)" hw_num_below "$ms" 2000
hw_check_eq "with status 0" 0 "$HW_EXIT_STATUS"

# ---------------------------------------------------------------------------
hw_begin "a play window that fades in and out"
# The fades follow the clock: heard through the server, whose sink keeps
# real time (SDL's disk output runs slow on a busy machine).
HW_PULSE_SERVER="unix:$PA_DIR/rt/native"
pa_up || pa_start
now="$(date +%s)"
at() { LC_ALL=C date -d "@$((now + $1))" '+%-m/%-d/%Y %-I:%M:%S %p'; }
# A steady tone, so a 100 ms window's level is the fade's alone.
sox -D -n -r 44100 -c 2 -b 16 "$HW_ROOT/Tone.wav" synth 1 sine 441 vol 0.1
use_only_sound "$HW_ROOT/Tone.wav"
hw_write_settings Combo1=0 Volume=100 Option=Timed StartStopState=ON FadeIn=5 FadeOut=10 \
    "Time From=$(at 2)" "Time To=$(at 30)"
rec_start "$HW_ROOT/fades.raw"
hw_start
hw_find_window 30
hw_check "the sound starts in its window" hw_wait_for 12 stream_present
sleep $((now + 32 - $(date +%s)))
hw_check "and is over after its end" hw_wait_for 5 stream_gone
rec_stop
hw_stop
# Levels of 100 ms windows against the full level (the middle's median):
#   rise (dB from 0.5 s to 4.5 s), fall (the same over the last 10 s),
#   step (largest change between neighbours heard above -54 dB),
#   full (seconds at full level), tail (the loudest window from the second
#   after the last one at the fade's -60 dB: the next may hold its last ms).
STATS="$(python3 - "$HW_ROOT/fades.raw" <<'EOF'
import array, math, sys
a = array.array("f")
raw = open(sys.argv[1], "rb").read()
a.frombytes(raw[: len(raw) // 8 * 8])
w = 4410
levels = []
for k in range(len(a) // 2 // w):
    s = sum(v * v for v in a[2 * k * w : 2 * (k + 1) * w])
    levels.append(10 * math.log10(max(s / (2 * w), 1e-20)))
loud = [k for k, v in enumerate(levels) if v > -150]
first = loud[0]
full = sorted(levels[first:])[len(levels[first:]) * 3 // 4]
rel = [v - full for v in levels[first:]]
top = [k for k, v in enumerate(rel) if v > -0.5]
end = max(k for k, v in enumerate(rel) if v > -59.5) + 1
print(f"rise={rel[45] - rel[5]:.1f}")
print(f"mid_in={rel[25]:.1f}")
print(f"fall={rel[top[-1]] - rel[end - 5]:.1f}")
print(f"fall_s={(end - top[-1]) / 10:.1f}")
print(f"mid_out={rel[end - 50]:.1f}")
print(f"step={max(abs(rel[k + 1] - rel[k]) for k in range(len(rel) - 1) if min(rel[k], rel[k + 1]) > -54):.2f}")
print(f"full={len(top) / 10:.1f}")
print(f"tail={max(rel[end + 2:] or [-200]):.1f}")
EOF
)"
hw_check "the level rises about 48 dB over the first 4 s ($(measure rise "$STATS") dB)" \
    hw_num_between "$(measure rise "$STATS")" 44 52
hw_check "evenly: -30 dB half-way in ($(measure mid_in "$STATS") dB)" hw_num_between "$(measure mid_in "$STATS")" -34 -26
hw_check "it falls over the last 10 s ($(measure fall_s "$STATS") s, $(measure fall "$STATS") dB)" \
    hw_num_between "$(measure fall_s "$STATS")" 9.5 10.6
hw_check "evenly: -30 dB half-way out ($(measure mid_out "$STATS") dB)" hw_num_between "$(measure mid_out "$STATS")" -34 -26
hw_check "no step above 1.5 dB between 100 ms windows ($(measure step "$STATS") dB)" \
    hw_num_below "$(measure step "$STATS")" 1.5
hw_check "at full level in between ($(measure full "$STATS") s)" hw_num_between "$(measure full "$STATS")" 10 16
hw_check "silence after the end ($(measure tail "$STATS") dB)" hw_num_below "$(measure tail "$STATS")" -100

# ---------------------------------------------------------------------------
hw_begin "volume keys glide, and the desktop's volume for the stream stays"
HW_PULSE_SERVER="unix:$PA_DIR/rt/native"
sox -R -n -r 44100 -c 2 -b 16 "$HW_ROOT/Brown.wav" synth 4 brownnoise vol 0.5
sox "$HW_ROOT/Brown.wav" -t f32 "$HW_ROOT/brown.raw"
use_only_sound "$HW_ROOT/Brown.wav"
hw_write_settings Combo1=0 Option=Infinite StartStopState=ON Volume=100
pactl_ load-module module-stream-restore >/dev/null
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "the program's stream is on the server" hw_wait_for 10 stream_present
hw_click_control volume # focuses the slider
sleep 1
rec_start "$HW_ROOT/glide.raw"
for i in $(seq 10); do
    hw_x xdotool key End
    sleep 0.3
    hw_x xdotool key Home
    sleep 0.3
done
rec_stop
s="$("${MATCH[@]}" steps "$HW_ROOT/brown.raw" "$HW_ROOT/glide.raw")"
hw_check "End/Home 20 times: no step above 1.5x the file's largest ($(measure rec "$s") vs $(measure ref "$s"))" \
    hw_num_below "$(measure rec "$s")" "$(awk -v r="$(measure ref "$s")" 'BEGIN {print 1.5 * r}')"

pactl_ set-sink-input-volume "$(stream_index)" 3%
hw_check_eq "the mixer turned the stream down to 3 %" 3% "$(stream_volume)"
hw_x xdotool key End
sleep 0.5
hw_check_eq "a volume key leaves the stream's volume alone" 3% "$(stream_volume)"
hw_click_control turn
hw_check "\"Turn Off\": the stream leaves" hw_wait_for 5 stream_gone
hw_click_control turn
hw_check "\"Turn On\": the stream is back" hw_wait_for 10 stream_present
hw_check_eq "at the 3 % the mixer gave it" 3% "$(stream_volume)"

# ---------------------------------------------------------------------------
# A 1 s tone of 441 Hz at 44.1 kHz, on the server at SRV_ADDR recorded at
# REC_RATE: at its pitch, no step across its seams above 1.3x the tone's own
# at that rate, none in 30 volume changes between 1 and 100 either, and
# "Turn Off" silent within 50 ms, plus CYCLE_MS three times where the server
# works in cycles: the fade waits for the cycle the server has taken, and
# the sink and the recorder pass the sound on a cycle at a time.
CYCLE_MS=0
tone_checks() { # server name
    local name="$1" p s t when
    HW_PULSE_SERVER="${SRV_ADDR:-unix:$PA_DIR/rt/native}"
    sox -D -n -r 44100 -c 2 -b 16 "$HW_ROOT/Tone.wav" synth 1 sine 441 vol 0.5
    sox -D -n -r "$REC_RATE" -c 2 -t f32 "$HW_ROOT/tone-own.raw" synth 1 sine 441 vol 0.5
    use_only_sound "$HW_ROOT/Tone.wav"
    hw_write_settings Combo1=0 Option=Infinite StartStopState=ON Volume=100
    hw_start
    hw_find_window 30 && hw_wait_for 10 hw_window_visible
    hw_check "$name: the program's stream is on the server" hw_wait_for 10 stream_present
    sleep 1
    rec_start "$HW_ROOT/tone.raw"
    sleep 3.5 # three seams
    rec_stop
    p="$(AUDIO_RATE=$REC_RATE "${MATCH[@]}" hz "$HW_ROOT/tone.raw")"
    hw_check "$name: the tone recorded at $REC_RATE Hz is at its pitch ($(measure hz "$p") Hz)" \
        hw_num_between "$(measure hz "$p")" 440 442
    s="$(AUDIO_RATE=$REC_RATE "${MATCH[@]}" steps "$HW_ROOT/tone-own.raw" "$HW_ROOT/tone.raw")"
    hw_check "$name: across its seams no step above 1.3x the tone's own ($(measure rec "$s") vs $(measure ref "$s"))" \
        hw_num_below "$(measure rec "$s")" "$(awk -v r="$(measure ref "$s")" 'BEGIN {print 1.3 * r}')"

    hw_click_control volume # focuses the slider
    sleep 1
    rec_start "$HW_ROOT/tone-keys.raw"
    for _ in $(seq 15); do
        hw_x xdotool key End
        sleep 0.25
        hw_x xdotool key Home
        sleep 0.25
    done
    sleep 0.5
    rec_stop
    hw_check "$name: the last key stored volume 1" hw_wait_for 5 hw_setting_is Volume 1
    s="$(AUDIO_RATE=$REC_RATE "${MATCH[@]}" steps "$HW_ROOT/tone-own.raw" "$HW_ROOT/tone-keys.raw")"
    hw_check "$name: 30 volume changes were heard ($(measure changes "$s"))" \
        hw_num_between "$(measure changes "$s")" 25 35
    hw_check "$name: none stepped above 1.3x the tone's own ($(measure rec "$s") vs $(measure ref "$s"))" \
        hw_num_below "$(measure rec "$s")" "$(awk -v r="$(measure ref "$s")" 'BEGIN {print 1.3 * r}')"

    hw_x xdotool key End
    sleep 1
    rec_start "$HW_ROOT/tone-off.raw"
    sleep 1
    hw_click_control turn
    hw_check "$name: \"Turn Off\" stores OFF" hw_wait_for 5 hw_setting_is StartStopState OFF
    # From when the program took the click (it stores the setting then),
    # not from xdotool's start.
    when="$(stat -c %.9Y "$(hw_settings_file)")"
    sleep 1
    rec_stop
    t="$(AUDIO_RATE=$REC_RATE "${MATCH[@]}" silent "$HW_ROOT/tone-off.raw" "$HW_ROOT/tone-off.raw.sizes" "$when")"
    hw_check "$name: \"Turn Off\" is silent within $((50 + 3 * CYCLE_MS)) ms ($(measure delay_ms "$t") ms)" \
        hw_num_between "$(measure delay_ms "$t")" 0 $((50 + 3 * CYCLE_MS))
    hw_check "$name: with a fade (last ms $(measure tail "$t") of the peak before)" \
        hw_num_below "$(measure tail "$t")" 0.5
    hw_stop
}

hw_begin "a steady tone through PulseAudio"
# A new server: the last one remembers the stream at the mixer's 3 %.
pa_kill
pa_start
tone_checks PulseAudio

hw_begin "the same through PipeWire at 48 kHz"
if hw_pipewire_start "$HW_ROOT/pipewire"; then
    SRV_ADDR="$PW_SERVER" REC_DEVICE=auto_null.monitor REC_RATE=48000
    CYCLE_MS=$((PW_QUANTUM * 1000 / 48000))
    tone_checks PipeWire

    hw_log "PipeWire killed and started again"
    hw_write_settings Combo1=0 Option=Infinite StartStopState=ON Volume=100
    hw_start
    hw_find_window 30 && hw_wait_for 10 hw_window_visible
    hw_check "the program's stream is on PipeWire" hw_wait_for 10 stream_present
    hw_pipewire_kill
    sleep 2
    hw_pipewire_start "$HW_ROOT/pipewire" || hw_fail "PipeWire did not start again"
    SRV_ADDR="$PW_SERVER"
    hw_check "the stream comes back within seconds" hw_wait_for 10 stream_present
    sleep 1.5
    rec_start "$HW_ROOT/pw-back.raw"
    sleep 2
    rec_stop
    p="$(AUDIO_RATE=48000 "${MATCH[@]}" hz "$HW_ROOT/pw-back.raw")"
    hw_check "the tone plays again, at its pitch ($(measure hz "$p") Hz)" \
        hw_num_between "$(measure hz "$p")" 440 442
    hw_check "the program is still running" hw_running
    hw_stop
    hw_pipewire_kill
    SRV_ADDR="" REC_DEVICE=hw.monitor REC_RATE=44100
else
    hw_fail "the private PipeWire did not start (scripts/install-deps --tests)"
fi

# ---------------------------------------------------------------------------
hw_begin "no sound server and no card: waiting costs next to nothing"
pa_kill
start_short # its server's socket is gone, and SDL finds no card
sleep 4     # the window is up and the first tries are over
c="$(waiting_costs 20)"
hw_log "waiting: $(tr '\n' ' ' <<<"$c")"
hw_check "at most 1 % of a core ($(measure cpu "$c") %)" hw_num_below "$(measure cpu "$c")" 1.0
hw_check "at most 5 wake-ups a second ($(measure wakeups "$c"))" hw_num_below "$(measure wakeups "$c")" 5.01
hw_check "a few tries, not a thread after thread ($(measure threads "$c") started)" \
    hw_num_below "$(measure threads "$c")" 20
pa_start
hw_check "the sound starts once a server is there" hw_wait_for 15 stream_present
hw_check "no message" hw_no_popup

# ---------------------------------------------------------------------------
hw_begin "a style file that takes 2 s to open"
# A network share or a sleeping disk, made by strace: every open of that
# one file returns 2 s late.
pa_up || pa_start
[ -n "$HW_BUS_ADDRESS" ] || hw_bus_start
HW_WRAP=(strace -f -qq -o /dev/null -P "$(dirname "$HW_CAPTURE")/program/sounds/Short.mp3"
    -e trace=openat -e inject=openat:delay_exit=2000000)
start_short 100 OFF
hw_check "the program answers on the bus" hw_wait_for 10 mpris_up
hw_click_control turn
t0="$(date +%s%N)"
mpris_slowest 5 >"$HW_ROOT/slowest" &
slow_pid=$!
hw_check "the sound starts once the file opens" hw_wait_for 15 stream_present
ms="$(ms_since "$t0")"
hw_check "and not before: the open was held ($ms ms)" hw_num_between "$ms" 1900 15000
wait "$slow_pid"
slowest="$(cat "$HW_ROOT/slowest")"
hw_check "the window answers MPRIS Get within 0.2 s throughout ($slowest ms)" \
    hw_num_below "$slowest" 200

hw_log "\"Turn Off\", \"Turn On\" and SIGTERM while the file opens"
hw_click_control turn
hw_check "\"Turn Off\" stores OFF" hw_wait_for 5 hw_setting_is StartStopState OFF
hw_click_control turn
hw_check "\"Turn On\" stores ON" hw_wait_for 5 hw_setting_is StartStopState ON
hw_check "the player's thread is held in the open" hw_wait_for 5 opening
t0="$(date +%s%N)"
kill -TERM "$HW_PID"
# Its held thread stays until strace lets the open return, as one in a
# disk's uninterruptible wait would: the rest of it must be gone before.
hw_wait_for 5 main_thread_ended
ms="$(ms_since "$t0")"
hw_check "SIGTERM ends the program within 2 s ($ms ms)" hw_num_below "$ms" 2000
hw_wait_exit 5
hw_check_eq "with status 0" 0 "$HW_EXIT_STATUS"

hw_done
