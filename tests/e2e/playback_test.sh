#!/usr/bin/env bash
# The sound as a user hears it: first start, on and off, a restart that
# resumes, previews with the generator off and on, the choice of style, the volume,
# an output that can be had only later.
source "$(dirname "$0")/lib.sh"

hw_session

# Checks on the captured audio of the last run: sound began with a fade, not
# a click, and at a level that is heard.
check_clean_start() {
    local stats head jump rms
    stats="$(hw_audio_stats)"
    head="$(sed -n 's/^head=//p' <<<"$stats")"
    jump="$(sed -n 's/^jump=//p' <<<"$stats")"
    rms="$(sed -n 's/^rms=//p' <<<"$stats")"
    hw_check "the first millisecond ramps up (peak ratio $head)" hw_num_below "$head" 0.5
    hw_check "no step from silence larger than the noise's own (ratio $jump)" hw_num_below "$jump" 2.5
    hw_check "the sound is audible at volume 50 (rms $rms)" hw_num_between "$rms" 0.001 0.5
    check_no_gaps
}

check_no_gaps() {
    hw_check_eq "no silent gap while it plays" 0 "$(hw_audio gaps)"
}

# The captured style: white noise is rough, brown noise smooth.
check_style() { # white|brown
    local smooth
    smooth="$(hw_audio smooth)"
    if [ "$1" = white ]; then
        hw_check "the capture holds White Noise (step/rms $smooth)" hw_num_between "$smooth" 0.7 2.0
    else
        hw_check "the capture holds Brown Noise (step/rms $smooth)" hw_num_below "$smooth" 0.3
    fi
}

check_clean_stop() {
    local tail
    tail="$(hw_audio tail)"
    hw_check "the sound fades out at the stop (last ms peak ratio $tail)" hw_num_below "$tail" 0.5
}

# ---------------------------------------------------------------------------
hw_begin "first start"
hw_start --faketime "2026-12-07 10:15:30"
hw_check "the main window appears" hw_find_window 30 &&
    hw_check "the main window is shown" hw_wait_for 10 hw_window_visible
read -r x y < <(hw_origin)
hw_check "the window is centred (client at $x,$y)" hw_num_between "$x" 230 260
hw_check "the tray icon is shown" hw_wait_for 10 hw_tray_icon_present
hw_check "the play option is stored as Infinite" hw_wait_for 10 hw_setting_is Option Infinite
hw_check_eq "the first style is stored" "0" "$(hw_setting Combo1)"
from="$(hw_setting "Time From")"
to="$(hw_setting "Time To")"
hw_check "the start of the play window is the time of the load ($from)" \
    grep -Eq '^12/7/2026 10:15:3[0-9] AM$' <<<"$from"
hw_check_eq "the end of the play window is the same time" "$from" "$to"
hw_check "no generator state is stored before a click" bash -c "! grep -q StartStopState '$(hw_settings_file)'"
hw_check "the folder for the user's own sounds is made" test -d "$HW_HOME/.local/share/hushwave/sounds"
hw_check "loading writes no logon entry" bash -c "! ls '$HW_CONFIG/autostart' '$HW_CONFIG_DIRS/autostart' 2>/dev/null | grep -q desktop"
sleep 2
hw_check "nothing plays at a first start" hw_capture_silent
cpu="$(hw_cpu_per_second 3)"
hw_check "idle, the program costs almost nothing (${cpu} CPU s/s, $(hw_rss_mb) MB)" hw_num_below "$cpu" 0.02

# ---------------------------------------------------------------------------
hw_begin "on and off"
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
clicked="$(date +%s.%N)"
hw_click_control turn
hw_check "\"Turn On\" stores ON" hw_wait_for 5 hw_setting_is StartStopState ON
hw_wait_for 10 test -s "$HW_CAPTURE"
delay="$(awk -v a="$clicked" -v b="$(date +%s.%N)" 'BEGIN {printf "%.2f", b - a}')"
hw_check "the sound starts about a second after the click (${delay}s)" hw_num_between "$delay" 0.6 5
hw_check "the capture holds the sound" hw_wait_for 10 hw_capture_has_sound 1.5
hw_check "the sound keeps playing" hw_capture_growing 1
cpu="$(hw_cpu_per_second 4)"
hw_check "playing costs little (${cpu} CPU s/s, $(hw_rss_mb) MB)" hw_num_below "$cpu" 0.05
check_clean_start
check_style white
hw_click_control turn
hw_check "\"Turn Off\" stores OFF" hw_wait_for 5 hw_setting_is StartStopState OFF
hw_check "the capture stops growing after \"Turn Off\"" hw_wait_for 5 hw_capture_still 1
check_clean_stop
hw_check "nothing starts again after \"Turn Off\"" hw_capture_still 2.5

