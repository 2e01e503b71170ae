#!/usr/bin/env bash
# The program on a desktop with a session bus (a private dbus-daemon): one
# instance, the media player object that panels and media keys use, the
# StatusNotifierItem tray with desktop notifications, and no sleep while it
# plays. The desktop's services are small stand-ins (support/desktop_standins.py),
# but for the real desktop portal with its GTK back end.
source "$(dirname "$0")/lib.sh"

hw_session
hw_bus_start

MPRIS=(gdbus call --session -d org.mpris.MediaPlayer2.Hushwave -o /org/mpris/MediaPlayer2)
mpris() { hw_on_bus "${MPRIS[@]}" "$@" >/dev/null 2>&1; }
mpris_get() { hw_on_bus "${MPRIS[@]}" -m org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2.Player "$1" 2>/dev/null; }

# Starts the program again in the foreground, as a second launch from a menu,
# with a capture file of its own; prints its exit status and seconds taken.
second_start() { # capture
    local -a bus=(DBUS_SESSION_BUS_ADDRESS="$HW_NO_BUS")
    [ -n "$HW_BUS_ADDRESS" ] && bus=(DBUS_SESSION_BUS_ADDRESS="$HW_BUS_ADDRESS")
    local t0 status
    t0="$(date +%s.%N)"
    timeout 10 env -u WAYLAND_DISPLAY "${bus[@]}" DISPLAY="$HW_DISPLAY" QT_QPA_PLATFORM=xcb \
        HOME="$HW_HOME" XDG_CONFIG_HOME="$HW_CONFIG" XDG_CONFIG_DIRS="$HW_CONFIG_DIRS" \
        XDG_RUNTIME_DIR="$HW_RUNTIME" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$1" \
        "$HW_PROGRAM" >>"$HW_LOG.second" 2>&1
    status=$?
    echo "$status $(awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN {printf "%.2f", b - a}')"
}

# The stand-ins' log holds a line matching the pattern exactly n times.
log_count_is() { [ "$(grep -c "$1" "$HW_STANDIN_LOG")" = "$2" ]; }
log_count_at_least() { [ "$(grep -c "$1" "$HW_STANDIN_LOG")" -ge "$2" ]; }

settings_sum() { md5sum "$(hw_settings_file)" 2>/dev/null | cut -d' ' -f1; }

# The menu entry and icon as the build installs them: what the desktop looks
# the program up by.
cmake --install "$(dirname "$(dirname "$HW_BINARY")")" --prefix "$HW_ROOT/installed" >/dev/null ||
    { hw_log "cmake --install failed"; exit 1; }
