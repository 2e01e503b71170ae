#!/usr/bin/env bash
# The tray as a user meets it: minimise and restore through the icon, a start
# hidden in the tray, a close that takes the icon away, and a desktop with no
# tray host.
source "$(dirname "$0")/lib.sh"

hw_session

# ---------------------------------------------------------------------------
hw_begin "minimise and restore"
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "the tray icon appears" hw_wait_for 10 hw_tray_icon_present
hw_click_control turn
hw_check "the sound plays" hw_wait_for 10 hw_capture_has_sound 1
hw_minimize
hw_check "minimising hides the window" hw_wait_for 5 hw_window_hidden
hw_check "and takes it off the task bar" hw_wait_for 5 hw_window_withdrawn
hw_check "a balloon shows the first time" hw_wait_for 5 hw_popup_visible
hw_check "the balloon goes away after about five seconds" hw_wait_for 10 hw_no_popup
hw_check "the sound keeps playing while hidden" hw_capture_growing 1
hw_check "the window stays hidden" hw_holds_for 1 hw_window_hidden
hw_click_tray_icon
hw_check "a click on the icon brings the window back" hw_wait_for 5 hw_window_visible
hw_check "back on the task bar" hw_wait_for 5 hw_window_managed
hw_check "the icon stays in the tray" hw_tray_icon_present
hw_minimize
hw_check "a second minimise hides the window again" hw_wait_for 5 hw_window_withdrawn
hw_check "without a second balloon" hw_holds_for 2 hw_no_popup
hw_click_tray_icon
hw_check "and the icon brings it back again" hw_wait_for 5 hw_window_visible
hw_click_tray_icon
hw_check "a click while shown leaves it shown" hw_holds_for 1 hw_window_visible
hw_check "the sound played throughout" hw_capture_growing 1
hw_check_eq "minimising stores nothing about the start" "" "$(hw_setting Minimized)"
hw_click_control check8
hw_check "ticking \"Start in system tray\" stores it at once" hw_wait_for 5 hw_setting_is Minimized On
hw_check "and leaves the window shown" hw_holds_for 1 hw_window_visible
hw_click_control check8
hw_check "clearing it stores Off" hw_wait_for 5 hw_setting_is Minimized Off

# ---------------------------------------------------------------------------
hw_begin "start in the tray"
# As at logon for the night: hidden, and the sound left on at the last exit.
hw_write_settings Minimized=On "Windows Startup=On" Combo1=0 Option=Infinite StartStopState=ON
hw_start
hw_check "the main window is created" hw_find_window 30
seen=0
deadline=$((SECONDS + 15))
# Watch the whole start: the window must never be seen, until the icon is
# there and a moment more.
while [ "$SECONDS" -lt "$deadline" ]; do
    hw_window_visible && seen=1
    hw_tray_icon_present && break
    sleep 0.1
done
hw_check "the tray icon appears" hw_tray_icon_present
for _ in $(seq 20); do
    hw_window_visible && seen=1
    sleep 0.1
done
hw_check_eq "the window was never shown" 0 "$seen"
hw_check "the window is not on the task bar" hw_window_withdrawn
hw_check "the balloon shows once" hw_wait_for 5 hw_popup_visible
hw_check "the sound plays while hidden" hw_wait_for 10 hw_capture_has_sound 1
hw_check "and goes away" hw_wait_for 10 hw_no_popup
hw_click_tray_icon
hw_check "a click on the icon shows the window" hw_wait_for 5 hw_window_visible
hw_minimize
hw_check "a later minimise hides it" hw_wait_for 5 hw_window_withdrawn
hw_check "without a balloon" hw_holds_for 2 hw_no_popup
hw_check_eq "the start in the tray stays chosen" "On" "$(hw_setting Minimized)"
hw_check "loading writes no logon entry" bash -c "! ls '$HW_CONFIG/autostart' '$HW_CONFIG_DIRS/autostart' 2>/dev/null | grep -q desktop"
hw_check "the sound played throughout" hw_capture_growing 1

hw_log "the stored word in another case"
hw_stop
hw_write_settings Minimized=on
hw_start
hw_find_window 30
hw_check "\"on\" is not \"On\": the window is shown" hw_wait_for 10 hw_window_visible
hw_check "and stays shown" hw_holds_for 2 hw_window_visible

# ---------------------------------------------------------------------------
hw_begin "close removes the icon"
hw_write_settings Combo1=0 Option=Infinite StartStopState=ON
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "the tray icon appears" hw_wait_for 10 hw_tray_icon_present
hw_check "the sound plays" hw_wait_for 10 hw_capture_has_sound 1
before="$(md5sum <"$(hw_settings_file)")"
hw_close
hw_check "closing the window ends the program" hw_wait_exit 10 &&
    hw_check_eq "with a clean exit" 0 "$HW_EXIT_STATUS"
hw_check "the tray icon is gone" hw_wait_for 5 hw_tray_icon_gone
hw_check "the sound stops with the program" hw_capture_still 1
tail="$(hw_audio tail)"
hw_check "and fades out, no click (last ms peak ratio $tail)" hw_num_below "$tail" 0.5
hw_check_eq "nothing is written at exit" "$before" "$(md5sum <"$(hw_settings_file)")"
hw_check "the tray host is still running" hw_tray_manager_present

# ---------------------------------------------------------------------------
hw_begin "logout (SIGTERM) ends like a close"
hw_write_settings Combo1=0 Option=Infinite StartStopState=ON
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "the tray icon appears" hw_wait_for 10 hw_tray_icon_present
hw_check "the sound plays" hw_wait_for 10 hw_capture_has_sound 1
kill -TERM "$HW_PID"
hw_check "SIGTERM ends the program" hw_wait_exit 10 &&
    hw_check_eq "with a clean exit" 0 "$HW_EXIT_STATUS"
hw_check "the tray icon is gone" hw_wait_for 5 hw_tray_icon_gone
hw_check "the sound stops with the program" hw_capture_still 1
tail="$(hw_audio tail)"
hw_check "and fades out, no click (last ms peak ratio $tail)" hw_num_below "$tail" 0.5

# ---------------------------------------------------------------------------
hw_begin "no tray host" --no-tray
hw_start
hw_find_window 30
hw_check "the window is shown" hw_wait_for 10 hw_window_visible
hw_minimize
hw_check "minimising leaves the window on the task bar" hw_wait_for 5 hw_window_iconic
hw_check "still managed there" hw_holds_for 1 hw_window_managed
hw_activate
hw_check "and the task bar brings it back" hw_wait_for 5 hw_window_visible
hw_close
hw_check "closing ends the program" hw_wait_exit 10

hw_log "start in the tray without a tray host"
hw_write_settings Minimized=On "Windows Startup=On"
hw_start
hw_find_window 30
hw_check "the window is not lost: minimised on the task bar" hw_wait_for 10 hw_window_iconic
hw_check "still managed there" hw_holds_for 1 hw_window_managed
hw_activate
hw_check "and the task bar brings it back" hw_wait_for 5 hw_window_visible

hw_done
