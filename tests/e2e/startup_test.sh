#!/usr/bin/env bash
# Starts from settings a user did not expect to have: a settings file cut
# short, full of garbage or with a byte-order mark, a stored style whose file
# has gone, saves that fail (a folder in the way, a full disk), a program
# folder whose name is not UTF-8, and a thousand sounds named so.
source "$(dirname "$0")/lib.sh"

hw_session

# ---------------------------------------------------------------------------
hw_begin "settings file cut short by a crash"
# A power cut can leave zeros after the last write.
python3 -c 'import sys; sys.stdout.buffer.write(b"[Hushwave]\nCombo1=5\nVolume=30\nOption=Infinite\nStartStopState=ON\n" + bytes(300))' \
    >"$(hw_settings_file)"
hw_start
hw_check "the main window is shown" hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "no error box" hw_no_error_box
hw_check "the sound left on resumes" hw_wait_for 10 hw_capture_has_sound 1
hw_check_eq "the stored style is kept" "5" "$(hw_setting Combo1)"
hw_check_eq "the stored volume is kept" "30" "$(hw_setting Volume)"
hw_check "the zeros are gone from the file" bash -c "! grep -q -P '\\x00' '$(hw_settings_file)'"

hw_log "a file of binary garbage"
hw_stop
rm -f "$HW_CAPTURE"
python3 -c 'import sys; sys.stdout.buffer.write(bytes(range(256)) * 8)' >"$(hw_settings_file)"
hw_start
# The user is told once that the settings were reset, and where the old
# file is kept.
hw_check "a box says the settings were reset" hw_wait_for 20 hw_error_box_shown
hw_check "the old file is kept as it was" cmp -s <(python3 -c 'import sys; sys.stdout.buffer.write(bytes(range(256)) * 8)') "$(hw_settings_file).bad"
hw_x xdotool windowactivate --sync "$(hw_error_box)" key Return 2>/dev/null
hw_check "the main window is shown" hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "no other error box" hw_no_error_box
hw_check "a new settings file is written" hw_wait_for 5 hw_setting_is Option Infinite
hw_check_eq "with the first style" "0" "$(hw_setting Combo1)"
hw_check "nothing plays" hw_holds_for 2 hw_capture_silent
hw_click_control turn
hw_check "\"Turn On\" is stored" hw_wait_for 5 hw_setting_is StartStopState ON
hw_check "and plays" hw_wait_for 10 hw_capture_has_sound 1

# ---------------------------------------------------------------------------
hw_begin "stored style that has gone"
# Eight sounds are listed; index 9 was stored when there were more.
hw_write_settings Combo1=9 Option=Infinite
hw_start
hw_check "the error report is shown" hw_wait_for 20 hw_error_box_shown
hw_find_window 10
hw_check "before the main window" hw_window_hidden
box="$(hw_error_box)"
hw_x xdotool windowactivate --sync "$box" key Return 2>/dev/null
hw_check "after OK the report goes away" hw_wait_for 5 hw_no_error_box
hw_check "and the main window is shown" hw_wait_for 10 hw_window_visible
hw_check "with its tray icon" hw_wait_for 10 hw_tray_icon_present
hw_check "the program keeps running" hw_holds_for 2 hw_running
hw_check "nothing plays" hw_capture_silent

# ---------------------------------------------------------------------------
hw_begin "stored pitch the slider refuses"
# Brown Noise, left on, with a pitch the hidden slider cannot hold: reported,
# then heard at normal speed (at 50 times it would sound like white noise).
hw_write_settings Combo1=5 Option=Infinite StartStopState=ON Pitch=abc
hw_start
hw_check "the error report is shown" hw_wait_for 20 hw_error_box_shown
hw_x xdotool windowactivate --sync "$(hw_error_box)" key Return 2>/dev/null
hw_check "after OK the main window is shown" hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "the sound left on resumes" hw_wait_for 10 hw_capture_has_sound 2
smooth="$(hw_audio smooth)"
hw_check "at normal speed: Brown Noise (step/rms $smooth)" hw_num_below "$smooth" 0.3
hw_check_eq "the stored text is left as it was" "abc" "$(hw_setting Pitch)"