hw_log "on and off again before the sound begins"
rm -f "$HW_CAPTURE"
hw_click_control turn
hw_click_control turn
hw_check "the quick \"Turn Off\" is stored" hw_wait_for 5 hw_setting_is StartStopState OFF
hw_check "and nothing plays" hw_holds_for 3 hw_capture_silent

hw_log "restart after \"Turn Off\""
hw_stop
rm -f "$HW_CAPTURE"
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
sleep 3
hw_check "after a restart with OFF stored nothing plays" hw_capture_silent
hw_check_eq "the stored state stays OFF" "OFF" "$(hw_setting StartStopState)"

# ---------------------------------------------------------------------------
hw_begin "restart that resumes"
hw_write_settings Combo1=5 Option=Infinite StartStopState=ON # Brown Noise
hw_start
hw_check "the main window appears" hw_find_window 30
hw_check "the sound starts without a click" hw_wait_for 12 hw_capture_has_sound 1.5
hw_check "the sound keeps playing" hw_capture_growing 1
check_clean_start
check_style brown
hw_check_eq "the stored state stays ON" "ON" "$(hw_setting StartStopState)"
hw_check_eq "the stored style is kept" "5" "$(hw_setting Combo1)"
hw_click_control turn
hw_check "\"Turn Off\" after a resumed start stores OFF" hw_wait_for 5 hw_setting_is StartStopState OFF
hw_check "and the sound stops" hw_wait_for 5 hw_capture_still 1

hw_log "the stored state in another case"
hw_stop
rm -f "$HW_CAPTURE"
hw_write_settings Combo1=0 Option=Infinite StartStopState=On
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "\"On\" is not \"ON\": nothing plays" hw_holds_for 3 hw_capture_silent

# ---------------------------------------------------------------------------
hw_begin "preview while off"
hw_add_short_sound "Short" 3 # listed as entry 1, after "White Noise"
hw_write_settings Combo1=1
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_snap_control preview "$HW_ROOT/preview-idle.png"
hw_click_control preview
hw_check "the preview starts at once" hw_wait_for 4 hw_capture_has_sound 0.5
hw_snap_control preview "$HW_ROOT/preview-playing.png"
hw_check "the preview ends by itself" hw_wait_for 10 hw_capture_still 1.5
sound="$(hw_audio sound)"
hw_check "the short file played once (${sound}s of sound)" hw_num_between "$sound" 2 4
check_clean_start
hw_check "nothing plays after the preview while the generator is off" hw_capture_still 2.5
hw_snap_control preview "$HW_ROOT/preview-after.png"
d_idle="$(hw_picture_diff "$HW_ROOT/preview-after.png" "$HW_ROOT/preview-idle.png")"
d_play="$(hw_picture_diff "$HW_ROOT/preview-after.png" "$HW_ROOT/preview-playing.png")"
d_caption="$(hw_picture_diff "$HW_ROOT/preview-idle.png" "$HW_ROOT/preview-playing.png")"
hw_check "the button changes while the preview plays ($d_caption pixels)" hw_num_between "$d_caption" 50 1000000
hw_check "the button reads as before once it ended (diff $d_idle vs $d_play)" hw_num_below "$d_idle" "$d_play"
hw_check "a preview stores no generator state" bash -c "! grep -q StartStopState '$(hw_settings_file)'"

hw_log "a preview of a style whose file went away"
rm -f "$(dirname "$HW_PROGRAM")/sounds/Short.mp3" "$HW_CAPTURE"
hw_click_control preview
hw_check "no sound" hw_holds_for 2 hw_capture_silent
hw_check "no message" hw_no_popup
hw_snap_control preview "$HW_ROOT/preview-refused.png"
d_idle="$(hw_picture_diff "$HW_ROOT/preview-refused.png" "$HW_ROOT/preview-idle.png")"
hw_check "the button reads \"Preview Sound\" again (diff $d_idle)" hw_num_below "$d_idle" 50
hw_click_control turn
hw_check "\"Turn On\" with that style stays silent too" hw_holds_for 3 hw_capture_silent
hw_check "without a message" hw_no_popup
hw_click_control turn

