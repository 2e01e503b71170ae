#!/usr/bin/env bash
# The program on Wayland (Qt's wayland platform) under Debian's sway with its
# headless back end (software rendering, no GPU), waybar as the panel whose
# tray holds the icon, and wtype as the keyboard. sway will not run as root:
# run by root, the compositor, the panel and the input tools run as the
# unprivileged user nobody, and the program (as root) connects to their socket.
source "$(dirname "$0")/lib.sh"

APP_ID=io.github.hushwave.Hushwave
WL_USER=""
[ "$(id -u)" = 0 ] && WL_USER=nobody
WL="$HW_ROOT/wayland"
WL_PIDS=""
chmod 711 "$HW_ROOT"
mkdir -p "$WL/run" "$WL/home"
chmod 755 "$WL"
chmod 700 "$WL/run"
[ -z "$WL_USER" ] || chown "$WL_USER" "$WL/run" "$WL/home"
# The compositor's side, with nothing of the test's environment.
as_wl_user() {
    local -a who=()
    [ -z "$WL_USER" ] || who=(runuser -u "$WL_USER" --)
    "${who[@]}" env -i PATH=/usr/bin:/bin HOME="$WL/home" XDG_RUNTIME_DIR="$WL/run" "$@"
}

cat >"$WL/sway.conf" <<CONF
output HEADLESS-1 resolution 1280x800 position 0 0
# A valid activation token brings a window forward (by default it is only
# marked urgent).
focus_on_window_activation focus
CONF
# The tray first on the bar, so its one icon sits at the left end.
cat >"$WL/waybar.json" <<'CONF'
{"layer": "top", "position": "top", "height": 30, "modules-left": ["tray"],
 "tray": {"icon-size": 20}}
CONF
echo '* { font-size: 12px; }' >"$WL/waybar.css"

# A client of the compositor.
as_wl_client() {
    as_wl_user WAYLAND_DISPLAY="$HW_WAYLAND" DBUS_SESSION_BUS_ADDRESS="$HW_BUS_ADDRESS" \
        SWAYSOCK="$(ls "$WL"/run/sway-ipc.*.sock 2>/dev/null | head -n 1)" "$@"
}
wl_socket() { ls "$WL"/run/wayland-? 2>/dev/null | head -n 1; }
# runuser does not pass a signal on: its child goes first.
wl_stop() {
    local pid child
    for pid in $WL_PIDS; do
        for child in $(pgrep -P "$pid"); do hw_kill "$child"; done
        hw_kill "$pid"
    done
    WL_PIDS=""
}
trap 'wl_stop; hw_cleanup' EXIT

# Our window's node in sway's tree: "pid focused visible urgent", nothing
# when it is not mapped.
wl_window() {
    as_wl_client swaymsg -t get_tree 2>/dev/null | python3 -c '
import json, sys
def walk(node):
    yield node
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        yield from walk(child)
for node in walk(json.load(sys.stdin)):
    if node.get("app_id") == sys.argv[1]:
        print(node["pid"], int(node["focused"]), int(node.get("visible", False)),
              int(node.get("urgent", False)))
' "$APP_ID"
}
wl_window_mapped() { [ -n "$(wl_window)" ]; }
wl_window_focused() { [ "$(wl_window | cut -d' ' -f2)" = 1 ]; }
wl_window_unfocused() { wl_window_mapped && ! wl_window_focused; }
wl_window_urgent() { [ "$(wl_window | cut -d' ' -f4)" = 1 ]; }
# wtype's keyboard exists only while it runs, and a client binds a keyboard
# only once the seat has one: a pause first, so the press is not lost.
wl_key() { as_wl_client wtype -s 500 -k "$1" -s 200; }
# A click at a point of the screen, through a virtual pointer: the headless
# compositor has no mouse (a stand-in, support/wayland_input.py).
wl_click() { # x y
    as_wl_client python3 "$(dirname "$0")/support/wayland_input.py" click "$1" "$2"
}
tray_items() {
    hw_on_bus gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
        -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher \
        RegisteredStatusNotifierItems 2>/dev/null
}
tray_has_ours() { tray_items | grep -q "org.kde.StatusNotifierItem-$HW_PID-"; }

hw_bus_start
as_wl_user WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    sway -c "$WL/sway.conf" >"$HW_ROOT/sway.log" 2>&1 &
WL_PIDS="$!"
hw_wait_for 15 eval '[ -n "$(wl_socket)" ] && [ -n "$(ls "$WL"/run/sway-ipc.*.sock 2>/dev/null)" ]' ||
    { hw_log "sway did not start"; cat "$HW_ROOT/sway.log"; exit 1; }
HW_WAYLAND="$(basename "$(wl_socket)")"
as_wl_client waybar -c "$WL/waybar.json" -s "$WL/waybar.css" >"$HW_ROOT/waybar.log" 2>&1 &
WL_PIDS="$WL_PIDS $!"
hw_wait_for 15 eval 'hw_on_bus gdbus introspect --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher >/dev/null 2>&1' ||
    { hw_log "waybar did not start its tray"; cat "$HW_ROOT/waybar.log"; exit 1; }
hw_log "sway on $HW_WAYLAND, waybar's tray on the bus"
# The program runs as the test's user, so it is given the socket's full path.
wl_program_socket="$WL/run/$HW_WAYLAND"

