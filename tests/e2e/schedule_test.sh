#!/usr/bin/env bash
# The daily play window as a user lives it, with the program's clock moved
# by libfaketime: a window entered and left, one across midnight, the play
# option switched while the sound is on, and the window's end edited.
source "$(dirname "$0")/lib.sh"

hw_session

# ---------------------------------------------------------------------------
hw_begin "play window entered and left"
# The dates of the stored times differ from today's on purpose: only the
# time of day counts.
hw_write_settings Combo1=0 Option=Timed StartStopState=ON \
    "Time From=1/15/2025 9:00:00 AM" "Time To=3/2/2027 9:00:08 AM"
hw_start --faketime "2026-12-07 08:59:53"
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "nothing plays before the window opens" hw_holds_until_fake 08:59:59 hw_capture_silent
hw_check "the sound starts when the window opens" hw_wait_for 10 hw_capture_has_sound 1
opened="$(hw_fake_seconds_until 09:00:00)"
hw_check "within a few seconds of 9:00:00 AM (${opened}s to go)" hw_num_between "$opened" -5 0.5
hw_sleep_until_fake 09:00:07
hw_check "it plays until the window's end" hw_capture_growing 0.8
hw_check "the sound stops after the window closes" hw_wait_for 10 hw_capture_still 1.5
sound="$(hw_audio sound)"
hw_check "about nine seconds were played (${sound}s)" hw_num_between "$sound" 6 11
# The window's own fade-out ends near -60 dB, so the last ms is measured
# against the whole sound, not the moment before it.
end="$(hw_audio end)"
hw_check "the sound fades out at the window's end (last ms at $end of the peak)" hw_num_below "$end" 0.05
hw_check "nothing plays after the window" hw_capture_still 2
hw_check_eq "no silent gap while it played" 0 "$(hw_audio gaps)"
hw_check_eq "the stored start is kept as written" "1/15/2025 9:00:00 AM" "$(hw_setting "Time From")"
hw_check_eq "the stored end is kept as written" "3/2/2027 9:00:08 AM" "$(hw_setting "Time To")"
hw_check_eq "the option stays Timed" "Timed" "$(hw_setting Option)"

# ---------------------------------------------------------------------------
hw_begin "window across midnight"
hw_write_settings Combo1=0 Option=Timed StartStopState=ON \
    "Time From=12/7/2026 10:00:00 PM" "Time To=12/7/2026 6:00:00 AM"
hw_start --faketime "2026-12-07 23:30:00"
hw_find_window 30
hw_check "at 11:30 PM a window from 10 PM to 6 AM plays" hw_wait_for 10 hw_capture_has_sound 1
hw_check "and keeps playing" hw_capture_growing 1
hw_stop
rm -f "$HW_CAPTURE"
hw_start --faketime "2026-12-08 03:00:00"
hw_find_window 30
hw_check "at 3 AM it plays" hw_wait_for 10 hw_capture_has_sound 1
hw_stop
rm -f "$HW_CAPTURE"
hw_start --faketime "2026-12-08 12:00:00"
hw_find_window 30 && hw_wait_for 10 hw_window_visible
sleep 3
hw_check "at noon it stays silent" hw_capture_silent
hw_check_eq "while the generator stays on" "ON" "$(hw_setting StartStopState)"

# ---------------------------------------------------------------------------
hw_begin "play option switched while on"
# First start: both pickers hold the time of the load, so "Play from" is a
# window of one second that has passed by the time it is chosen.
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_click_control turn
hw_check "the sound plays" hw_wait_for 10 hw_capture_has_sound 1
hw_click_control option2
hw_check "\"Play from\" is stored" hw_wait_for 5 hw_setting_is Option Timed
hw_check "outside its window the sound stops" hw_wait_for 5 hw_capture_still 1.5
hw_check "and stays off" hw_capture_still 2
rm -f "$HW_CAPTURE"
hw_click_control option1
hw_check "\"Play white noise until 'Turn Off' is clicked\" is stored" hw_wait_for 5 hw_setting_is Option Infinite
hw_check "and the sound comes back" hw_wait_for 8 hw_capture_has_sound 1
hw_check "and keeps playing" hw_capture_growing 1
hw_check_eq "the generator state stays ON" "ON" "$(hw_setting StartStopState)"

# ---------------------------------------------------------------------------
hw_begin "end of the window edited while inside"
hw_write_settings Combo1=0 Option=Timed StartStopState=ON \
    "Time From=12/7/2026 9:00:00 AM" "Time To=12/7/2026 11:00:00 AM"
hw_start --faketime "2026-12-07 10:00:00"
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "inside the window the sound plays" hw_wait_for 10 hw_capture_has_sound 1
# The hour of the "to" picker, two hours back: the window now ends at 9 AM.
hw_click_control to_hour
hw_x xdotool key --delay 200 Down Down
hw_check "the new end is stored at once" hw_wait_for 5 hw_setting_is "Time To" "12/7/2026 9:00:00 AM"
hw_check "the sound stops at the next tick" hw_wait_for 5 hw_capture_still 1.5
hw_check "and stays off" hw_capture_still 2
rm -f "$HW_CAPTURE"
hw_x xdotool key --delay 200 Up Up Up
hw_check "moved to noon, the end is stored again" hw_wait_for 5 hw_setting_is "Time To" "12/7/2026 12:00:00 PM"
hw_check "and the sound comes back" hw_wait_for 8 hw_capture_has_sound 1

hw_done
