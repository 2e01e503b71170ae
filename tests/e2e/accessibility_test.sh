#!/usr/bin/env bash
# The window as a screen reader finds it: the real AT-SPI registry of
# at-spi2-core on a private session bus, read with pyatspi.
source "$(dirname "$0")/lib.sh"

hw_session
hw_bus_start
ln -s /usr/share/dbus-1/services/org.a11y.Bus.service "$HW_BUS_SERVICES/"
hw_on_bus gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
    -m org.freedesktop.DBus.UpdateActivationEnvironment "{'DISPLAY': '$HW_DISPLAY'}" >/dev/null
# Qt speaks to AT-SPI only when a screen reader is on, or told to always.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

check_window() { # label
    local problems
    problems="$(hw_on_bus env DISPLAY="$HW_DISPLAY" /usr/bin/python3 \
        "$(dirname "$0")/support/atspi_check.py" Hushwave "$from" "$to" 2>&1)"
    hw_check_eq "$1" "" "$problems"
}

hw_begin "names, roles and values"
hw_write_settings Option=Timed "Time From=12/7/2026 10:00:00 PM" "Time To=12/7/2026 6:00:30 AM"
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
from=$((22 * 3600)) to=$((6 * 3600 + 30))
check_window "every control named once, in its role; the pickers read their times; nothing outside the window"
hw_close
hw_check "closes" hw_wait_exit 10

hw_done