# ---------------------------------------------------------------------------
# Logout sends SIGTERM, sometimes twice; the program must end as a close
# does, whatever it is waiting for.
hw_elapsed_since() { awk -v s="$1" -v n="$(date +%s.%N)" 'BEGIN {printf "%.2f", n - s}'; }

hw_begin "logout while an error box waits"
hw_write_settings Combo1=9 Option=Infinite StartStopState=ON
hw_start
hw_check "the error report is shown" hw_wait_for 20 hw_error_box_shown
t0="$(date +%s.%N)"
kill -TERM "$HW_PID"
sleep 0.05
kill -TERM "$HW_PID" 2>/dev/null
hw_check "the program ends" hw_wait_exit 5
took="$(hw_elapsed_since "$t0")"
hw_check "at once ($took s)" hw_num_below "$took" 1.5
hw_check_eq "with exit status 0" "0" "${HW_EXIT_STATUS:-}"
hw_check "without playing" hw_capture_silent

hw_begin "logout during the first minimise's balloon"
hw_start
hw_check "the main window is shown" hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "with its tray icon" hw_wait_for 10 hw_tray_icon_present
hw_minimize
hw_check "minimising hides it" hw_wait_for 5 hw_window_hidden
sleep 0.5
t0="$(date +%s.%N)"
kill -TERM "$HW_PID"
hw_check "the program ends" hw_wait_exit 10
took="$(hw_elapsed_since "$t0")"
hw_check "at once ($took s), not after the balloon" hw_num_below "$took" 1.5
hw_check_eq "with exit status 0" "0" "${HW_EXIT_STATUS:-}"

# ---------------------------------------------------------------------------
hw_begin "settings file with a byte-order mark"
# What some editors write: the values are the user's, not damage.
printf '\xef\xbb\xbf[Hushwave]\nVolume=80\nOption=Infinite\n' >"$(hw_settings_file)"
hw_start
hw_check "the main window is shown" hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "no error box" hw_no_error_box
hw_click_control turn
hw_check "\"Turn On\" is stored" hw_wait_for 5 hw_setting_is StartStopState ON
hw_check_eq "the volume is the user's" "80" "$(hw_setting Volume)"
hw_check "nothing is kept aside as damaged" test ! -e "$(hw_settings_file).bad"
hw_check "the file is written without the mark" grep -q '^\[Hushwave\]' "$(hw_settings_file)"

# ---------------------------------------------------------------------------
hw_begin "a settings file of a million keys"
# 50 MB: half the keys in the program's own section, half in another.
python3 - "$(hw_settings_file)" <<'PY'
import sys
with open(sys.argv[1], "w") as out:
    out.write("[Hushwave]\nVolume=30\nOption=Infinite\n")
    for part in ("Hushwave", "Elsewhere"):
        if part != "Hushwave":
            out.write(f"[{part}]\n")
        out.writelines(f"{part[0]}{i:07d}={'v' * 36}\n" for i in range(500000))
PY
keys_before="$(grep -c '=v' "$(hw_settings_file)")"
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
shown="$(awk -v a="$HW_START_REAL" -v b="$(date +%s.%N)" 'BEGIN {printf "%.2f", b - a}')"
hw_check "the window within 3 s ($shown s, $(hw_rss_mb) MB resident)" hw_num_below "$shown" 3
hw_check "no error box" hw_no_error_box
hw_check_eq "its volume is kept" 30 "$(hw_setting Volume)"
hw_click_control turn
hw_check "a save works" hw_wait_for 5 hw_setting_is StartStopState ON
hw_check_eq "every other key is kept" "$keys_before" "$(grep -c '=v' "$(hw_settings_file)")"
hw_check "the volume still" hw_setting_is Volume 30

