#!/usr/bin/env bash
# Start at logon as a user meets it: "Load this software on Windows startup"
# writes the autostart entry, the entry starts the program, unchecking takes
# it away; a machine-wide folder that cannot be written gives a per-user
# entry; a start with the box stored on writes nothing.
source "$(dirname "$0")/lib.sh"

hw_session

hw_entry_name="$(basename "$HW_BINARY").desktop"
hw_machine_entry() { echo "$HW_CONFIG_DIRS/autostart/$hw_entry_name"; }
hw_user_entry() { echo "$HW_CONFIG/autostart/$hw_entry_name"; }
hw_exists() { [ -e "$1" ]; }
hw_absent() { [ ! -e "$1" ]; }
hw_entry_key() { sed -n "s/^$2=//p" "$1" 2>/dev/null; }

hw_main_window_count_is() { [ "$(hw_main_windows | wc -l)" -eq "$1" ]; }

# As a session does at logon: GLib reads the entry and starts what it names.
hw_launch_entry() {
    env -u WAYLAND_DISPLAY -u XDG_DATA_HOME DBUS_SESSION_BUS_ADDRESS="$HW_NO_BUS" \
        DISPLAY="$HW_DISPLAY" QT_QPA_PLATFORM=xcb HOME="$HW_HOME" \
        XDG_CONFIG_HOME="$HW_CONFIG" XDG_CONFIG_DIRS="$HW_CONFIG_DIRS" \
        XDG_RUNTIME_DIR="$HW_RUNTIME" SDL_AUDIODRIVER=dummy \
        gio launch "$1" >>"$HW_LOG" 2>&1
}

# ---------------------------------------------------------------------------
hw_begin "check and uncheck"
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_click_control check4
hw_check "checking writes the machine-wide entry" hw_wait_for 5 hw_exists "$(hw_machine_entry)"
hw_check_eq "and stores the choice" "On" "$(hw_setting 'Windows Startup')"
hw_check "the entry is a valid desktop entry" desktop-file-validate "$(hw_machine_entry)"
hw_check_eq "it runs this program, quoted" "\"$HW_BINARY\"" "$(hw_entry_key "$(hw_machine_entry)" Exec)"
hw_check_eq "it is enabled" "true" "$(hw_entry_key "$(hw_machine_entry)" X-GNOME-Autostart-enabled)"
hw_check "no per-user entry besides" hw_absent "$(hw_user_entry)"
hw_check "one program runs so far" hw_main_window_count_is 1
hw_minimize
hw_check "ours is minimised into the tray" hw_wait_for 5 hw_window_hidden
hw_check "the entry launches" hw_launch_entry "$(hw_machine_entry)"
# One instance: the program it starts shows ours and leaves.
hw_check "and the program it starts brings ours back" hw_wait_for 10 hw_window_visible
hw_check "without a second window" hw_holds_for 3 hw_main_window_count_is 1
hw_check "leaving ours running" hw_window_visible
hw_click_control check4
hw_check "unchecking removes the entry" hw_wait_for 5 hw_absent "$(hw_machine_entry)"
hw_check_eq "and stores the choice" "Off" "$(hw_setting 'Windows Startup')"
hw_check "leaving no per-user entry" hw_absent "$(hw_user_entry)"

# ---------------------------------------------------------------------------
hw_begin "machine-wide folder refused"
# Under a regular file the folder cannot be made, even by root.
touch "$HW_CONFIG_DIRS/file"
HW_CONFIG_DIRS="$HW_CONFIG_DIRS/file/xdg"
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_click_control check4
hw_check "checking writes the per-user entry" hw_wait_for 5 hw_exists "$(hw_user_entry)"
hw_check_eq "which runs this program" "\"$HW_BINARY\"" "$(hw_entry_key "$(hw_user_entry)" Exec)"
hw_check_eq "the choice is stored" "On" "$(hw_setting 'Windows Startup')"
hw_click_control check4
hw_check "unchecking removes it" hw_wait_for 5 hw_absent "$(hw_user_entry)"

# ---------------------------------------------------------------------------
hw_begin "a program folder with a % in its path"
# The program finds its sounds beside itself, so the copy takes them along.
# (No = in the name: env, which starts it here, would take it for a variable.)
pct="$(dirname "$HW_CAPTURE")/100% quiet"
mkdir -p "$pct"
cp -r "$(dirname "$HW_BINARY")/sounds" "$HW_BINARY" "$pct/"
HW_PROGRAM="$pct/$(basename "$HW_BINARY")"
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_click_control check4
hw_check "checking writes the entry" hw_wait_for 5 hw_exists "$(hw_machine_entry)"
hw_check "the entry is a valid desktop entry" desktop-file-validate "$(hw_machine_entry)"
# A second start hands over to the running one: the program the entry names
# started if ours comes back out of the tray.
hw_minimize
hw_check "ours is minimised into the tray" hw_wait_for 5 hw_window_hidden
hw_check "the entry launches" hw_launch_entry "$(hw_machine_entry)"
hw_check "and starts the program it names, which brings ours back" \
    hw_wait_for 10 hw_window_visible
hw_click_control check4
hw_check "unchecking removes it" hw_wait_for 5 hw_absent "$(hw_machine_entry)"

# ---------------------------------------------------------------------------
hw_begin "stored on"
hw_write_settings "Windows Startup=On"
hw_start
hw_find_window 30 && hw_wait_for 10 hw_window_visible
hw_check "starting with the box on writes no entry" \
    hw_holds_for 2 eval '[ ! -e "$(hw_machine_entry)" ] && [ ! -e "$(hw_user_entry)" ]'
hw_check_eq "nor the setting" "On" "$(hw_setting 'Windows Startup')"
hw_click_control check4
hw_check "a click then unchecks it" hw_wait_for 5 hw_setting_is 'Windows Startup' Off

hw_done
