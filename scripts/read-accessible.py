#!/usr/bin/python3
"""What a screen reader reads of veskat's windows: the AT-SPI tree of the main
window, the two editors and the connection dialog, one line per object (role,
name, description, value or text). Run by scripts/read-accessible under its own
X server and session bus; the windows are opened with the program's own keys."""
import subprocess
import sys
import time

import pyatspi

SKIPPED_ROLES = {"filler", "panel", "scroll pane", "viewport", "unknown", "redundant object"}


def app_named(name):
    for _ in range(50):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name:
                return app
        time.sleep(0.2)
    names = [a.name for a in pyatspi.Registry.getDesktop(0) if a is not None]
    sys.exit("no accessible application named %s among %r" % (name, names))


def value_of(node):
    try:
        return str(node.queryValue().currentValue)
    except NotImplementedError:
        pass
    try:
        text = node.queryText()
        return text.getText(0, min(text.characterCount, 60))
    except NotImplementedError:
        return ""


def dump(node, depth=0, rows=0):
    role = node.getRoleName()
    if role in ("table cell", "tree item") and rows >= 8:
        return rows  # the first rows say enough
    if role not in SKIPPED_ROLES:
        parts = [role, repr(node.name)]
        if node.description:
            parts.append("description=" + repr(node.description))
        value = value_of(node)
        if value and value != node.name:
            parts.append("value=" + repr(value))
        print("  " * depth + " ".join(parts))
        depth += 1
    if role in ("table cell", "tree item"):
        rows += 1
    if role == "combo box":
        return rows  # its list holds every value; the name says enough
    for child in node:
        if child is not None:
            rows = dump(child, depth, rows)
    return rows


def window_named(app, title):
    for _ in range(50):
        for window in app:
            if window is not None and window.name == title:
                return window
        time.sleep(0.2)
    sys.exit("no window " + title)


def focus_main():
    # No window manager gives the focus back when a dialog closes.
    subprocess.run(["xdotool", "search", "--name", "案件一覧", "windowfocus"], check=False)
    time.sleep(0.3)


def keys(*sequence):
    for key in sequence:
        subprocess.run(["xdotool", "key", "--clearmodifiers", key], check=True)
        time.sleep(0.6)


def show(app, title, opening, closing):
    focus_main()
    keys(*opening)
    print("==", title)
    dump(window_named(app, title))
    keys(*closing)


def main():
    app = app_named("veskat")
    show(app, "個別案件一覧", [], [])
    show(app, "個別案件", ["ctrl+n"], ["Escape"])
    show(app, "接続設定", ["alt+s", "c"], ["Escape"])
    # The repeating editor: the list's radio pressed through its own action.
    radio = pyatspi.findDescendant(window_named(app, "個別案件一覧"),
                                   lambda node: node.name == "反復案件")
    radio.queryAction().doAction(0)
    show(app, "反復案件", ["ctrl+n"], ["Escape"])


main()