installed_entry="$(basename "$(ls "$HW_ROOT"/installed/share/applications/*.desktop)" .desktop)"
installed_icon="$(sed -n 's/^Icon=//p' "$HW_ROOT/installed/share/applications/$installed_entry.desktop")"

# The real portal and its GTK back end on the private bus, with the X
# display; the permission store it asks is started by the bus. They stop
# with the scenario's stand-ins.
portal_start() {
    ln -sf /usr/share/dbus-1/services/org.freedesktop.impl.portal.PermissionStore.service \
        "$HW_BUS_SERVICES/"
    hw_on_bus gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
        -m org.freedesktop.DBus.UpdateActivationEnvironment \
        "{'HOME': '$HW_HOME', 'XDG_RUNTIME_DIR': '$HW_RUNTIME', 'DISPLAY': '$HW_DISPLAY'}" >/dev/null
    local -a env=(env DBUS_SESSION_BUS_ADDRESS="$HW_BUS_ADDRESS" DISPLAY="$HW_DISPLAY" GDK_BACKEND=x11
        HOME="$HW_HOME" XDG_RUNTIME_DIR="$HW_RUNTIME" XDG_CURRENT_DESKTOP=GNOME)
    "${env[@]}" /usr/libexec/xdg-desktop-portal-gtk >>"$HW_ROOT/portal.log" 2>&1 &
    HW_STANDIN_PIDS="$HW_STANDIN_PIDS $!"
    hw_wait_for 10 name_owned org.freedesktop.impl.portal.desktop.gtk ||
        { hw_log "xdg-desktop-portal-gtk did not start"; cat "$HW_ROOT/portal.log"; exit 1; }
    "${env[@]}" /usr/libexec/xdg-desktop-portal --verbose >>"$HW_ROOT/portal.log" 2>&1 &
    HW_STANDIN_PIDS="$HW_STANDIN_PIDS $!"
    hw_wait_for 10 name_owned org.freedesktop.portal.Desktop ||
        { hw_log "xdg-desktop-portal did not start"; cat "$HW_ROOT/portal.log"; exit 1; }
}
name_owned() {
    [ "$(hw_on_bus gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
        -m org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null)" = "(true,)" ]
}

# Hands over to the running one: exit 0 within a second, the window comes
# back out of the tray, no sound and no settings write of its own.
check_second_start() { # label
    local sum result
    hw_minimize
    hw_check "$1: the window goes to the tray" hw_wait_for 5 hw_window_hidden
    sum="$(settings_sum)"
    result="$(second_start "$HW_CAPTURE.second")"
    hw_check_eq "$1: the second start exits 0" 0 "${result% *}"
    hw_check "$1: within a second (${result#* } s)" hw_num_below "${result#* }" 1
    hw_check "$1: the first window is shown again" hw_wait_for 5 hw_window_visible
    hw_check "$1: the second opened no sound" test ! -e "$HW_CAPTURE.second"
    hw_check_eq "$1: the settings file is untouched" "$sum" "$(settings_sum)"
    hw_check "$1: the first keeps running" hw_running
}

# ---------------------------------------------------------------------------
hw_begin "a second start hands over to the first"
hw_write_settings Option=Infinite StartStopState=ON
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "the first plays" hw_wait_for 10 hw_capture_has_sound 0.5
check_second_start "bus"
# A start that does not find the bus (a terminal without it) still finds ours.
saved_bus="$HW_BUS_ADDRESS"
HW_BUS_ADDRESS="unix:path=$HW_ROOT/no-bus"
check_second_start "without the bus"
HW_BUS_ADDRESS="$saved_bus"
hw_check "one player window" test "$(hw_x xdotool search --all --name '^Hushwave$' 2>/dev/null |
    while read -r w; do hw_x xwininfo -id "$w" | grep -c 'Width: 536'; done | paste -sd+ | bc)" = 1
hw_log "the first stopped (SIGSTOP): a second start gets no answer"
kill -STOP "$HW_PID"
result="$(second_start "$HW_CAPTURE.second")"
kill -CONT "$HW_PID"
hw_check "it says so and exits with a failure (status ${result% *})" \
    eval '[ "${result% *}" != 0 ] && grep -q "did not answer" "$HW_LOG.second"'
hw_check "within two seconds (${result#* } s)" hw_num_below "${result#* }" 2
hw_log "killed with SIGKILL, then started again"
kill -KILL "$HW_PID"
wait "$HW_PID" 2>/dev/null
HW_PID=""
hw_start
hw_check "the next start shows its window" hw_find_window 10
hw_check "and owns the player name" hw_wait_for 5 mpris -m org.freedesktop.DBus.Peer.Ping

hw_begin "one instance without a bus"
saved_bus="$HW_BUS_ADDRESS"
# An address that leads nowhere (with none at all, libdbus would start a
# bus for the X display by itself).
HW_BUS_ADDRESS="unix:path=$HW_ROOT/no-bus"
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
check_second_start "no bus"
kill -KILL "$HW_PID"
wait "$HW_PID" 2>/dev/null
HW_PID=""
hw_check "a dead run's socket is left behind" test -S "$HW_RUNTIME/hushwave.socket"
hw_start
hw_check "the next start still shows its window" hw_find_window 10
hw_find_window 10 && hw_wait_for 10 hw_window_visible
check_second_start "after a kill"
HW_BUS_ADDRESS="$saved_bus"

# ---------------------------------------------------------------------------
hw_begin "panels and media keys"
hw_write_settings Option=Infinite Volume=50
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
signals="$HW_ROOT/signals.log"
hw_on_bus timeout 60 gdbus monitor --session -d org.mpris.MediaPlayer2.Hushwave >"$signals" 2>&1 &
monitor=$!
sleep 1
hw_check_eq "Identity" "(<'Hushwave'>,)" "$(hw_on_bus "${MPRIS[@]}" -m org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2 Identity 2>/dev/null)"
hw_check_eq "stopped at first" "(<'Stopped'>,)" "$(mpris_get PlaybackStatus)"
hw_check "title is the style" bash -c "grep -q \"xesam:title': <'White Noise'>\" <<<\"\$1\"" _ "$(mpris_get Metadata)"
mpris -m org.mpris.MediaPlayer2.Player.PlayPause
hw_check "PlayPause stores \"Turn On\"" hw_wait_for 5 hw_setting_is StartStopState ON
hw_check "and plays" hw_wait_for 10 hw_capture_has_sound 0.5
hw_check_eq "playing" "(<'Playing'>,)" "$(mpris_get PlaybackStatus)"
mpris -m org.mpris.MediaPlayer2.Player.PlayPause
hw_check "PlayPause again stores \"Turn Off\"" hw_wait_for 5 hw_setting_is StartStopState OFF
hw_check "and the sound stops" hw_wait_for 5 hw_capture_still 1
hw_check_eq "no portal, no logind: said once on the log" 1 "$(grep -c 'neither the desktop portal nor logind' "$HW_LOG")"
mpris -m org.mpris.MediaPlayer2.Player.Play
hw_check "Play turns it on" hw_wait_for 5 hw_setting_is StartStopState ON
hw_check "plays again" hw_wait_for 10 hw_capture_growing
hw_check_eq "and is not said again" 1 "$(grep -c 'neither the desktop portal nor logind' "$HW_LOG")"
# The button's own click now turns it off: its caption read "Turn Off".
hw_click_control turn
hw_check "the caption was \"Turn Off\"" hw_wait_for 5 hw_setting_is StartStopState OFF
mpris -m org.freedesktop.DBus.Properties.Set org.mpris.MediaPlayer2.Player Volume '<0.3>'
hw_check "Volume 0.3 is stored as 30" hw_wait_for 5 hw_setting_is Volume 30
hw_check_eq "and read back from the slider" "(<0.29999999999999999>,)" "$(mpris_get Volume)"
mpris -m org.freedesktop.DBus.Properties.Set org.mpris.MediaPlayer2.Player Volume '<42949673.5>'
hw_check "a volume far above the top is the top, not a wrap" hw_wait_for 5 hw_setting_is Volume 100
mpris -m org.freedesktop.DBus.Properties.Set org.mpris.MediaPlayer2.Player Volume '<0.3>'
hw_minimize
hw_check "minimised into the tray" hw_wait_for 5 hw_window_hidden
mpris -m org.mpris.MediaPlayer2.Raise
hw_check "Raise shows the window" hw_wait_for 5 hw_window_visible
hw_check "with its tray icon" hw_tray_icon_present
sleep 1
hw_check "status changes arrive as signals" grep -q "PlaybackStatus': <'Playing'>" "$signals"
hw_check "and back" grep -q "PlaybackStatus': <'Stopped'>" "$signals"
hw_check "volume changes too" grep -q "'Volume': <0.29999999999999999>" "$signals"
mpris -m org.mpris.MediaPlayer2.Quit
hw_check "Quit ends the program" hw_wait_exit 10
hw_check_eq "with status 0" 0 "$HW_EXIT_STATUS"
hw_check "and its tray icon goes" hw_wait_for 5 hw_tray_icon_gone
hw_kill "$monitor"

# ---------------------------------------------------------------------------
hw_begin "a bus that refuses the program's names" --no-tray
# A policy that keeps the tray item's and the media player's names from it
# (a prefix is whole dotted parts: the watcher's name is let through again).
sed 's|<allow own="\*"/>|<allow own="*"/><deny own_prefix="org.kde"/><allow own="org.kde.StatusNotifierWatcher"/><deny own="org.mpris.MediaPlayer2.Hushwave"/>|' \
    "$HW_ROOT/bus.conf" >"$HW_ROOT/strict-bus.conf"
strict="$(dbus-daemon --config-file="$HW_ROOT/strict-bus.conf" --fork --print-address=1 --print-pid=1)"
saved_bus="$HW_BUS_ADDRESS"
HW_BUS_ADDRESS="$(sed -n 1p <<<"$strict")"
HW_STANDIN_LOG="$HW_ROOT/strict.log"
hw_standins watcher
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "the tray icon's refusal is on the log" \
    hw_wait_for 10 grep -q 'tray icon could not be registered' "$HW_LOG"
hw_check "and the media player's" grep -q 'refused the name org.mpris.MediaPlayer2.Hushwave' "$HW_LOG"
hw_minimize
hw_activate
sleep 1
hw_check_eq "each said once" "1 1" \
    "$(grep -c 'tray icon could not' "$HW_LOG") $(grep -c 'refused the name' "$HW_LOG")"
hw_check "the window plays on" hw_running
hw_stop
hw_standins_stop
kill "$(sed -n 2p <<<"$strict")"
HW_BUS_ADDRESS="$saved_bus"

# ---------------------------------------------------------------------------
hw_begin "desktop calls while an error box is open"
# A stored style beyond the list: the load step's box holds the window.
hw_write_settings Combo1=9 Option=Infinite Volume=50
hw_start
hw_check "the error box is shown" hw_wait_for 20 hw_error_box
# Each call is read afresh when it acts: the second Play finds the generator
# on already, and Quit comes last.
mpris -m org.mpris.MediaPlayer2.Player.Play
mpris -m org.mpris.MediaPlayer2.Player.Play
mpris -m org.freedesktop.DBus.Properties.Set org.mpris.MediaPlayer2.Player Volume '<0.3>'
mpris -m org.mpris.MediaPlayer2.Quit
hw_check "nothing happens while the box waits" hw_holds_for 2 hw_capture_silent
hw_check_eq "nothing is stored yet" "OFF" "$(hw_setting StartStopState || echo OFF)"
hw_check "the program waits too" hw_running
hw_x xdotool windowactivate --sync "$(hw_error_box)" key Return 2>/dev/null
hw_check "once it is closed, Play turns the generator on" hw_wait_for 5 hw_setting_is StartStopState ON
hw_check "and the volume is set" hw_wait_for 5 hw_setting_is Volume 30
hw_check "then Quit closes the program" hw_wait_exit 10
hw_check_eq "with exit status 0" 0 "$HW_EXIT_STATUS"

# ---------------------------------------------------------------------------
hw_begin "StatusNotifierItem tray" --no-tray
HW_STANDIN_LOG="$HW_ROOT/sni.log"
hw_standins watcher notifications
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "the icon registers" hw_wait_for 10 grep -q '^item ' "$HW_STANDIN_LOG"
hw_check "at 16 to 48 px" grep -q 'sizes=16x16,22x22,24x24,32x32,48x48 tip=Hushwave' "$HW_STANDIN_LOG"
hw_minimize
hw_check "minimising hides the window" hw_wait_for 5 hw_window_hidden
hw_check "the balloon is closed after its 5 s" hw_wait_for 10 grep -q '^close ' "$HW_STANDIN_LOG"
hw_check_eq "exactly one notification" 1 "$(grep -c '^notify ' "$HW_STANDIN_LOG")"
hw_check "it carries the balloon's text" grep -q "^notify id=1 .*timeout=5000 summary='Hushwave' body=.has been minimized" "$HW_STANDIN_LOG"
hw_check "and that one is closed" grep -q '^close id=1$' "$HW_STANDIN_LOG"
hw_check "its icon and desktop entry are the installed ones ($installed_entry)" \
    grep -q "^notify id=1 .* icon=$installed_icon entry=$installed_entry " "$HW_STANDIN_LOG"
hw_check "which is where the icon is" \
    test -f "$HW_ROOT/installed/share/icons/hicolor/48x48/apps/$installed_icon.png"
hw_check "no empty notification" bash -c "! grep -q \"summary='' body=''\" '$HW_STANDIN_LOG'"
item="$(sed -n 's/^item \([^ ]*\) .*/\1/p' "$HW_STANDIN_LOG" | head -n 1)"
hw_on_bus gdbus call --session -d "$item" -o /StatusNotifierItem -m org.kde.StatusNotifierItem.Activate 0 0 >/dev/null
hw_check "a click on the icon brings the window back" hw_wait_for 5 hw_window_visible
hw_minimize
sleep 2
hw_check_eq "the balloon shows once a run" 1 "$(grep -c '^notify ' "$HW_STANDIN_LOG")"
hw_on_bus gdbus call --session -d "$item" -o /StatusNotifierItem -m org.kde.StatusNotifierItem.ContextMenu 0 0 >/dev/null
hw_check "a right click brings it back too" hw_wait_for 5 hw_window_visible
hw_close
hw_check "closing ends the program" hw_wait_exit 10
hw_check "and takes the icon away" hw_wait_for 5 grep -q "^item-gone $item" "$HW_STANDIN_LOG"
hw_standins_stop

hw_begin "a panel that starts after the program" --no-tray
HW_STANDIN_LOG="$HW_ROOT/late.log"
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
sleep 3
hw_standins watcher
hw_check "still gets the icon" hw_wait_for 5 grep -q '^item ' "$HW_STANDIN_LOG"
hw_minimize
hw_check "and minimising goes to it" hw_wait_for 5 hw_window_hidden
hw_log "the panel leaves and comes back"
hw_standins_stop
hw_standins watcher
hw_check "the icon comes back" hw_wait_for 5 log_count_at_least '^item ' 2
hw_standins_stop

# ---------------------------------------------------------------------------
hw_begin "no sleep while it plays"
HW_STANDIN_LOG="$HW_ROOT/inhibit.log"
hw_standins inhibit
hw_write_settings Option=Infinite
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
sleep 1
hw_check_eq "nothing held while silent" 0 "$(grep -c '^inhibit ' "$HW_STANDIN_LOG")"
hw_click_control turn
hw_check "plays" hw_wait_for 10 hw_capture_has_sound 0.5
hw_check "one inhibit of suspend and idle" hw_wait_for 5 grep -q '^inhibit flags=12 .*active=1$' "$HW_STANDIN_LOG"
hw_click_control turn
hw_check "released at Turn Off" hw_wait_for 5 grep -q '^release active=0$' "$HW_STANDIN_LOG"
sleep 1
hw_check_eq "asked once" 1 "$(grep -c '^inhibit ' "$HW_STANDIN_LOG")"
hw_click_control preview
hw_check "a preview holds it too" hw_wait_for 5 log_count_is '^inhibit ' 2
hw_click_control preview
hw_check "until it stops" hw_wait_for 5 log_count_is '^release active=0$' 2
hw_standins_stop

hw_begin "no portal: logind keeps it awake"
HW_STANDIN_LOG="$HW_ROOT/logind.log"
hw_standins logind
hw_write_settings Option=Infinite
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_click_control turn
hw_check "plays" hw_wait_for 10 hw_capture_has_sound 0.5
hw_check "logind is asked to block sleep and idle" \
    hw_wait_for 5 grep -q '^logind-inhibit what=sleep:idle who=Hushwave mode=block active=1$' "$HW_STANDIN_LOG"
hw_click_control turn
hw_check "and the descriptor is closed at Turn Off" hw_wait_for 5 grep -q '^logind-release active=0$' "$HW_STANDIN_LOG"
hw_standins_stop

hw_begin "a portal that keeps only the screen awake"
HW_STANDIN_LOG="$HW_ROOT/idle-only.log"
hw_standins inhibit-idle-only logind
hw_write_settings Option=Infinite
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_click_control turn
hw_check "plays" hw_wait_for 10 hw_capture_has_sound 0.5
hw_check "suspend and idle are refused" hw_wait_for 5 grep -q '^refuse flags=12$' "$HW_STANDIN_LOG"
hw_check "idle alone is asked for and held" hw_wait_for 5 grep -q '^inhibit flags=8 .*active=1$' "$HW_STANDIN_LOG"
hw_check "logind blocks sleep" \
    hw_wait_for 5 grep -q '^logind-inhibit what=sleep who=Hushwave mode=block active=1$' "$HW_STANDIN_LOG"
hw_click_control turn
hw_check "the portal's is released at Turn Off" hw_wait_for 5 grep -q '^release active=0$' "$HW_STANDIN_LOG"
hw_check "and logind's" hw_wait_for 5 grep -q '^logind-release active=0$' "$HW_STANDIN_LOG"
hw_check "nothing said on the log" bash -c "! grep -q 'neither the desktop portal' '$HW_LOG'"
hw_standins_stop

hw_begin "the real desktop portal with its GTK back end"
# The back end keeps the screen awake through the screen saver of the
# session, which no session manager runs here: that alone is a stand-in.
HW_STANDIN_LOG="$HW_ROOT/screensaver.log"
hw_standins screensaver
portal_start
hw_write_settings Option=Infinite
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_click_control turn
hw_check "plays" hw_wait_for 10 hw_capture_has_sound 0.5
hw_check "the back end holds an inhibit" \
    hw_wait_for 10 grep -q '^screensaver-inhibit .*active=1$' "$HW_STANDIN_LOG"
hw_check "after the portal refused suspend" grep -q 'Inhibiting other than idle not supported' "$HW_ROOT/portal.log"
hw_click_control turn
hw_check "none after Turn Off" hw_wait_for 5 grep -q '^screensaver-release active=0$' "$HW_STANDIN_LOG"
hw_click_control turn
hw_check "held again at the next Turn On" \
    hw_wait_for 10 eval '[ "$(grep -c "^screensaver-inhibit .*active=1$" "$HW_STANDIN_LOG")" = 2 ]'
hw_close
hw_check "closing ends the program" hw_wait_exit 10
hw_check "and lets go of it" hw_wait_for 5 log_count_is '^screensaver-release active=0$' 2
hw_standins_stop

hw_begin "the real portal without a system bus"
# A container or a minimal session: logind cannot be asked at all, and
# must not hold up the portal's hold or its release.
HW_STANDIN_LOG="$HW_ROOT/screensaver-alone.log"
hw_standins screensaver
portal_start
HW_SYSTEM_BUS="$HW_NO_BUS"
hw_write_settings Option=Infinite
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
for round in 1 2; do
    hw_click_control turn
    hw_check "play $round: the idle hold is taken" \
        hw_wait_for 10 log_count_is '^screensaver-inhibit .*active=1$' "$round"
    hw_click_control turn
    hw_check "play $round: closed at Turn Off" \
        hw_wait_for 5 log_count_is '^screensaver-release active=0$' "$round"
done
hw_check "nothing said: the portal held" bash -c "! grep -q 'neither the desktop portal' '$HW_LOG'"
hw_standins_stop

hw_begin "a portal that never answers"
HW_STANDIN_LOG="$HW_ROOT/silent.log"
hw_standins inhibit-silent logind
hw_write_settings Option=Infinite
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
for round in 1 2; do
    hw_click_control turn
    hw_check "play $round: the portal is asked" \
        hw_wait_for 5 log_count_is '^unanswered flags=12 ' "$round"
    hw_check "play $round: logind holds within a few seconds" \
        hw_wait_for 6 log_count_is '^logind-inhibit what=sleep:idle who=Hushwave mode=block active=1$' "$round"
    hw_check "play $round: the unanswered request is closed" log_count_is '^release active=0$' "$round"
    hw_click_control turn
    hw_check "play $round: logind's lock goes at Turn Off" \
        hw_wait_for 5 log_count_is '^logind-release active=0$' "$round"
done
hw_check_eq "said once on the log" 1 "$(grep -c 'portal did not answer' "$HW_LOG")"
hw_check "and no more: logind held" bash -c "! grep -q 'neither the desktop portal' '$HW_LOG'"
hw_log "Turn Off before the deadline"
hw_click_control turn
hw_check "the portal is asked" hw_wait_for 5 log_count_is '^unanswered flags=12 ' 3
hw_click_control turn
hw_check "the request is closed at once" hw_wait_for 2 log_count_is '^release active=0$' 3
hw_check "and logind is not asked after it" hw_holds_for 5 log_count_is '^logind-inhibit ' 2
hw_standins_stop

hw_begin "no sleep inside the play window only"
HW_STANDIN_LOG="$HW_ROOT/window.log"
hw_standins inhibit
hw_write_settings Option=Timed StartStopState=ON \
    "Time From=12/7/2026 9:00:00 AM" "Time To=12/7/2026 9:00:05 AM"
hw_start --faketime "2026-12-07 08:59:56"
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "nothing held while it waits for the window" hw_holds_until_fake 08:59:59 \
    log_count_is '^inhibit ' 0
hw_check "held once the window opens" hw_wait_for 10 grep -q '^inhibit .*active=1$' "$HW_STANDIN_LOG"
hw_sleep_until_fake 09:00:06
hw_check "released when it closes" hw_wait_for 10 grep -q '^release active=0$' "$HW_STANDIN_LOG"
hw_check "while the generator stays on" hw_setting_is StartStopState ON
hw_standins_stop

hw_done
