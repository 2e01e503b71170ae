# Shared harness for the end-to-end scripts: the real hushwave binary in a
# real X session (Xvfb + openbox, trayer as the tray host), audio captured by
# SDL's disk driver, settings read back from the INI file.
#
# Usage, from a tests/e2e/<name>_test.sh script:
#
#   source "$(dirname "$0")/lib.sh"
#   hw_session                        # X server + window manager, once per script
#   hw_begin "on and off"             # fresh settings, capture, tray host on
#   hw_begin "no tray" --no-tray      #   ... or without a tray host
#   hw_write_settings Option=Timed "Time From=12/7/2026 9:00:00 AM"
#   hw_start [--faketime "2026-12-07 08:59:55"]   # clock starts there, and runs
#   hw_find_window                    # sets HW_WIN (the 536x383 main window)
#   hw_click_control turn             # clicks by the designed positions
#   hw_check "sound after Turn On" hw_wait_for 8 hw_capture_has_sound 0.5
#   hw_done                           # last line: summary and exit status
#
# Set HW_PULSE_SERVER after hw_begin to play through that sound server
# instead of SDL's disk driver. hw_pipewire_start (e2e/pipewire.sh) runs a
# private PipeWire with its PulseAudio server for that.
# Also: hw_setting KEY, hw_audio_stats / hw_audio MEASURE (seconds of sound,
# RMS, onset and end ramps, gaps, style), hw_capture_still / _growing,
# hw_tray_icon_present, hw_click_tray_icon, hw_minimize, hw_close,
# hw_popup_visible (the balloon), hw_add_short_sound (a file that ends),
# hw_error_box (an "Application Error" box), hw_main_windows.
# With a session bus (opt-in): hw_bus_start runs a private dbus-daemon that
# every later hw_start gets instead of no bus; hw_standins starts the test's
# stand-in desktop services on it.
# Run one script by hand from a build folder:
#   HUSHWAVE_BINARY=$PWD/program/hushwave bash ../tests/e2e/playback_test.sh
#
# Environment (ctest sets it): HUSHWAVE_BINARY, optional HUSHWAVE_E2E_ARTIFACTS
# (where failure screenshots go; default the working directory).
# Each check that fails records a reason, saves one screenshot per scenario
# and the program's log tail; the script carries on and fails at hw_done.
# An EXIT trap stops everything started here and removes the temp dirs.

set -u

HW_BINARY="${HUSHWAVE_BINARY:?HUSHWAVE_BINARY must point at the built program}"
HW_ARTIFACTS="${HUSHWAVE_E2E_ARTIFACTS:-$PWD}"
HW_SCRIPT="$(basename "${0%.sh}")"
HW_ROOT="$(mktemp -d /tmp/hw-e2e.XXXXXX)"
# The script's own desktop: its home (and so the XDG folders under it), a
# runtime folder and temp files, so scripts can run side by side. The
# program of each scenario gets folders of its own again (hw_begin).
mkdir -p "$HW_ROOT/home" "$HW_ROOT/runtime" "$HW_ROOT/tmp"
chmod 700 "$HW_ROOT/runtime"
export HOME="$HW_ROOT/home" XDG_RUNTIME_DIR="$HW_ROOT/runtime" TMPDIR="$HW_ROOT/tmp"
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_STATE_HOME
HW_FAILURES=0
HW_SCENARIO=""
HW_SCENARIO_FAILED=0
HW_DISPLAY=""
HW_XVFB_PID=""
HW_WM_PID=""
HW_TRAY_PID=""
HW_PID=""
HW_WRAPPER_PID=""
HW_WIN=""
HW_CONFIG=""
HW_CAPTURE=""
HW_LOG=""
HW_BUS_ADDRESS=""
HW_BUS_PID=""
HW_STANDIN_PIDS=""
HW_STANDIN_LOG=""
HW_PULSE_SERVER=""
# A command the program runs under (strace's fault injection); set after
# hw_begin. As with faketime, the wrapper's child is the program watched.
HW_WRAP=()
# "No bus": an address nothing listens at. An unset one with DISPLAY set
# makes the D-Bus library launch a private bus of its own.
HW_NO_BUS="unix:path=/nonexistent"

# Frames of float32 stereo at the rate of the sound files.
HW_RATE=44100
HW_CHANNELS=2

# shellcheck source=pipewire.sh
source "$(dirname "${BASH_SOURCE[0]}")/pipewire.sh"

hw_log() { printf '[%s %s] %s\n' "$(date +%T)" "$HW_SCRIPT" "$*"; }

# --- cleanup ---------------------------------------------------------------

