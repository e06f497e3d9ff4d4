#!/usr/bin/python3
"""Reads the running calculator through AT-SPI, as a screen reader does, and prints what it
found: the six display lines, the events of one calculation typed on the keyboard, the effect
of pressing every zone through its action, and the controls of the Functions window.
What the displays must show is what quorva-keys shows for the same keys.
Exits 1 at the first thing that is not as it should be."""

import argparse
import os
import shlex
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

LINES = ["entry line"] + [f"stack level {n}" for n in range(1, 6)]
ZONES = ["Always on top", "Angle mode", "Decimal places", "Large stack",
         "Functions and Settings", "Hide"]
FUNCTIONS_TITLE = "Quorva 4.00 - Functions and Settings"
LARGE_TITLE = "Quorva 3 - Large Stack"


def say(text):
    print(text, flush=True)


def fail(text):
    say(f"FAIL: {text}")
    sys.exit(1)


def pump(seconds, until=lambda: False):
    """Delivers AT-SPI events until `until` holds or the time is up; returns `until()`."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while True:
        while context.pending():
            context.iteration(False)
        if until():
            return True
        if time.monotonic() >= end:
            return False
        time.sleep(0.02)


def text_of(acc):
    return acc.queryText().getText(0, -1)


def has(acc, state):
    return acc.getState().contains(state)


def shown(acc):
    return has(acc, pyatspi.STATE_SHOWING)


def named(parent, name, role=None):
    for child in parent:
        if child is not None and child.name == name and (role is None or child.getRole() == role):
            return child
    return None


def descendants(acc, role):
    found = []
    for child in acc:
        if child is None:
            continue
        if child.getRole() == role:
            found.append(child)
        found.extend(descendants(child, role))
    return found


def expected_displays(keys_tool, keys):
    """The six lines as quorva-keys shows them after keys, by accessible name."""
    out = subprocess.run([keys_tool, *keys], capture_output=True, text=True, check=True,
                         timeout=20).stdout.splitlines()
    entry = next(line for line in out if line.startswith("entry:")).partition(":")[2]
    first = out.index("stack:") + 1
    rows = [line[1:] for line in out[first:first + 5]]  # level 5 first
    shown_lines = {"entry line": entry.strip()}
    for k, row in enumerate(rows):
        shown_lines[f"stack level {5 - k}"] = row.strip()
    at = next(i for i, line in enumerate(out) if line.startswith("large:"))
    large = [line[1:].strip() for line in out[at + 1:at + 1 + int(out[at].partition(":")[2])]]
    return shown_lines, large


def check_lines(window, keys_tool, keys):
    want, large = expected_displays(keys_tool, keys)
    for name in LINES:
        line = named(window, name)
        if line is None:
            fail(f"no '{name}' in the window")
        if line.getRole() not in (pyatspi.ROLE_LABEL, pyatspi.ROLE_STATIC):
            fail(f"'{name}' is a {line.getRoleName()}, not a label")
        read = text_of(line)
        say(f"  {name} [{line.getRoleName()}]: {read!r}")
        if read != want[name]:
            fail(f"'{name}' reads {read!r}; the display shows {want[name]!r}")
    return large


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--pid", type=int, required=True, help="the calculator's process")
    parser.add_argument("--keys", required=True, help="quorva-keys, for what the displays show")
    parser.add_argument("--summon", required=True, help="the command that summons the calculator")
    args = parser.parse_args()

    def find_app():
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == args.pid:
                return app
        return None

    app = None
    if not pump(20, lambda: find_app() is not None):
        fail("the calculator is not on the accessibility bus")
    app = find_app()
    window = named(app, "Quorva", pyatspi.ROLE_FRAME)
    if window is None:
        fail(f"no window 'Quorva' among {[c.name for c in app]}")
    say(f'application "{app.name}": window "{window.name}" [{window.getRoleName()}]')
    check_lines(window, args.keys, [])
    entry = named(window, "entry line")
    level1 = named(window, "stack level 1")
    if not pump(10, lambda: has(entry, pyatspi.STATE_FOCUSED)):
        fail("at the start the keyboard focus is not on the entry line")
    say("focus: entry line")

    events = []

    def heard(event):
        source = event.source
        text = event.any_data if isinstance(event.any_data, str) else str(event.any_data)
        if event.type.startswith("object:text-changed"):
            # Read back when it arrives: the display must already show what the event says.
            events.append((event.type, source.name, text, text_of(source), text_of(entry)))
        else:
            events.append((event.type, source.name, str(event.detail1), None, None))

    pyatspi.Registry.registerEventListener(
        heard, "object:text-changed:insert", "object:property-change:accessible-description",
        "object:state-changed:checked", "object:state-changed:focused")
    pump(1)  # the program learns of the listener

    # One key at a time, so that what is read when an event arrives is what that key made.
    keys = {"2": "2", "<Enter>": "Return", "3": "3", "+": "plus"}
    say("type: " + " ".join(keys))
    told = []
    for key, name in keys.items():
        del events[:]
        subprocess.run(["xdotool", "key", name], check=True, timeout=10)
        if not pump(5, lambda: events):
            fail(f"the key {key} changed no line")
        pump(0.3)
        say(f"  key {key}")
        for kind, line, text, read, entry_read in events:
            say(f"    event {kind.split(':', 1)[1]} {line}: {text!r}   read then: {read!r}")
            if read != text:
                fail(f"when the event for '{line}' arrived the line read {read!r}, not {text!r}")
        told.extend(events)

    def five(e):
        try:
            return e[1] == "stack level 1" and float(e[2]) == 5
        except ValueError:
            return False
    last = [e for e in told if e[1] == "stack level 1"][-1]
    if not five(last):
        fail(f"the last event for stack level 1 says {last[2]!r}, not 5")
    keys = list(keys)
    want, _ = expected_displays(args.keys, keys)
    if last[4] != want["entry line"]:
        fail(f"with level 1's result the entry line read {last[4]!r}, not {want['entry line']!r}")
    say(f"  with the result the entry line read: {last[4]!r}")
    large_rows = check_lines(window, args.keys, keys)

    def press(zone_name):
        zone = named(window, zone_name, pyatspi.ROLE_PUSH_BUTTON)
        if zone is None:
            fail(f"no button '{zone_name}'")
        action = zone.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        if "Press" not in names:
            fail(f"'{zone_name}' has the actions {names}, no Press")
        del events[:]
        action.doAction(names.index("Press"))
        return zone

    def top_window(title, seen=True):
        found = lambda: (lambda w: w is not None and shown(w) == seen)(named(app, title))
        if not pump(10, found):
            fail(f"after the press the window '{title}' is {'not ' if seen else ''}shown")
        return named(app, title)

    def rows(window_, list_name):
        lists = [l for l in descendants(window_, pyatspi.ROLE_LIST) if l.name == list_name]
        if not lists:
            fail(f"no list '{list_name}' in '{window_.name}'")
        return [item.name for item in lists[0] if item is not None]

    for zone_name in ZONES:
        say(f'press "{zone_name}"')
        if zone_name == "Always on top":
            zone = named(window, zone_name)
            before = has(zone, pyatspi.STATE_CHECKED)
            for want_checked in (not before, before):
                press(zone_name)
                if not pump(5, lambda: has(zone, pyatspi.STATE_CHECKED) == want_checked):
                    fail(f"pressing '{zone_name}' left it {'not ' if want_checked else ''}checked")
                pump(5, lambda: any("description" in e[0] for e in events))
                say(f"  checked: {want_checked}; description now {zone.description!r}; "
                    f"events: {[e[0].split(':', 1)[1] for e in events]}")
        elif zone_name in ("Angle mode", "Decimal places"):
            press(zone_name)
            picker = top_window(zone_name)
            picked = rows(picker, zone_name)
            say(f"  picker '{picker.name}' shown, rows: {picked}")
            if len(picked) != (2 if zone_name == "Angle mode" else 16):
                fail(f"the picker has {len(picked)} rows")
            press(zone_name)
            top_window(zone_name, seen=False)
            say("  pressed again: picker hidden")
        elif zone_name == "Large stack":
            press(zone_name)
            large = top_window(LARGE_TITLE)
            read = [r.strip() for r in rows(large, "Large stack")]
            say(f"  window '{large.name}' shown, rows: {read}")
            if read != large_rows:
                fail(f"the large stack reads {read}, quorva-keys shows {large_rows}")
            press(zone_name)
            top_window(LARGE_TITLE, seen=False)
            say("  pressed again: hidden")
        elif zone_name == "Functions and Settings":
            press(zone_name)
            functions = top_window(FUNCTIONS_TITLE)
            boxes = [b.name for b in descendants(functions, pyatspi.ROLE_CHECK_BOX)]
            tabs = [t.name for t in descendants(functions, pyatspi.ROLE_PAGE_TAB)]
            commands = rows(functions, "Functions")
            buttons = [b.name for b in descendants(functions, pyatspi.ROLE_PUSH_BUTTON)]
            say(f"  window '{functions.name}' shown")
            say(f"  tabs: {tabs}")
            say(f"  check boxes: {boxes}")
            say(f"  buttons: {buttons}")
            say(f"  list 'Functions': {len(commands)} rows, first {commands[0].strip()!r}, "
                f"last {commands[-1].strip()!r}")
            say(f"  list 'Skins': {rows(functions, 'Skins')}")
            if len(boxes) < 9 or not all(b.strip() for b in boxes):
                fail(f"the check boxes are not all named: {boxes}")
            if len(tabs) != 5 or len(commands) != 39:
                fail(f"{len(tabs)} tabs and {len(commands)} command rows")
            press(zone_name)
            top_window(FUNCTIONS_TITLE, seen=False)
            say("  pressed again: hidden")
        elif zone_name == "Hide":
            press(zone_name)
            if not pump(10, lambda: not shown(window)):
                fail("the hide zone left the calculator shown")
            say("  the calculator is hidden")
            # As a launcher does: with the time of the key press that summons it.
            launcher = dict(os.environ, DESKTOP_STARTUP_ID=f"a11y-client_TIME{int(time.time())}")
            # Events keep coming while it runs.
            del events[:]
            summon = subprocess.Popen(shlex.split(args.summon), env=launcher)
            if not pump(20, lambda: summon.poll() is not None) or summon.returncode != 0:
                fail(f"the summon ended with {summon.poll()}")
            if not pump(10, lambda: shown(window) and has(entry, pyatspi.STATE_FOCUSED)):
                fail(f"summoned, the calculator is {'' if shown(window) else 'not '}shown, the "
                     f"entry line is {'' if has(entry, pyatspi.STATE_FOCUSED) else 'not '}focused")
            if not pump(5, lambda: ("object:state-changed:focused", "entry line", "1", None, None) in events):
                fail(f"no focus event told the reader: {events}")
            say(f"summoned ({args.summon.split()[-1]}): shown; event state-changed:focused entry line; "
                f"stack level 1 reads {text_of(level1)!r}")
    say("all read as shown")


if __name__ == "__main__":
    main()
