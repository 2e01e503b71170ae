#!/usr/bin/env bash
# The window as a screen reader finds it: the real AT-SPI registry of
# at-spi2-core on a private session bus, read with pyatspi; in every shipped
# language, and as a dark desktop wants it.
source "$(dirname "$0")/lib.sh"

hw_session
hw_bus_start
ln -s /usr/share/dbus-1/services/org.a11y.Bus.service "$HW_BUS_SERVICES/"
hw_on_bus gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
    -m org.freedesktop.DBus.UpdateActivationEnvironment "{'DISPLAY': '$HW_DISPLAY'}" >/dev/null
# Qt speaks to AT-SPI only when a screen reader is on, or told to always.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

atspi_check() {
    hw_on_bus env DISPLAY="$HW_DISPLAY" /usr/bin/python3 \
        "$(dirname "$0")/support/atspi_check.py" Hushwave "$@" 2>&1
}

check_window() { # label
    hw_check_eq "$1" "" "$(atspi_check "$from" "$to")"
}

# Mean brightness of the window (0 black .. 1 white), or of a part of it: WxH+X+Y.
brightness() { # [area]
    local shot="$HW_ROOT/window.png"
    hw_x import -window "$HW_WIN" "$shot" 2>/dev/null || return 1
    convert "$shot" ${1:+-crop "$1"} -colorspace Gray -format '%[fx:mean]' info:
}
translated() { # ts-file source-text
    /usr/bin/python3 - "$1" "$2" <<'EOF'
import sys
from xml.etree import ElementTree as ET
for message in ET.parse(sys.argv[1]).getroot().iter("message"):
    if message.findtext("source") == sys.argv[2]:
        print(message.findtext("translation"))
EOF
}

window_dark() { window_brightness_between 0 0.35; }
window_light() { window_brightness_between 0.8 1; }
window_brightness_between() { # low high
    local mean
    mean="$(brightness)" || return 1
    hw_log "window brightness $mean"
    hw_num_between "$mean" "$1" "$2"
}
# The radio buttons' indicators, checked (the first) against unchecked, as
# the root-mean-square difference of their pixels (0 alike .. 1 opposite).
radios_differ() {
    local shot="$HW_ROOT/window.png" difference
    hw_x import -window "$HW_WIN" "$shot" 2>/dev/null || return 1
    convert "$shot" -crop 14x14+21+61 +repage "$HW_ROOT/checked.png" &&
        convert "$shot" -crop 14x14+21+88 +repage "$HW_ROOT/unchecked.png" || return 1
    difference="$(compare -metric RMSE "$HW_ROOT/checked.png" "$HW_ROOT/unchecked.png" null: 2>&1 |
        sed -n 's/.*(\(.*\)).*/\1/p')"
    hw_log "indicators differ by $difference"
    ! hw_num_below "$difference" 0.12
}

hw_begin "names, roles and values"
hw_write_settings Option=Timed "Time From=12/7/2026 10:00:00 PM" "Time To=12/7/2026 6:00:30 AM"
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
from=$((22 * 3600)) to=$((6 * 3600 + 30))
check_window "every control named once, in its role; the pickers read their times; nothing outside the window"
hw_check_eq "read in English, every text within its control" "" "$(atspi_check --language -)"
hw_close
hw_check "closes" hw_wait_exit 10

# Every language the program ships, as a desktop set to it asks for it.
source_dir="${HUSHWAVE_SOURCE_DIR:-$(dirname "$0")/../..}"
saved_locale=("${LANG-}" "${LANGUAGE-}")
unset LC_ALL LC_MESSAGES
languages=0
for qm in "$(dirname "$HW_BINARY")"/translations/hushwave_*.qm; do
    [ -f "$qm" ] || continue
    language="${qm##*/hushwave_}" language="${language%.qm}"
    case "$language" in
    *_*) locale="$language" ;;
    ja) locale=ja_JP ;;
    *) locale="${language}_${language^^}" ;;
    esac
    ts="$source_dir/resources/translations/hushwave_$language.ts"
    turn_on="$(translated "$ts" "Turn On")" turn_off="$(translated "$ts" "Turn Off")"
    languages=$((languages + 1))
    hw_begin "in $language ($locale)"
    export LANGUAGE="$language" LANG="$locale.UTF-8"
    hw_start
    hw_find_window 30 && hw_wait_for 10 hw_window_visible
    hw_check_eq "read in $language, every text within its control" "" "$(atspi_check --language "$ts")"
    hw_check_eq "pressing '$turn_on' turns it on" "" "$(atspi_check --press "$turn_on" "$turn_off" 1)"
    hw_check "the generator is stored on" hw_wait_for 5 hw_setting_is StartStopState ON
    hw_check_eq "pressing '$turn_off' turns it off" "" "$(atspi_check --press "$turn_off" "$turn_on" 0)"
    hw_check "the generator is stored off" hw_wait_for 5 hw_setting_is StartStopState OFF
    hw_close
    hw_check "closes" hw_wait_exit 10
done
LANG="${saved_locale[0]}" LANGUAGE="${saved_locale[1]}"
[ -n "$LANGUAGE" ] || unset LANGUAGE
hw_check "eight languages or more are shipped" [ "$languages" -ge 8 ]

# The desktop's colour scheme through the portal: a stand-in, as no package
# gives a portal back end that answers color-scheme headless.
hw_begin "a desktop that prefers dark"
hw_standins appearance-dark
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "the window is dark" hw_wait_for 10 window_dark
hw_check "a checked radio button differs from an unchecked one" radios_differ
hw_close
hw_check "closes" hw_wait_exit 10
hw_standins_stop

hw_begin "a desktop that prefers light, then turns dark"
hw_standins appearance-light
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "the window stays white" hw_holds_for 2 window_light
hw_check "a checked radio button differs from an unchecked one" radios_differ
for pid in $HW_STANDIN_PIDS; do kill -USR1 "$pid"; done
hw_check "the window follows the desktop into dark" hw_wait_for 10 window_dark
hw_close
hw_check "closes" hw_wait_exit 10
hw_standins_stop

hw_begin "an older portal, which answers Read alone"
hw_standins appearance-dark-read-only
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "the window is dark" hw_wait_for 10 window_dark
hw_close
hw_check "closes" hw_wait_exit 10
hw_standins_stop

hw_done