hw_kill() { # pid [grace seconds]
    local pid="$1" grace="${2:-3}" i
    [ -n "$pid" ] || return 0
    kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null; return 0; }
    kill -TERM "$pid" 2>/dev/null
    for ((i = 0; i < grace * 10; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 0
}

hw_cleanup() {
    hw_kill "$HW_PID"
    hw_pipewire_kill
    hw_standins_stop
    hw_kill "$HW_BUS_PID"
    hw_kill "${HW_WRAPPER_PID:-}"
    hw_kill "$HW_TRAY_PID"
    hw_kill "$HW_WM_PID"
    hw_kill "$HW_XVFB_PID"
    HW_PID="" HW_TRAY_PID="" HW_WM_PID="" HW_XVFB_PID=""
    # A scenario that failed half-way may leave its small disk mounted.
    awk -v root="$HW_ROOT/" 'index($2, root) == 1 {print $2}' /proc/mounts | xargs -r umount -l
    rm -rf "$HW_ROOT"
}
trap hw_cleanup EXIT
trap 'exit 130' INT TERM

# --- waiting ---------------------------------------------------------------

# Polls a command every 0.2 s until it succeeds or the timeout (seconds) runs out.
hw_wait_for() {
    local timeout="$1"
    shift
    local deadline=$((SECONDS + timeout))
    while true; do
        "$@" && return 0
        [ "$SECONDS" -ge "$deadline" ] && return 1
        sleep 0.2
    done
}

# True while the command keeps succeeding for the whole span (seconds).
hw_holds_for() {
    local span="$1"
    shift
    local deadline=$((SECONDS + span))
    while [ "$SECONDS" -lt "$deadline" ]; do
        "$@" || return 1
        sleep 0.1
    done
    "$@"
}

# --- X session -------------------------------------------------------------

hw_x() { DISPLAY="$HW_DISPLAY" "$@"; }

hw_session() {
    # Xvfb takes the first free display number and writes it to fd 3 once
    # it listens: no two scripts can pick the same one.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
        3>"$HW_ROOT/xvfb.display" >"$HW_ROOT/xvfb.log" 2>&1 &
    HW_XVFB_PID=$!
    if hw_wait_for 15 grep -q . "$HW_ROOT/xvfb.display" && kill -0 "$HW_XVFB_PID" 2>/dev/null; then
        HW_DISPLAY=":$(head -n 1 "$HW_ROOT/xvfb.display")"
    fi
    [ -n "$HW_DISPLAY" ] || { hw_log "Xvfb did not start"; cat "$HW_ROOT/xvfb.log"; exit 1; }

    DISPLAY="$HW_DISPLAY" openbox >"$HW_ROOT/openbox.log" 2>&1 &
    HW_WM_PID=$!
    # openbox owns the WM_S0 selection once it manages the screen.
    if ! hw_wait_for 15 hw_wm_running; then
        hw_log "openbox did not start"
        cat "$HW_ROOT/openbox.log"
        exit 1
    fi
    hw_log "X session on $HW_DISPLAY (Xvfb $HW_XVFB_PID, openbox $HW_WM_PID)"
}

hw_wm_running() { hw_x xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# A tray host has claimed the system tray selection.
hw_tray_manager_present() {
    python3 - "$HW_DISPLAY" <<'EOF' 2>/dev/null
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x.XGetSelectionOwner.restype = ctypes.c_ulong
d = x.XOpenDisplay(sys.argv[1].encode())
if not d:
    sys.exit(2)
sys.exit(0 if x.XGetSelectionOwner(d, x.XInternAtom(d, b"_NET_SYSTEM_TRAY_S0", 0)) else 1)
EOF
}

hw_tray_start() {
    [ -n "$HW_TRAY_PID" ] && kill -0 "$HW_TRAY_PID" 2>/dev/null && return 0
    DISPLAY="$HW_DISPLAY" trayer --edge top --align right --widthtype request --height 24 \
        --SetDockType true --expand true >"$HW_ROOT/trayer.log" 2>&1 &
    HW_TRAY_PID=$!
    if ! hw_wait_for 15 hw_tray_manager_present; then
        hw_log "trayer did not claim the system tray"
        cat "$HW_ROOT/trayer.log"
        exit 1
    fi
}

hw_tray_stop() {
    hw_kill "$HW_TRAY_PID"
    HW_TRAY_PID=""
    hw_wait_for 5 hw_tray_manager_absent || true
}

hw_tray_manager_absent() { ! hw_tray_manager_present; }

# --- scenarios and checks --------------------------------------------------

# Starts a scenario: stops the program of the last one, fresh settings
# folders and capture file, tray host as asked.
hw_begin() {
    local tray=1
    HW_SCENARIO="$1"
    shift
    [ "${1:-}" = "--no-tray" ] && tray=0
    hw_stop_checked
    HW_SCENARIO_FAILED=0
    local dir="$HW_ROOT/s$RANDOM$RANDOM"
    mkdir -p "$dir/config" "$dir/xdg" "$dir/home" "$dir/runtime"
    chmod 700 "$dir/runtime"
    HW_CONFIG="$dir/config"
    HW_CONFIG_DIRS="$dir/xdg"
    HW_HOME="$dir/home"
    HW_RUNTIME="$dir/runtime"
    HW_CAPTURE="$dir/capture.raw"
    HW_LOG="$dir/program.log"
    HW_PROGRAM="$HW_BINARY"
    HW_NOFILE=""
    HW_STANDIN_LOG=""
    HW_PULSE_SERVER=""
    HW_WRAP=()
    HW_SYSTEM_BUS=""
    if [ "$tray" = 1 ]; then hw_tray_start; else hw_tray_stop; fi
    hw_log "--- scenario: $HW_SCENARIO"
}

hw_slug() { printf '%s' "$1" | tr -c 'A-Za-z0-9' '-' | tr -s '-' | sed 's/-$//'; }

hw_screenshot() {
    local file="$HW_ARTIFACTS/e2e-$HW_SCRIPT-$(hw_slug "$HW_SCENARIO").png"
    if hw_x import -window root "$file" 2>/dev/null; then
        hw_log "screenshot: $file"
    fi
}

hw_fail() {
    HW_FAILURES=$((HW_FAILURES + 1))
    hw_log "FAIL [$HW_SCENARIO] $*"
    if [ "$HW_SCENARIO_FAILED" = 0 ]; then
        HW_SCENARIO_FAILED=1
        hw_screenshot
        if [ -s "$HW_LOG" ]; then
            hw_log "program log (tail):"
            tail -n 20 "$HW_LOG" | sed 's/^/    /'
        fi
        if [ -s "${HW_STANDIN_LOG:-}" ]; then
            hw_log "stand-in services' log:"
            sed 's/^/    /' "$HW_STANDIN_LOG"
        fi
        if [ -s "$HW_CONFIG/Tarnwell.ini" ]; then
            hw_log "settings file:"
            sed 's/^/    /' "$HW_CONFIG/Tarnwell.ini"
        fi
    fi
}

# hw_check "what the user should see" command args...
hw_check() {
    local what="$1"
    shift
    if "$@"; then
        hw_log "ok   [$HW_SCENARIO] $what"
        return 0
    fi
    hw_fail "$what"
    return 1
}

hw_check_eq() { # what expected actual
    if [ "$2" = "$3" ]; then
        hw_log "ok   [$HW_SCENARIO] $1 ('$3')"
        return 0
    fi
    hw_fail "$1: expected '$2', got '$3'"
    return 1
}

hw_done() {
    hw_stop_checked
    if [ "$HW_FAILURES" -gt 0 ]; then
        hw_log "$HW_FAILURES check(s) failed"
        exit 1
    fi
    hw_log "all checks passed"
    exit 0
}

# --- the program -----------------------------------------------------------

# hw_start [--faketime "YYYY-MM-DD hh:mm:ss"]: the clock of the program starts
# at that time and runs at normal speed.
hw_start() {
    local fake=""
    if [ "${1:-}" = "--faketime" ]; then
        fake="$2"
        shift 2
    fi
    local -a cmd=("$HW_PROGRAM")
    [ -n "$fake" ] && cmd=(faketime -f "@$fake" "$HW_PROGRAM")
    [ ${#HW_WRAP[@]} -gt 0 ] && cmd=("${HW_WRAP[@]}" "${cmd[@]}")
    # A limit of open files the scenario set (prlimit becomes the program).
    [ -n "${HW_NOFILE:-}" ] && cmd=(prlimit --nofile="$HW_NOFILE" "${cmd[@]}")
    # Audio into the capture file through SDL's disk driver, or to the sound
    # server at HW_PULSE_SERVER when the scenario set one.
    local -a audio=(SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$HW_CAPTURE")
    [ -n "${HW_PULSE_SERVER:-}" ] && audio=(PULSE_SERVER="$HW_PULSE_SERVER")
    # No session bus unless the script asked for one: Qt then uses the
    # XEmbed tray that trayer hosts. The user's data folder is the default
    # one in the private home.
    local -a bus=(DBUS_SESSION_BUS_ADDRESS="$HW_NO_BUS")
    # The private bus stands in for the system bus too (logind).
    [ -n "$HW_BUS_ADDRESS" ] &&
        bus=(DBUS_SESSION_BUS_ADDRESS="$HW_BUS_ADDRESS" DBUS_SYSTEM_BUS_ADDRESS="$HW_BUS_ADDRESS")
    # Or the system bus the scenario named (HW_NO_BUS: none).
    [ -n "${HW_SYSTEM_BUS:-}" ] && bus+=(DBUS_SYSTEM_BUS_ADDRESS="$HW_SYSTEM_BUS")
    # X, or the Wayland compositor whose socket HW_WAYLAND names.
    local -a platform=(QT_QPA_PLATFORM=xcb)
    [ -n "${HW_WAYLAND:-}" ] && platform=(QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY="$HW_WAYLAND")
    env -u WAYLAND_DISPLAY -u XDG_DATA_HOME -u SDL_AUDIODRIVER "${bus[@]}" \
        DISPLAY="$HW_DISPLAY" "${platform[@]}" \
        HOME="$HW_HOME" XDG_CONFIG_HOME="$HW_CONFIG" XDG_CONFIG_DIRS="$HW_CONFIG_DIRS" \
        XDG_RUNTIME_DIR="$HW_RUNTIME" "${audio[@]}" \
        FAKETIME_DONT_FAKE_MONOTONIC=1 \
        "${cmd[@]}" >"$HW_LOG" 2>&1 &
    HW_PID=$!
    HW_WRAPPER_PID=""
    if [ -n "$fake" ] || [ ${#HW_WRAP[@]} -gt 0 ]; then
        # faketime (or a wrapper) runs the program as its child and does not
        # pass signals on: watch and stop the program itself.
        HW_WRAPPER_PID=$HW_PID
        HW_PID=""
        hw_wait_for 10 hw_find_child || { hw_fail "the wrapper did not start the program"; return 1; }
    fi
    HW_WIN=""
    HW_START_REAL="$(date +%s.%N)"
    HW_FAKE_START="${fake:+$(date -d "$fake" +%s)}"
    hw_log "started hushwave (pid $HW_PID${fake:+, clock from $fake})"
}

# Runs a copy of the program from a folder of its own whose sounds/ also
# holds "<name>.mp3": the first `seconds` of White Noise, to hear a file end.
# The program finds its sounds beside its executable, so it must be a copy.
hw_add_short_sound() { # name seconds
    local src dir
    src="$(dirname "$HW_BINARY")"
    dir="$(dirname "$HW_CAPTURE")/program"
    mkdir -p "$dir"
    cp -r "$src/sounds" "$dir/"
    [ -f "$src/HAND-M.CUR" ] && cp "$src/HAND-M.CUR" "$dir/"
    cp "$HW_BINARY" "$dir/"
    # 160 kbit/s: 20000 bytes a second; mpg123 drops the cut last frame.
    head -c $(($2 * 20000)) "$src/sounds/White Noise.mp3" >"$dir/sounds/$1.mp3"
    HW_PROGRAM="$dir/$(basename "$HW_BINARY")"
}

# Seconds from now until the program's clock (started with --faketime)
# reads the given time of the same day; negative once past.
hw_fake_seconds_until() { # "hh:mm:ss"
    local target
    target="$(date -d "$(date -d "@$HW_FAKE_START" +%F) $1" +%s)"
    awk -v t="$target" -v fs="$HW_FAKE_START" -v rs="$HW_START_REAL" -v now="$(date +%s.%N)" \
        'BEGIN {printf "%.2f", (t - fs) - (now - rs)}'
}

# True while the command keeps succeeding until the program's clock reads
# the given time (at once when that time has passed).
hw_holds_until_fake() { # "hh:mm:ss" command...
    local when="$1"
    shift
    while hw_num_below 0 "$(hw_fake_seconds_until "$when")"; do
        "$@" || return 1
        sleep 0.1
    done
    return 0
}

hw_sleep_until_fake() { # "hh:mm:ss"
    local left
    left="$(hw_fake_seconds_until "$1")"
    hw_num_below 0 "$left" && sleep "$left"
    return 0
}

hw_find_child() {
    HW_PID="$(ps -o pid= --ppid "$HW_WRAPPER_PID" 2>/dev/null | head -n 1 | tr -d ' ')"
    [ -n "$HW_PID" ]
}

hw_running() { [ -n "$HW_PID" ] && kill -0 "$HW_PID" 2>/dev/null; }

hw_exited() { ! hw_running; }

# Waits for the program to end by itself; HW_EXIT_STATUS holds its status.
hw_wait_exit() { # timeout
    HW_EXIT_STATUS=""
    hw_wait_for "${1:-10}" hw_exited || return 1
    wait "${HW_WRAPPER_PID:-$HW_PID}" 2>/dev/null
    HW_EXIT_STATUS=$?
    HW_PID="" HW_WRAPPER_PID=""
    return 0
}

# Stops the program of the scenario that ends; it must still be running
# unless the scenario saw it exit.
hw_stop_checked() {
    if [ -n "$HW_PID" ] && ! hw_running; then
        hw_fail "the program ended by itself"
    fi
    hw_stop
}

# CPU seconds the program uses per second of wall time, measured over a span.
hw_cpu_per_second() { # span
    local tick before after
    tick="$(getconf CLK_TCK)"
    before="$(awk '{print $14 + $15}' "/proc/$HW_PID/stat" 2>/dev/null)" || return 1
    sleep "$1"
    after="$(awk '{print $14 + $15}' "/proc/$HW_PID/stat" 2>/dev/null)" || return 1
    awk -v a="$before" -v b="$after" -v t="$tick" -v s="$1" 'BEGIN {printf "%.4f", (b - a) / t / s}'
}

hw_rss_mb() { awk '/VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$HW_PID/status" 2>/dev/null; }

hw_stop() {
    hw_kill "$HW_PID"
    hw_kill "${HW_WRAPPER_PID:-}"
    HW_PID="" HW_WRAPPER_PID=""
    HW_WIN=""
}

# --- session bus (opt-in) -------------------------------------------------

# A private session bus for the rest of the script. It starts no service by
# itself (the installed desktop portal would answer every test otherwise);
# a scenario links the services it wants into HW_BUS_SERVICES. Other users
# may connect: a compositor that will not run as root runs as another.
hw_bus_start() {
    local out
    HW_BUS_SERVICES="$HW_ROOT/bus-services"
    mkdir -p "$HW_BUS_SERVICES"
    cat >"$HW_ROOT/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=$HW_ROOT</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$HW_BUS_SERVICES</servicedir>
  <policy context="default">
    <allow user="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
    out="$(dbus-daemon --config-file="$HW_ROOT/bus.conf" --fork --print-address=1 --print-pid=1 2>/dev/null)" ||
        { hw_log "dbus-daemon did not start"; exit 1; }
    HW_BUS_ADDRESS="$(sed -n 1p <<<"$out")"
    HW_BUS_PID="$(sed -n 2p <<<"$out")"
    hw_log "session bus $HW_BUS_ADDRESS (dbus-daemon $HW_BUS_PID)"
}

hw_on_bus() { DBUS_SESSION_BUS_ADDRESS="$HW_BUS_ADDRESS" "$@"; }

# Starts stand-in desktop services (watcher, notifications, inhibit) that
# log to HW_STANDIN_LOG; waits until they own their names.
hw_standins() {
    [ -n "$HW_STANDIN_LOG" ] || HW_STANDIN_LOG="$HW_ROOT/standins.log"
    touch "$HW_STANDIN_LOG"
    local before
    before="$(grep -c '^ready' "$HW_STANDIN_LOG")"
    DBUS_SESSION_BUS_ADDRESS="$HW_BUS_ADDRESS" /usr/bin/python3 \
        "$(dirname "${BASH_SOURCE[0]}")/support/desktop_standins.py" \
        "$HW_STANDIN_LOG" "$@" >>"$HW_ROOT/standins.err" 2>&1 &
    HW_STANDIN_PIDS="$HW_STANDIN_PIDS $!"
    hw_wait_for 10 eval '[ "$(grep -c "^ready" "$HW_STANDIN_LOG")" -gt "$before" ]' ||
        { hw_log "stand-ins did not start"; cat "$HW_ROOT/standins.err"; exit 1; }
}

hw_standins_stop() {
    local pid
    for pid in $HW_STANDIN_PIDS; do hw_kill "$pid"; done
    HW_STANDIN_PIDS=""
}

# --- windows ---------------------------------------------------------------

# The program's top-level windows called Hushwave include a 1x1 helper; the
# main window is the one with the designed client size.
hw_main_window_id() {
    local w
    [ -n "$HW_PID" ] || return 1
    for w in $(hw_x xdotool search --all --pid "$HW_PID" --name '^Hushwave$' 2>/dev/null); do
        if hw_x xwininfo -id "$w" 2>/dev/null | grep -q 'Width: 536' &&
            hw_x xwininfo -id "$w" 2>/dev/null | grep -q 'Height: 383'; then
            echo "$w"
            return 0
        fi
    done
    return 1
}

# Main windows of any hushwave on our display (a second start may show one).
hw_main_windows() {
    local w
    for w in $(hw_x xdotool search --onlyvisible --name '^Hushwave$' 2>/dev/null); do
        hw_x xwininfo -id "$w" 2>/dev/null | grep -q 'Width: 536' && echo "$w"
    done
}

hw_find_window_once() {
    HW_WIN="$(hw_main_window_id)" && [ -n "$HW_WIN" ]
}

# Waits for the main window to exist (mapped or not); sets HW_WIN.
hw_find_window() {
    hw_wait_for "${1:-20}" hw_find_window_once
}

# xwininfo without an id waits for a click on a window: never call it so.
hw_map_state() {
    [ -n "$HW_WIN" ] || return 1
    hw_x xwininfo -id "$HW_WIN" 2>/dev/null | sed -n 's/^ *Map State: *//p'
}

hw_window_visible() { [ -n "$HW_WIN" ] && [ "$(hw_map_state)" = "IsViewable" ]; }

hw_window_hidden() { [ -n "$HW_WIN" ] && [ "$(hw_map_state)" != "IsViewable" ]; }

# Managed by the window manager (a taskbar would show it).
hw_window_managed() {
    hw_x wmctrl -l 2>/dev/null | awk '{print $1}' | while read -r id; do
        [ "$((id))" = "$((HW_WIN))" ] && exit 0
    done
}

hw_window_withdrawn() { ! hw_window_managed && hw_window_hidden; }

hw_origin() { # prints absolute x y of the main window's client area
    [ -n "$HW_WIN" ] || { hw_fail "no main window to click"; return 1; }
    hw_x xwininfo -id "$HW_WIN" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}'
}

# Clicks at a point of the main window's client area.
hw_click() {
    local x y
    read -r x y < <(hw_origin)
    [ -n "$x" ] || { hw_fail "main window not found for a click"; return 1; }
    hw_x xdotool mousemove --sync $((x + $1)) $((y + $2)) click 1
    # Park the pointer outside the window so hover does not change the picture.
    hw_x xdotool mousemove --sync 1 767
}

# Centres of the controls, from their designed positions (client pixels).
hw_control_point() {
    case "$1" in
    turn) echo "268 21" ;;                    # "Turn On" / "Turn Off"
    option1) echo "$((8 + 12 + 8)) $((38 + 20 + 10))" ;;
    option2) echo "$((8 + 12 + 8)) $((38 + 47 + 10))" ;;
    to_hour) echo "$((8 + 96 + 6)) $((38 + 76 + 12))" ;;   # hour of the "to" picker
    combo) echo "$((8 + 16 + 243)) $((156 + 20 + 11))" ;;
    volume) echo "$((8 + 4 + 256)) $((248 + 16 + 16))" ;; # the handle at 50
    preview) echo "$((8 + 16 + 243)) $((156 + 50 + 13))" ;;
    check4) echo "$((8 + 16 + 7)) $((306 + 20 + 7))" ;;
    check8) echo "$((8 + 16 + 7)) $((306 + 43 + 7))" ;;
    *) return 1 ;;
    esac
}