hw_log "a long preview stopped with its button"
rm -f "$HW_CAPTURE"
hw_write_settings Combo1=0
hw_stop
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_click_control preview
hw_check "the preview starts at once" hw_wait_for 4 hw_capture_has_sound 0.5
hw_click_control preview
hw_check "\"Stop\" ends the preview" hw_wait_for 5 hw_capture_still 1
check_clean_stop
hw_check "nothing plays after \"Stop\"" hw_capture_still 2.5
hw_snap_control preview "$HW_ROOT/preview-stopped.png"
d_idle="$(hw_picture_diff "$HW_ROOT/preview-stopped.png" "$HW_ROOT/preview-idle.png")"
d_play="$(hw_picture_diff "$HW_ROOT/preview-stopped.png" "$HW_ROOT/preview-playing.png")"
hw_check "the button reads as before after \"Stop\" (diff $d_idle vs $d_play)" hw_num_below "$d_idle" "$d_play"

# ---------------------------------------------------------------------------
hw_begin "preview while on"
hw_add_short_sound "Short" 3
hw_write_settings Combo1=0 Option=Infinite StartStopState=ON
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "the generator plays" hw_wait_for 12 hw_capture_has_sound 1
# A new file reopens the device, which starts a new capture.
bytes="$(hw_capture_bytes)"
hw_click_control preview
hw_check "the preview replaces the noise" hw_wait_for 5 bash -c "[ \$(stat -c %s '$HW_CAPTURE') -lt $bytes ]"
hw_check "the preview plays" hw_wait_for 5 hw_capture_has_sound 0.5
hw_click_control preview
hw_check "after \"Stop\" the generator plays again" hw_wait_for 8 hw_capture_has_sound 2
hw_check "and keeps playing" hw_capture_growing 1.5
hw_check_eq "the stored state stays ON" "ON" "$(hw_setting StartStopState)"

hw_log "a short preview ending by itself while on"
# Select "Short" (entry 1) in the list with the keyboard, then preview it.
hw_click_control combo
hw_x xdotool key --delay 150 Down Return
hw_check "the choice of style is stored" hw_wait_for 5 hw_setting_is Combo1 1
bytes="$(hw_capture_bytes)"
hw_click_control preview
hw_check "the short preview replaces the noise" hw_wait_for 5 bash -c "[ \$(stat -c %s '$HW_CAPTURE') -lt $bytes ]"
# 3 s of preview, then the generator takes the style over, looping: more
# than two lengths of the file in one capture.
hw_check "after the preview ended the generator loops the style" hw_wait_for 25 hw_capture_has_sound 7
check_no_gaps
hw_check "and keeps playing" hw_capture_growing 1.5
hw_check_eq "the stored state stays ON" "ON" "$(hw_setting StartStopState)"

hw_log "\"Turn Off\" during a preview"
hw_snap_control preview "$HW_ROOT/preview-idle-on.png"
bytes="$(hw_capture_bytes)"
hw_click_control preview
hw_check "the preview replaces the noise" hw_wait_for 5 bash -c "[ \$(stat -c %s '$HW_CAPTURE') -lt $bytes ]"
hw_click_control turn
hw_check "\"Turn Off\" stores OFF" hw_wait_for 5 hw_setting_is StartStopState OFF
hw_check "the sound stops" hw_wait_for 5 hw_capture_still 1
hw_check "and nothing starts again" hw_capture_still 5
hw_snap_control preview "$HW_ROOT/preview-after-off.png"
d_idle="$(hw_picture_diff "$HW_ROOT/preview-after-off.png" "$HW_ROOT/preview-idle-on.png")"
hw_check "the preview button reads \"Preview Sound\" again (diff $d_idle)" hw_num_below "$d_idle" 50

# ---------------------------------------------------------------------------
hw_begin "a style of the user's own"
own="$HW_HOME/.local/share/hushwave/sounds"
mkdir -p "$own"
# 3 s of Brown Noise: no style of the program is that short.
head -c 60000 "$(dirname "$HW_BINARY")/sounds/Brown Noise.mp3" >"$own/Mine.mp3"
hw_write_settings Combo1=8 # after the program's six styles and two mixes
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_click_control preview
hw_check "its preview starts at once" hw_wait_for 4 hw_capture_has_sound 0.5
hw_check "and ends by itself" hw_wait_for 10 hw_capture_still 1.5
sound="$(hw_audio sound)"
hw_check "the user's short file played once (${sound}s of sound)" hw_num_between "$sound" 2 4
check_style brown
rm -f "$HW_CAPTURE"
hw_click_control turn
hw_check "\"Turn On\" loops it" hw_wait_for 20 hw_capture_has_sound 7
check_no_gaps
hw_check_eq "the choice is kept" "8" "$(hw_setting Combo1)"

