#!/usr/bin/env bash
# One instance without a session bus: the lock and the local socket in the
# runtime folder. A stuck launcher or a buggy script of the user's must not
# exhaust or end the running one, and another user must not be able to
# switch the single instance off by taking the shared fallback folder.
source "$(dirname "$0")/lib.sh"

hw_session

hw_fd_count() { ls "/proc/$HW_PID/fd" 2>/dev/null | wc -l; }

# Starts the program again in the foreground as a second launch; prints its
# exit status and the seconds it took. Extra VAR=value words go first.
second_start() {
    local t0 status
    t0="$(date +%s.%N)"
    timeout 10 env -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR DBUS_SESSION_BUS_ADDRESS="$HW_NO_BUS" \
        DISPLAY="$HW_DISPLAY" QT_QPA_PLATFORM=xcb HOME="$HW_HOME" XDG_CONFIG_HOME="$HW_CONFIG" \
        XDG_CONFIG_DIRS="$HW_CONFIG_DIRS" SDL_AUDIODRIVER=dummy "$@" \
        "$HW_PROGRAM" >>"$HW_LOG.second" 2>&1
    status=$?
    echo "$status $(awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN {printf "%.2f", b - a}')"
}

# D-Bus processes that run for this X display: a library that found no bus
# address would have launched them.
autolaunched_buses() {
    local p
    for p in $(pgrep -x dbus-daemon) $(pgrep -x dbus-launch); do
        tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "DISPLAY=$HW_DISPLAY" && echo "$p"
    done
}

# ---------------------------------------------------------------------------
hw_begin "a flood and a thousand idle connections on the socket"
hw_start
hw_check "the main window is shown" hw_find_window 30 && hw_wait_for 10 hw_window_visible
socket="$HW_RUNTIME/hushwave.socket"
hw_check "it listens in the runtime folder" hw_wait_for 5 test -S "$socket"
hw_check "without a bus of its own" eval '[ -z "$(autolaunched_buses)" ]'
rss_before="$(hw_rss_mb)"
fds_before="$(hw_fd_count)"
# 1,100 idle connections held open, and one that sends 100 MB without a newline.
python3 - "$socket" >"$HW_ROOT/clients.out" 2>&1 <<'PY' &
import resource, socket, sys, time
resource.setrlimit(resource.RLIMIT_NOFILE, (4096, 4096))
idle = []
for i in range(1100):
    s = socket.socket(socket.AF_UNIX)
    s.settimeout(5)
    s.connect(sys.argv[1])
    idle.append(s)
flood = socket.socket(socket.AF_UNIX)
flood.settimeout(5)
flood.connect(sys.argv[1])
sent = 0
try:
    while sent < 100 * 2**20:
        sent += flood.send(b"x" * 65536)
except OSError:
    pass
print("idle", len(idle), "sent", sent, flush=True)
time.sleep(30)
PY
clients=$!
hw_check "the clients are all connected" hw_wait_for 20 grep -q '^idle 1100 ' "$HW_ROOT/clients.out"
sent="$(sed -n 's/^idle 1100 sent //p' "$HW_ROOT/clients.out")"
hw_check "the flood is cut off within its first megabyte" hw_num_below "${sent:-999999999}" 1048576
hw_check "the program's memory stays put (RSS $rss_before -> $(hw_rss_mb) MB)" \
    hw_num_below "$(hw_rss_mb)" "$(awk -v r="$rss_before" 'BEGIN {print r + 10}')"
hw_check "it holds no more than a few connections ($fds_before -> $(hw_fd_count) fds)" \
    hw_num_below "$(hw_fd_count)" $((fds_before + 12))
hw_minimize
hw_wait_for 5 hw_window_hidden
read -r status took < <(second_start XDG_RUNTIME_DIR="$HW_RUNTIME")
hw_check_eq "a start meanwhile hands over" 0 "$status"
hw_check "within two seconds (took $took s)" hw_num_below "$took" 2
hw_check "and the window comes back" hw_wait_for 5 hw_window_visible
hw_kill "$clients"
hw_check "the socket file is still there" test -S "$socket"
hw_check "the program keeps running" hw_holds_for 2 hw_running
hw_minimize
hw_wait_for 5 hw_window_hidden
read -r status took < <(second_start XDG_RUNTIME_DIR="$HW_RUNTIME")
hw_check_eq "and the next start hands over too" 0 "$status"
hw_check "its window comes back again" hw_wait_for 5 hw_window_visible