hw_click_control() {
    local p
    p="$(hw_control_point "$1")" || { hw_fail "unknown control $1"; return 1; }
    # shellcheck disable=SC2086
    hw_click $p
}

# Saves the client-area picture of a control (w h around its centre) for comparing.
hw_snap_control() { # control file
    local x y cx cy
    read -r x y < <(hw_origin)
    read -r cx cy < <(hw_control_point "$1")
    hw_x import -window root -crop "480x22+$((x + cx - 240))+$((y + cy - 11))" +repage "$2" 2>/dev/null
}

# Number of differing pixels between two pictures.
hw_picture_diff() {
    compare -metric AE "$1" "$2" null: 2>&1 | awk '{print int($1)}'
}

# The WM state of the main window: Normal, Iconic, or "" (withdrawn).
hw_wm_state() {
    hw_x xprop -id "$HW_WIN" WM_STATE 2>/dev/null | sed -n 's/^[[:space:]]*window state: *//p'
}

hw_window_iconic() { [ "$(hw_wm_state)" = "Iconic" ]; }

# A shown top-level window of the program other than the main window, at
# least 100x40 (the balloon).
hw_popup_visible() {
    local base=$((HW_WIN >> 21)) id info
    for id in $(hw_x xwininfo -root -children 2>/dev/null | awk '$1 ~ /^0x/ {print $1}'); do
        [ $((id >> 21)) = "$base" ] && [ $((id)) != $((HW_WIN)) ] || continue
        info="$(hw_x xwininfo -id "$id" 2>/dev/null)"
        grep -q 'Map State: IsViewable' <<<"$info" || continue
        awk '/Width:/ {w=$NF} /Height:/ {h=$NF} END {exit !(w >= 100 && h >= 40)}' <<<"$info" && return 0
    done
    return 1
}