# ---------------------------------------------------------------------------
hw_begin "another style chosen while on"
hw_write_settings Combo1=0 Option=Infinite StartStopState=ON
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "White Noise plays" hw_wait_for 12 hw_capture_has_sound 1.5
# Brown Noise is the last style, before the two mixes that end the list.
hw_click_control combo
hw_x xdotool key --delay 150 End Up Up Return
hw_check "the choice is stored at once" hw_wait_for 5 hw_setting_is Combo1 5
hw_check "the sound goes on meanwhile" hw_capture_growing 1
check_no_gaps
hw_click_control turn
hw_check "\"Turn Off\" stops it" hw_wait_for 5 hw_capture_still 1
rm -f "$HW_CAPTURE"
hw_click_control turn
hw_check "\"Turn On\" plays again" hw_wait_for 10 hw_capture_has_sound 1.5
check_style brown

# ---------------------------------------------------------------------------
hw_begin "volume heard at once"
hw_write_settings Combo1=0 Option=Infinite StartStopState=ON
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "the sound plays" hw_wait_for 12 hw_capture_has_sound 1.5
rms50="$(hw_capture_rms_last 0.5)"
# Focus the slider on its handle, then the keys a user would press.
hw_click_control volume
hw_x xdotool key End
hw_check "the loudest volume is stored" hw_wait_for 5 hw_setting_is Volume 100
sleep 1
rms100="$(hw_capture_rms_last 0.5)"
hw_check "the sound gets louder at once (rms $rms50 -> $rms100)" \
    hw_num_below "$(awk -v a="$rms50" 'BEGIN {print a * 3}')" "$rms100"
hw_x xdotool key Home
hw_check "the quietest volume is stored" hw_wait_for 5 hw_setting_is Volume 1
sleep 1
rms1="$(hw_capture_rms_last 0.5)"
hw_check "at volume 1 the sound is quiet ($rms1)" \
    hw_num_below "$rms1" "$(awk -v a="$rms50" 'BEGIN {print a / 3}')"
hw_check "but still heard" hw_num_below 0.00001 "$rms1"
hw_check_eq "no silent gap through the changes" 0 "$(hw_audio gaps)"
hw_check "the sound keeps playing" hw_capture_growing 1
hw_stop
rm -f "$HW_CAPTURE"
hw_start
hw_find_window 30
hw_check "after a restart the sound resumes" hw_wait_for 12 hw_capture_has_sound 1
again="$(hw_capture_rms_last 0.5)"
hw_check "at the stored volume ($again, was $rms1)" \
    hw_num_between "$again" "$(awk -v a="$rms1" 'BEGIN {print a / 2}')" "$(awk -v a="$rms1" 'BEGIN {print a * 2}')"

# ---------------------------------------------------------------------------
hw_begin "no output at first, then one"
# SDL's disk output cannot open its file until the folder is there.
HW_CAPTURE="$(dirname "$HW_CAPTURE")/later/capture.raw"
hw_write_settings Combo1=0 Option=Infinite StartStopState=ON
hw_start
hw_find_window 30
hw_check "a missing output is said on the log" \
    hw_wait_for 10 grep -q 'No sound output can be opened' "$HW_LOG"
mkdir "$(dirname "$HW_CAPTURE")"
hw_check "the sound starts once the output can be had" hw_wait_for 12 hw_capture_has_sound 1
hw_check "its return is a routine note, not said by default" \
    bash -c "! grep -q 'available again' '$HW_LOG'"
hw_stop
rm -r "$(dirname "$HW_CAPTURE")"
QT_LOGGING_RULES="hushwave.audio.info=true" hw_start
hw_find_window 30
hw_wait_for 10 grep -q 'No sound output can be opened' "$HW_LOG"
mkdir "$(dirname "$HW_CAPTURE")"
hw_check "and said when the audio notes are asked for" \
    hw_wait_for 12 grep -q 'hushwave.audio: Sound output is available again' "$HW_LOG"

hw_done