# ---------------------------------------------------------------------------
hw_begin "with and without XDG_RUNTIME_DIR, in either order"
# Either way round the two share the settings file: one player.
runtime="$HW_RUNTIME"
for first in with without; do
    if [ "$first" = with ]; then hw_start; else HW_RUNTIME="" hw_start; fi
    hw_find_window 30 && hw_wait_for 10 hw_window_visible
    hw_minimize
    hw_wait_for 5 hw_window_hidden
    if [ "$first" = with ]; then
        read -r status took < <(second_start)
        normal_took="$took"
    else
        read -r status took < <(second_start XDG_RUNTIME_DIR="$runtime")
    fi
    hw_check_eq "first $first: the other start hands over" 0 "$status"
    hw_check "first $first: the window comes back" hw_wait_for 5 hw_window_visible
    hw_check_eq "first $first: one main window" 1 "$(hw_main_windows | wc -l)"
    hw_log "the first stopped (SIGSTOP)"
    kill -STOP "$HW_PID"
    read -r status took < <(second_start XDG_RUNTIME_DIR="$runtime")
    kill -CONT "$HW_PID"
    hw_check "first $first: a start that gets no answer fails (status $status, $took s)" \
        eval '[ "$status" = 1 ] && grep -q "did not answer" "$HW_LOG.second"'
    hw_stop
    HW_RUNTIME="$runtime"
    : >"$HW_LOG.second"
done

hw_begin "a folder where the socket should be"
mkdir "$HW_RUNTIME/hushwave.socket"
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "the log names it" \
    grep -q "$HW_RUNTIME/hushwave.socket is in the way of the hand-over socket" "$HW_LOG"
hw_check "and listens in the user's cache" test -S "$HW_HOME/.cache/hushwave/hushwave.socket"
hw_minimize
hw_wait_for 5 hw_window_hidden
read -r status took < <(second_start XDG_RUNTIME_DIR="$HW_RUNTIME")
hw_check_eq "a second start hands over" 0 "$status"
# Against the plain hand-over above: the program's own start-up is in both.
hw_check "within 0.2 s of a plain one ($took s against $normal_took s)" \
    hw_num_below "$(awk -v a="$took" -v b="$normal_took" 'BEGIN {print a - b}')" 0.2
hw_check "the window comes back" hw_wait_for 5 hw_window_visible

hw_begin "nothing keeps the session awake"
HW_SYSTEM_BUS="$HW_NO_BUS"
hw_write_settings Option=Infinite
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
for round in 1 2 3; do
    hw_click_control turn
    hw_check "play $round" hw_wait_for 10 hw_capture_growing
    hw_click_control turn
    hw_wait_for 5 hw_setting_is StartStopState OFF
done
hw_check_eq "one warning for the run" 1 "$(grep -c 'neither the desktop portal nor logind' "$HW_LOG")"

# ---------------------------------------------------------------------------
hw_begin "the shared fallback folder taken by another user"
# Without XDG_RUNTIME_DIR the lock and socket go to <tmp>/hushwave-<uid>;
# another user of the machine made that first.
id hushwave-other >/dev/null 2>&1 || useradd --system --no-create-home hushwave-other
shared_tmp="$HW_ROOT/tmp"
mkdir -p "$shared_tmp" && chmod 1777 "$shared_tmp"
mkdir "$shared_tmp/hushwave-$(id -u)"
chown hushwave-other "$shared_tmp/hushwave-$(id -u)"
HW_RUNTIME=""
TMPDIR="$shared_tmp" hw_start
hw_check "the main window is shown" hw_find_window 30 && hw_wait_for 10 hw_window_visible
read -r status took < <(second_start TMPDIR="$shared_tmp")
hw_check_eq "a second start still hands over" 0 "$status"
hw_check_eq "one main window" 1 "$(hw_main_windows | wc -l)"
hw_check "the lock is in the user's own cache" test -S "$HW_HOME/.cache/hushwave/hushwave.socket"
hw_check_eq "said once in the log" 1 "$(grep -c 'is not ours' "$HW_LOG")"
hw_check "the other user's folder is left alone" \
    eval '[ "$(stat -c %U "$shared_tmp/hushwave-$(id -u)")" = hushwave-other ]'

hw_done