hw_no_popup() { ! hw_popup_visible; }

# The program's "Application Error" box, when one is shown (its window id).
hw_error_box() { hw_x xdotool search --all --onlyvisible --pid "$HW_PID" --name '^Application Error$' 2>/dev/null | head -n 1 | grep .; }
hw_error_box_shown() { hw_error_box >/dev/null; }
hw_no_error_box() { ! hw_error_box_shown; }

hw_close() { hw_x wmctrl -c Hushwave; }

hw_minimize() { hw_x xdotool windowminimize "$HW_WIN"; }

# Brings the window up as a task bar would.
hw_activate() { hw_x wmctrl -i -a "$HW_WIN"; }

# --- tray ------------------------------------------------------------------

# Windows docked into the tray host that belong to the program: X clients get
# their own id range, so a docked window shares the main window's id base.
hw_tray_icon_id() {
    [ -n "$HW_TRAY_PID" ] && [ -n "$HW_WIN" ] || return 1
    local base=$((HW_WIN >> 21)) top id
    for top in $(hw_x xdotool search --classname '^trayer$' 2>/dev/null) \
        $(hw_x xdotool search --class '^trayer$' 2>/dev/null); do
        for id in $(hw_x xwininfo -id "$top" -tree 2>/dev/null |
            awk '$1 ~ /^0x/ {print $1}'); do
            if [ $((id >> 21)) = "$base" ]; then
                echo "$((id))"
                return 0
            fi
        done
    done | head -n 1 | grep .
}

