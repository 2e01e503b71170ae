#!/usr/bin/python3
"""Reads the program's window as a screen reader does, through AT-SPI, and
prints one line per problem found (nothing when all is well):

    atspi_check.py APP-NAME TIME-FROM-SECONDS TIME-TO-SECONDS
    atspi_check.py APP-NAME --language TS-FILE
    atspi_check.py APP-NAME --press NAME NAME-AFTER CHECKED-AFTER(0|1)

Every control showing has a name, no two controls of a role share one, each
has the role expected of it, the pickers read their times, and nothing
outside the window is showing.

With --language the window is read in the language of the translation file:
its push buttons are named in it, and no control's text is wider than the
control (measured with the window's fonts, Arial 9 pt bold and 11.25 pt on
the push buttons, as fontconfig gives them). With --press the push button
is pressed through its action, as a screen reader presses it, and must then
read the new name and checked state.
"""
import sys
import time

import pyatspi

app_name = sys.argv[1]

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


def check_design(time_from, time_to):
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


def translations(ts_file):
    """Source text -> translation, from a Qt Linguist file."""
    import xml.etree.ElementTree as ET
    texts = {}
    for message in ET.parse(ts_file).getroot().iter("message"):
        source, translation = message.find("source"), message.find("translation")
        if source is not None and translation is not None and translation.text:
            texts[source.text] = translation.text
    return texts


def fonts(pixels):
    """Measures a text as Qt draws it here: Arial is Liberation Sans; what
    it lacks (Japanese) comes from the font fontconfig gives the language."""
    import subprocess
    from PIL import ImageFont

    def font_file(pattern):
        return subprocess.run(["fc-match", "-f", "%{file}", pattern], capture_output=True,
                              text=True, check=True).stdout
    latin = ImageFont.truetype(font_file("Arial:bold"), pixels)
    japanese = ImageFont.truetype(font_file(":lang=ja"), pixels)

    def width(text):
        total = 0.0
        for ch in text:
            if ord(ch) >= 0x2E80:
                total += japanese.getlength(ch)
            else:
                total += latin.getlength(ch)
        return total
    return width


# Room a control's text does not get: the indicator and its spacing, the
# frame's title inset (Fusion's metrics). A radio button or check box reads
# as its indicator and text, as Qt lays them out, cut at the control's edge:
# a text cut there reads shorter than it measures.
INSETS = {"radio button": 23, "check box": 23, "panel": 16, "label": 0, "push button": 12}
# How far the measure here may stray from Qt's.
TOLERANCE = 2


def check_language(ts_file):
    """ts_file "-" reads the window in English, the texts as they are."""
    texts = translations(ts_file) if ts_file != "-" else {}
    window = find_window(time.time() + 20)
    if window is None:
        print(f"no showing window 'Hushwave' of an application '{app_name}'")
        return
    small, large = fonts(12), fonts(15)
    buttons = set()
    for node in walk(window):
        role = node.getRoleName()
        if role == "push button":
            buttons.add(node.name)
        if role not in INSETS or not node.name:
            continue
        width = (large if role == "push button" else small)(node.name) + INSETS[role]
        box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        if width > box.width + TOLERANCE:
            print(f"{role} {node.name!r} needs {width:.0f} px, has {box.width}")
    wanted = {texts.get(text, text) if ts_file == "-" else texts.get(text)
              for text in ("Turn On", "Preview Sound")}
    if buttons != wanted:
        print(f"push buttons read {sorted(buttons)}, not {sorted(wanted)}")


def check_press(name, name_after, checked_after):
    window = find_window(time.time() + 20)
    if window is None:
        print(f"no showing window 'Hushwave' of an application '{app_name}'")
        return
    buttons = [n for n in walk(window) if n.getRoleName() == "push button" and n.name == name]
    if not buttons:
        print(f"no push button {name!r}")
        return
    button = buttons[0]
    action = button.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    if "Press" not in names:
        print(f"push button {name!r} offers {names}, not Press")
        return
    action.doAction(names.index("Press"))
    deadline = time.time() + 5
    while True:
        button.clearCache()
        now_name = button.name
        now_checked = button.getState().contains(pyatspi.STATE_CHECKED)
        if (now_name, now_checked) == (name_after, checked_after) or time.time() > deadline:
            break
        time.sleep(0.2)
    if now_name != name_after:
        print(f"after the press the button reads {now_name!r}, not {name_after!r}")
    if now_checked != checked_after:
        print(f"after the press the button is {'' if now_checked else 'not '}checked")


if sys.argv[2] == "--language":
    check_language(sys.argv[3])
elif sys.argv[2] == "--press":
    check_press(sys.argv[3], sys.argv[4], sys.argv[5] == "1")
else:
    check_design(int(sys.argv[2]), int(sys.argv[3]))