# ---------------------------------------------------------------------------
hw_begin "the window, its keyboard and its tray icon on Wayland" --no-tray
hw_write_settings Option=Infinite
HW_WAYLAND="$wl_program_socket" hw_start
hw_check "the window maps with the application id $APP_ID" hw_wait_for 20 wl_window_mapped
hw_check_eq "it is the program's" "$HW_PID" "$(wl_window | cut -d' ' -f1)"
hw_check "and has the keyboard" hw_wait_for 5 wl_window_focused
hw_check "the icon registers with waybar's tray" hw_wait_for 10 tray_has_ours
wl_key Return
hw_check "Enter on \"Turn On\" turns it on" hw_wait_for 5 hw_setting_is StartStopState ON
hw_check "and it is heard" hw_wait_for 10 hw_capture_has_sound 0.5
wl_key KP_Enter
hw_check "the keypad's Enter turns it off" hw_wait_for 5 hw_setting_is StartStopState OFF
hw_check "and the sound stops" hw_wait_for 5 hw_capture_still 1
wl_key space
hw_check "Space turns it on again" hw_wait_for 5 hw_setting_is StartStopState ON
hw_check "heard again" hw_wait_for 10 hw_capture_growing

hw_begin "a click on the tray icon shows the window" --no-tray
hw_write_settings Minimized=On
HW_WAYLAND="$wl_program_socket" hw_start
hw_check "the icon registers" hw_wait_for 20 tray_has_ours
sleep 1
hw_check "the window starts in the tray" bash -c '! [ -n "$1" ]' _ "$(wl_window)"
# The bar is 30 px high and the tray its first module: the icon is at its left end.
wl_click 12 15
hw_check "a click on it shows the window" hw_wait_for 10 wl_window_mapped
hw_check "with the keyboard" hw_wait_for 5 wl_window_focused

hw_begin "a second start brings the first forward" --no-tray
hw_write_settings Option=Infinite
HW_WAYLAND="$wl_program_socket" hw_start
hw_check "the window maps" hw_wait_for 20 wl_window_mapped
# Another program's window takes the keyboard.
as_wl_client weston-flower >"$HW_ROOT/flower.log" 2>&1 &
WL_PIDS="$WL_PIDS $!"
hw_check "another window takes the keyboard" hw_wait_for 10 wl_window_unfocused
# The launcher's part: a token from the compositor, given to the new start
# (a stand-in launcher, support/wayland_input.py).
as_wl_client python3 "$(dirname "$0")/support/wayland_input.py" token 20 >"$HW_ROOT/token" 2>&1 &
WL_PIDS="$WL_PIDS $!"
hw_check "the launcher gets a token" hw_wait_for 10 grep -qsx '[0-9a-f]\{8,\}' "$HW_ROOT/token"
token="$(head -n 1 "$HW_ROOT/token")"
t0="$(date +%s.%N)"
timeout 10 env -u DISPLAY DBUS_SESSION_BUS_ADDRESS="$HW_BUS_ADDRESS" QT_QPA_PLATFORM=wayland \
    WAYLAND_DISPLAY="$wl_program_socket" XDG_ACTIVATION_TOKEN="$token" \
    HOME="$HW_HOME" XDG_CONFIG_HOME="$HW_CONFIG" XDG_RUNTIME_DIR="$HW_RUNTIME" \
    SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$HW_CAPTURE.second" \
    "$HW_PROGRAM" >>"$HW_LOG.second" 2>&1
status=$?
took="$(awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN {printf "%.2f", b - a}')"
hw_check_eq "the second start exits 0" 0 "$status"
hw_check "within a second ($took s)" hw_num_below "$took" 1
hw_check "the first window has the keyboard again" hw_wait_for 5 wl_window_focused
hw_check "one window" test "$(wl_window | wc -l)" = 1

# Without a token (a terminal, a script): the running one asks the
# compositor for one of its own, which sway honours as configured above.
as_wl_client swaymsg '[app_id="org.freedesktop.weston.flower"] focus' >/dev/null
hw_check "the other window has the keyboard again" hw_wait_for 5 wl_window_unfocused
timeout 10 env -u DISPLAY -u XDG_ACTIVATION_TOKEN DBUS_SESSION_BUS_ADDRESS="$HW_BUS_ADDRESS" \
    QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY="$wl_program_socket" \
    HOME="$HW_HOME" XDG_CONFIG_HOME="$HW_CONFIG" XDG_RUNTIME_DIR="$HW_RUNTIME" \
    SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$HW_CAPTURE.second" \
    "$HW_PROGRAM" >>"$HW_LOG.second" 2>&1
hw_check_eq "a second start without a token exits 0" 0 "$?"
hw_check "the first window comes forward or is marked urgent" \
    hw_wait_for 5 eval 'wl_window_focused || wl_window_urgent'

# A tray host that has a token hands it over before the click (Plasma does;
# waybar has none, so the call is made here as such a host makes it).
as_wl_client swaymsg '[app_id="org.freedesktop.weston.flower"] focus' >/dev/null
hw_check "the other window has the keyboard" hw_wait_for 5 wl_window_unfocused
as_wl_client python3 "$(dirname "$0")/support/wayland_input.py" token 20 >"$HW_ROOT/token2" 2>&1 &
WL_PIDS="$WL_PIDS $!"
hw_wait_for 10 grep -qsx '[0-9a-f]\{8,\}' "$HW_ROOT/token2"
item="$(tray_items | grep -o "org.kde.StatusNotifierItem-$HW_PID-[0-9]*" | head -n 1)"
for call in "ProvideXdgActivationToken $(head -n 1 "$HW_ROOT/token2")" "Activate 0 0"; do
    # shellcheck disable=SC2086 # the method and its arguments
    hw_on_bus gdbus call --session -d "$item" -o /StatusNotifierItem -m org.kde.StatusNotifierItem.$call >/dev/null
done
hw_check "a click on the icon with the host's token brings it forward" hw_wait_for 5 wl_window_focused

hw_done