hw_tray_icon_present() { hw_tray_icon_id >/dev/null; }

hw_tray_icon_gone() { ! hw_tray_icon_present; }

hw_click_tray_icon() {
    local id x y w h
    id="$(hw_tray_icon_id)" || { hw_fail "no tray icon to click"; return 1; }
    read -r x y w h < <(hw_x xwininfo -id "$id" | awk '
        /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}')
    hw_x xdotool mousemove --sync $((x + w / 2)) $((y + h / 2)) click 1
    hw_x xdotool mousemove --sync 1 767
}

# --- settings file ---------------------------------------------------------

hw_settings_file() { echo "$HW_CONFIG/Tarnwell.ini"; }

# Value of a key of the [Hushwave] group ("" when absent; status 1).
hw_setting() {
    local file
    file="$(hw_settings_file)"
    [ -f "$file" ] || return 1
    python3 - "$file" "$1" <<'EOF'
import sys
from urllib.parse import unquote
path, wanted = sys.argv[1], sys.argv[2]
group = None
for raw in open(path, encoding="utf-8", errors="replace"):
    line = raw.strip()
    if line.startswith("[") and line.endswith("]"):
        group = line[1:-1]
        continue
    if group != "Hushwave" or "=" not in line:
        continue
    key, value = line.split("=", 1)
    if unquote(key.strip()) == wanted:
        value = value.strip()
        if len(value) >= 2 and value[0] == value[-1] == '"':
            value = value[1:-1]
        print(value)
        sys.exit(0)
sys.exit(1)
EOF
}