# ---------------------------------------------------------------------------
# Saves that fail: one box a run, the window goes on, and a change made
# meanwhile is written with the next save that works.
hw_turn_clicks_show_no_box() {
    local i
    for i in 1 2; do
        hw_click_control turn
        hw_holds_for 2 hw_no_error_box || return 1
    done
}

hw_begin "a folder where the settings file should be"
mkdir -p "$(hw_settings_file)"
hw_start
hw_check "one box says why" hw_wait_for 20 hw_error_box_shown
hw_x xdotool windowactivate --sync "$(hw_error_box)" key Return 2>/dev/null
hw_check "then the main window is shown" hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "and no other box, also when more saves fail" hw_turn_clicks_show_no_box
hw_check "the folder is left as it was" test -d "$(hw_settings_file)"

if [ "$(id -u)" = 0 ]; then
    hw_begin "a full disk"
    mount -t tmpfs -o size=64k tmpfs "$HW_CONFIG"
    hw_start
    hw_check "the main window is shown" hw_find_window 30 && hw_wait_for 10 hw_window_visible
    hw_check "the settings are written" hw_wait_for 5 hw_setting_is Option Infinite
    dd if=/dev/zero of="$HW_CONFIG/filler" bs=4k 2>/dev/null
    hw_click_control turn
    hw_check "one box says so" hw_wait_for 10 hw_error_box_shown
    hw_x xdotool windowactivate --sync "$(hw_error_box)" key Return 2>/dev/null
    hw_check "the box goes" hw_wait_for 5 hw_no_error_box
    # Off and on again: both fail, neither opens a box.
    hw_check "no other box" hw_turn_clicks_show_no_box
    hw_check_eq "nothing could be written" "" "$(hw_setting StartStopState)"
    rm -f "$HW_CONFIG/filler"
    # A click on the chosen play option saves it again; that save works.
    hw_click_control option1
    hw_check "the next save that works writes the change too" \
        hw_wait_for 5 hw_setting_is StartStopState ON
    hw_stop
    rm -f "$HW_CAPTURE"
    hw_start
    hw_check "the next start finds the generator on" hw_find_window 30 && hw_wait_for 10 hw_window_visible
    hw_check "and plays" hw_wait_for 10 hw_capture_has_sound 0.5
    hw_stop
    umount "$HW_CONFIG"
else
    hw_log "skipped \"a full disk\": mounting a small disk needs root"
fi

# ---------------------------------------------------------------------------
hw_begin "a program folder whose name is not UTF-8"
# An old archive unpacked on a Latin-1 system: "café/" holding the program,
# and a sound named "Régen.mp3", both in Latin-1 bytes.
folder="$HW_ROOT/caf$(printf '\xe9')"
mkdir -p "$folder/sounds"
cp "$HW_BINARY" "$folder/"
cp "$(dirname "$HW_BINARY")/sounds/White Noise.mp3" "$folder/sounds/R$(printf '\xe9')gen.mp3"
HW_PROGRAM="$folder/$(basename "$HW_BINARY")"
hw_start
hw_check "the main window is shown" hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "no error box" hw_no_error_box
hw_click_control turn
hw_check "its sound plays" hw_wait_for 10 hw_capture_has_sound 1
hw_click_control check4
hw_check "asking to start at logon says it cannot" hw_wait_for 10 hw_error_box_shown
hw_x xdotool windowactivate --sync "$(hw_error_box)" key Return 2>/dev/null
hw_check "instead of a tick that starts nothing" hw_wait_for 5 hw_setting_is "Windows Startup" Off
hw_check "and no entry is written" test -z "$(ls -A "$HW_CONFIG/autostart" "$HW_CONFIG_DIRS/autostart" 2>/dev/null)"

