#!/usr/bin/python3
"""Reads the program's window as a screen reader does, through AT-SPI, and
prints one line per problem found (nothing when all is well):

    atspi_check.py APP-NAME TIME-FROM-SECONDS TIME-TO-SECONDS

Every control showing has a name, no two controls of a role share one, each
has the role expected of it, the pickers read their times, and nothing
outside the window is showing.
"""
import sys
import time

import pyatspi

app_name, time_from, time_to = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])

# What the window offers, by role and name, in any order.
EXPECTED = {
    ("push button", "Turn On"),
    ("radio button", "Play white noise until 'Turn Off' is clicked"),
    ("radio button", "Play from"),
    ("spin button", "Play from"),
    ("spin button", "to"),
    # On Linux Qt names a drop-down list by its choice, as GTK does.
    ("combo box", "White Noise"),
    ("push button", "Preview Sound"),
    ("slider", "Volume"),
    ("check box", "Load this software on Windows startup"),
    ("check box", "Start in system tray"),
}
CONTROL_ROLES = {role for role, _ in EXPECTED}


def find_window(deadline):
    while time.time() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == app_name:
                for window in app:
                    if window is not None and window.name == "Hushwave" and window.getState().contains(pyatspi.STATE_SHOWING):
                        return window
        time.sleep(0.5)
    return None


def walk(node):
    """What a screen reader reaches: it does not go into what is not
    showing (Qt marks the items of a closed drop-down list as showing, in
    a list that is not)."""
    for child in node:
        if child is None or not child.getState().contains(pyatspi.STATE_SHOWING):
            continue
        yield child
        yield from walk(child)


def inside(inner, outer):
    return (inner.x >= outer.x and inner.y >= outer.y and
            inner.x + inner.width <= outer.x + outer.width and
            inner.y + inner.height <= outer.y + outer.height)


problems = []
window = find_window(time.time() + 20)
if window is None:
    print(f"no showing window 'Hushwave' of an application '{app_name}'")
    sys.exit(0)

frame = window.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
found = []
for node in walk(window):
    role = node.getRoleName()
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    if not inside(box, frame):
        problems.append(f"showing outside the window: {role} {node.name!r} at "
                        f"{box.x},{box.y} {box.width}x{box.height}")
    if role in CONTROL_ROLES:
        found.append((role, node.name, node))

pairs = [(role, name) for role, name, _ in found]
for role, name in pairs:
    if not name:
        problems.append(f"a {role} without a name")
for pair in sorted(set(pairs)):
    if pairs.count(pair) > 1:
        problems.append(f"{pairs.count(pair)} controls named {pair[1]!r} as {pair[0]}")
for pair in sorted(EXPECTED - set(pairs)):
    problems.append(f"missing: {pair[0]} {pair[1]!r}")
for pair in sorted(set(pairs) - EXPECTED):
    problems.append(f"unexpected: {pair[0]} {pair[1]!r}")

for name, seconds in (("Play from", time_from), ("to", time_to)):
    pickers = [node for role, n, node in found if role == "spin button" and n == name]
    if not pickers:
        continue
    value = pickers[0].queryValue()
    if int(value.currentValue) != seconds:
        problems.append(f"picker {name!r} reads {value.currentValue}, not {seconds}")
    if value.minimumValue != 0 or value.maximumValue != 86399:
        problems.append(f"picker {name!r} ranges {value.minimumValue}..{value.maximumValue}")
    text = pickers[0].queryText()
    shown = text.getText(0, text.characterCount)
    hours, rest = divmod(seconds, 3600)
    expected = f"{(hours % 12) or 12}:{rest // 60:02d}:{rest % 60:02d} {'PM' if hours >= 12 else 'AM'}"
    if shown != expected:
        problems.append(f"picker {name!r} shows {shown!r}, not {expected!r}")

for p in problems:
    print(p)