hw_setting_is() { [ "$(hw_setting "$1")" = "$2" ]; }

# hw_write_settings "Key=Value"...: a settings file as a previous run left it.
hw_write_settings() {
    local file kv
    file="$(hw_settings_file)"
    {
        echo "[Hushwave]"
        for kv in "$@"; do
            local key="${kv%%=*}" value="${kv#*=}"
            echo "${key// /%20}=$value"
        done
    } >"$file"
}

# --- captured audio --------------------------------------------------------

hw_capture_bytes() { stat -c %s "$HW_CAPTURE" 2>/dev/null || echo 0; }

# The capture has stopped growing for `span` seconds.
hw_capture_still() {
    local span="${1:-1}" before
    before="$(hw_capture_bytes)"
    sleep "$span"
    [ "$(hw_capture_bytes)" = "$before" ]
}

hw_capture_growing() {
    local before
    before="$(hw_capture_bytes)"
    sleep "${1:-0.5}"
    [ "$(hw_capture_bytes)" -gt "$before" ]
}

# Measures the capture; prints key=value lines:
#   seconds  length of the capture
#   sound    seconds of audio in 10 ms blocks that are not silent
#   rms      RMS over the non-silent blocks
#   gaps     silent 10 ms blocks between the first and the last sound
#            (dropouts, or a silence at a loop's seam)
#   onset    seconds from the capture's start to its first non-zero sample
#   head     peak of the first ms after the onset / peak of the 100 ms after it
#   tail     peak of the last ms before the final silence / peak of the 100 ms before it
#   end      peak of the last ms before the final silence / peak of all the sound
#   tailsil  seconds of silence at the end of the capture
#   jump     largest sample-to-sample step / the 99.9th percentile step
#   smooth   RMS of the steps / RMS of the signal: about 1.4 for white
#            noise, far lower for brown noise (tells the styles apart)
hw_audio_stats() {
    # Debian's python, which has numpy (python3-numpy).
    /usr/bin/python3 - "${1:-$HW_CAPTURE}" "$HW_RATE" "$HW_CHANNELS" <<'EOF'
import sys
import numpy as np
path, rate, channels = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
try:
    data = np.fromfile(path, dtype="<f4")
except FileNotFoundError:
    data = np.zeros(0, dtype="<f4")
frames = len(data) // channels
data = data[: frames * channels].astype(np.float64).reshape(frames, channels)
# Mono view: the peak of the channels per frame keeps any click visible.
mono = np.abs(data).max(axis=1) if frames else np.zeros(0)
left = data[:, 0]
block = rate // 100
starts = np.arange(0, frames, block)
energy = np.add.reduceat((data * data).sum(axis=1), starts) if frames else np.zeros(0)
samples = np.diff(np.append(starts, frames)) * channels
loud = energy / np.maximum(samples, 1) > 1e-12
heard = np.flatnonzero(loud)
out = {
    "seconds": frames / rate,
    "sound": int(loud.sum()) * block / rate,
    "rms": float(np.sqrt(energy[loud].sum() / samples[loud].sum())) if len(heard) else 0.0,
    "gaps": int((~loud[heard[0]:heard[-1]]).sum()) if len(heard) else 0,
}
nonzero = np.flatnonzero(mono > 1e-7)
ms = rate // 1000
if len(nonzero):
    first, last = int(nonzero[0]), int(nonzero[-1])
    out["onset"] = first / rate
    body = mono[first:first + rate // 10].max()
    out["head"] = float(mono[first:first + ms].max() / body) if body else 0.0
    body = mono[max(first, last - rate // 10):last + 1].max()
    final_ms = mono[max(first, last + 1 - ms):last + 1].max()
    out["tail"] = float(final_ms / body) if body else 0.0
    whole = mono[first:last + 1].max()
    out["end"] = float(final_ms / whole) if whole else 0.0
    out["tailsil"] = (frames - 1 - last) / rate
    steps = np.sort(np.abs(np.diff(left[first:last + 1])))
    power = (left[first:last] ** 2).sum()
    out["smooth"] = float(np.sqrt((steps ** 2).sum() / power)) if power else 0.0
    if len(steps) > 1000:
        p = steps[int(len(steps) * 0.999)]
        # A jump from silence at the very start counts as a step too.
        biggest = max(steps[-1], abs(left[first]))
        out["jump"] = float(biggest / p) if p else 0.0
    else:
        out["jump"] = 0.0
else:
    out.update(onset=-1, head=0.0, tail=0.0, end=0.0, tailsil=0.0, jump=0.0, smooth=0.0)
for k, v in out.items():
    print(f"{k}={v:.4f}" if isinstance(v, float) else f"{k}={v}")
EOF
}

# RMS of the last `seconds` of the capture.
hw_capture_rms_last() { # seconds
    python3 - "$HW_CAPTURE" "$1" "$HW_RATE" "$HW_CHANNELS" <<'EOF'
import array, math, os, sys
path, span, rate, channels = sys.argv[1], float(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
want = int(span * rate) * channels * 4
try:
    size = os.path.getsize(path) // (channels * 4) * channels * 4
    with open(path, "rb") as f:
        f.seek(max(0, size - want))
        raw = f.read(min(size, want))
except FileNotFoundError:
    raw = b""
data = array.array("f")
data.frombytes(raw)
if sys.byteorder != "little":
    data.byteswap()
print(f"{math.sqrt(sum(v * v for v in data) / len(data)) if data else 0.0:.6f}")
EOF
}

# One measure of hw_audio_stats.
hw_audio() { hw_audio_stats | sed -n "s/^$1=//p"; }

# At least `min` seconds of non-silent audio were captured.
hw_capture_has_sound() {
    awk -v s="$(hw_audio sound)" -v m="${1:-0.5}" 'BEGIN {exit !(s + 0 >= m + 0)}'
}

hw_capture_silent() { ! hw_capture_has_sound 0.01; }

# awk comparison helper: hw_num_between value low high
hw_num_between() { awk -v v="$1" -v a="$2" -v b="$3" 'BEGIN {exit !(v + 0 >= a + 0 && v + 0 <= b + 0)}'; }
hw_num_below() { awk -v v="$1" -v b="$2" 'BEGIN {exit !(v + 0 < b + 0)}'; }