hw_begin "1,100 sounds whose names are not UTF-8, and a limit of 1,024 open files"
# Such names are listed by their bytes and opened only when played: the
# usual limit of open files is not reached, however many there are.
folder="$HW_ROOT/latin1"
rm -rf "$folder"
mkdir -p "$folder/sounds"
cp "$HW_BINARY" "$folder/"
cp "$(dirname "$HW_BINARY")/sounds/White Noise.mp3" "$folder/sounds/R$(printf '\xe9')gen 1.mp3"
python3 - "$folder/sounds" <<'EOF'
import os, sys
first = os.path.join(sys.argv[1].encode(), b"R\xe9gen 1.mp3")
for i in range(2, 1101):
    os.link(first, os.path.join(sys.argv[1].encode(), b"R\xe9gen %d.mp3" % i))
EOF
HW_PROGRAM="$folder/$(basename "$HW_BINARY")"
HW_NOFILE=1024
hw_write_settings Option=Infinite
hw_start
hw_check "the main window is shown" hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "no error box" hw_no_error_box
hw_check_eq "under the limit" "1024" "$(awk '/Max open files/ {print $4}' "/proc/$HW_PID/limits" 2>/dev/null)"
hw_click_control turn
hw_check "one of them plays" hw_wait_for 10 hw_capture_has_sound 1
open_files="$(ls "/proc/$HW_PID/fd" 2>/dev/null | wc -l)"
hw_check "holding few files open ($open_files)" test "$open_files" -gt 0 -a "$open_files" -lt 100
t0="$(date +%s.%N)"
kill -TERM "$HW_PID"
hw_check "SIGTERM ends it" hw_wait_exit 5
took="$(hw_elapsed_since "$t0")"
hw_check "within 2 s ($took s)" hw_num_below "$took" 2
hw_check_eq "with exit status 0" "0" "${HW_EXIT_STATUS:-}"
rm -rf "$folder"

# ---------------------------------------------------------------------------
hw_begin "the command line"
# Runs the program in the foreground with the scenario's folders; prints its
# exit status, then what it wrote to stdout and stderr.
run_with() {
    local out="$HW_ROOT/cli.out" err="$HW_ROOT/cli.err" status
    env DBUS_SESSION_BUS_ADDRESS="$HW_NO_BUS" DISPLAY="$HW_DISPLAY" QT_QPA_PLATFORM=xcb HOME="$HW_HOME" \
        XDG_CONFIG_HOME="$HW_CONFIG" XDG_CONFIG_DIRS="$HW_CONFIG_DIRS" XDG_RUNTIME_DIR="$HW_RUNTIME" \
        SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$HW_CAPTURE" \
        timeout 10 "$HW_BINARY" "$@" >"$out" 2>"$err"
    status=$?
    echo "$status"
    cat "$out" "$err"
}
result="$(run_with --help)"
hw_check_eq "--help exits 0" 0 "$(head -n 1 <<<"$result")"
hw_check "and lists the options" grep -q -- '-v, --version' <<<"$result"
result="$(run_with --version)"
hw_check_eq "--version exits 0" 0 "$(head -n 1 <<<"$result")"
hw_check "and names the version" grep -qE '^hushwave [0-9]+\.[0-9]+\.[0-9]+$' <<<"$result"
result="$(run_with --no-such-option)"
hw_check_eq "an unknown option exits 2" 2 "$(head -n 1 <<<"$result")"
hw_check "with a clear message" grep -q "Unknown option 'no-such-option'" <<<"$result"
result="$(run_with extra)"
hw_check_eq "a stray argument exits 2" 2 "$(head -n 1 <<<"$result")"
hw_check "none of them wrote settings" test ! -e "$(hw_settings_file)"
hw_check "or opened the sound" test ! -e "$HW_CAPTURE"
hw_check "or showed a window" bash -c "! DISPLAY='$HW_DISPLAY' xdotool search --name '^Hushwave$' >/dev/null 2>&1"

hw_done
