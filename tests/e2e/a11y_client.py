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


def rows(window, list_name):
    lists = [item for item in descendants(window, pyatspi.ROLE_LIST) if item.name == list_name]
    if not lists:
        fail(f"no list '{list_name}' in '{window.name}'")
    return [row.name for row in lists[0] if row is not None]


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


class Reader:
    """The calculator's application on the bus, and what its events told."""

    def __init__(self, pid, keys_tool):
        self.keys_tool = keys_tool
        if not pump(20, lambda: self.find_app(pid) is not None):
            fail("the calculator is not on the accessibility bus")
        self.app = self.find_app(pid)
        self.window = named(self.app, "Quorva", pyatspi.ROLE_FRAME)
        if self.window is None:
            fail(f"no window 'Quorva' among {[c.name for c in self.app]}")
        self.entry = named(self.window, "entry line")
        self.events = []  # (type, source's name, text or detail1, text read then, entry read then)

    @staticmethod
    def find_app(pid):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == pid:
                return app
        return None

    def heard(self, event):
        source = event.source
        if event.type.startswith("object:text-changed"):
            # Read back when it arrives: the display must already show what the event says.
            self.events.append((event.type, source.name, str(event.any_data), text_of(source),
                                text_of(self.entry)))
        else:
            self.events.append((event.type, source.name, str(event.detail1), None, None))

    def listen(self):
        pyatspi.Registry.registerEventListener(
            self.heard, "object:text-changed:insert", "object:property-change:accessible-description",
            "object:state-changed:checked", "object:state-changed:focused")
        pump(1)  # the program learns of the listener

    def calculate(self):
        """2 <Enter> 3 +, one key at a time, so that what is read when an event arrives is what
        that key made."""
        keys = {"2": "2", "<Enter>": "Return", "3": "3", "+": "plus"}
        say("type: " + " ".join(keys))
        told = []
        for key, xkey in keys.items():
            del self.events[:]
            subprocess.run(["xdotool", "key", xkey], check=True, timeout=10)
            if not pump(5, lambda: self.events):
                fail(f"the key {key} changed no line")
            pump(0.3)
            say(f"  key {key}")
            for kind, line, text, read, _ in self.events:
                say(f"    event {kind.split(':', 1)[1]} {line}: {text!r}   read then: {read!r}")
                if read != text:
                    fail(f"when the event for '{line}' arrived the line read {read!r}, not {text!r}")
            told.extend(self.events)
        last = [e for e in told if e[1] == "stack level 1"][-1]
        if float(last[2]) != 5:
            fail(f"the last event for stack level 1 says {last[2]!r}, not 5")
        want, _ = expected_displays(self.keys_tool, list(keys))
        if last[4] != want["entry line"]:
            fail(f"with level 1's result the entry line read {last[4]!r}, not {want['entry line']!r}")
        say(f"  with the result the entry line read: {last[4]!r}")
        return check_lines(self.window, self.keys_tool, list(keys))

    def press(self, zone_name):
        zone = named(self.window, zone_name, pyatspi.ROLE_PUSH_BUTTON)
        if zone is None:
            fail(f"no button '{zone_name}'")
        action = zone.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        if "Press" not in names:
            fail(f"'{zone_name}' has the actions {names}, no Press")
        del self.events[:]
        action.doAction(names.index("Press"))
        return zone

    def top_window(self, title, seen=True):
        def as_wanted():
            w = named(self.app, title)
            return w is not None and shown(w) == seen
        if not pump(10, as_wanted):
            fail(f"after the press the window '{title}' is {'not ' if seen else ''}shown")
        return named(self.app, title)

    def toggle_window(self, zone_name, title):
        """Presses the zone, hands over the window it shows, then presses again to hide it."""
        self.press(zone_name)
        yield self.top_window(title)
        self.press(zone_name)
        self.top_window(title, seen=False)
        say("  pressed again: hidden")

    def on_top(self):
        zone = named(self.window, "Always on top")
        before = has(zone, pyatspi.STATE_CHECKED)
        for checked in (not before, before):
            self.press(zone.name)
            if not pump(5, lambda: has(zone, pyatspi.STATE_CHECKED) == checked):
                fail(f"the press left it {'not ' if checked else ''}checked")
            # The reader is told both: the state and the new description.
            wanted = [("object:state-changed:checked", zone.name, str(int(checked))),
                      ("object:property-change:accessible-description", zone.name)]
            if not pump(5, lambda: all(any(e[:len(w)] == w for e in self.events) for w in wanted)):
                fail(f"the press told {self.events}")
            say(f"  checked: {checked}; description now {zone.description!r}; "
                f"events: {[e[0].split(':', 1)[1] for e in self.events]}")

    def picker(self, zone_name, count):
        for picker in self.toggle_window(zone_name, zone_name):
            picked = rows(picker, zone_name)
            say(f"  picker '{picker.name}' shown, rows: {picked}")
            if len(picked) != count:
                fail(f"the picker has {len(picked)} rows")

    def large_stack(self, want):
        for large in self.toggle_window("Large stack", LARGE_TITLE):
            read = [r.strip() for r in rows(large, "Large stack")]
            say(f"  window '{large.name}' shown, rows: {read}")
            if read != want:
                fail(f"the large stack reads {read}, quorva-keys shows {want}")

    def functions(self):
        for functions in self.toggle_window("Functions and Settings", FUNCTIONS_TITLE):
            boxes = [b.name for b in descendants(functions, pyatspi.ROLE_CHECK_BOX)]
            tabs = [t.name for t in descendants(functions, pyatspi.ROLE_PAGE_TAB)]
            commands = rows(functions, "Functions")
            say(f"  window '{functions.name}' shown")
            say(f"  tabs: {tabs}")
            say(f"  check boxes: {boxes}")
            say(f"  buttons: {[b.name for b in descendants(functions, pyatspi.ROLE_PUSH_BUTTON)]}")
            say(f"  list 'Functions': {len(commands)} rows, first {commands[0].strip()!r}, "
                f"last {commands[-1].strip()!r}")
            say(f"  list 'Skins': {rows(functions, 'Skins')}")
            if len(boxes) < 9 or not all(b.strip() for b in boxes):
                fail(f"the check boxes are not all named: {boxes}")
            if len(tabs) != 5 or len(commands) != 39:
                fail(f"{len(tabs)} tabs and {len(commands)} command rows")

    def hide_and_summon(self, summon):
        self.press("Hide")
        if not pump(10, lambda: not shown(self.window)):
            fail("the hide zone left the calculator shown")
        say("  the calculator is hidden")
        del self.events[:]
        # As a launcher does: with the time of the key press that summons it. Events keep
        # coming while it runs.
        launcher = dict(os.environ, DESKTOP_STARTUP_ID=f"a11y-client_TIME{int(time.time())}")
        process = subprocess.Popen(shlex.split(summon), env=launcher)
        if not pump(20, lambda: process.poll() is not None) or process.returncode != 0:
            fail(f"the summon ended with {process.poll()}")
        focused = ("object:state-changed:focused", "entry line", "1", None, None)
        if not pump(10, lambda: shown(self.window) and focused in self.events):
            fail(f"summoned, the calculator is {'' if shown(self.window) else 'not '}shown, "
                 f"and the reader was told {self.events}")
        level1 = named(self.window, "stack level 1")
        say(f"summoned ({summon.split()[-1]}): shown; event state-changed:focused entry line; "
            f"stack level 1 reads {text_of(level1)!r}")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--pid", type=int, required=True, help="the calculator's process")
    parser.add_argument("--keys", required=True, help="quorva-keys, for what the displays show")
    parser.add_argument("--summon", required=True, help="the command that summons the calculator")
    args = parser.parse_args()

    reader = Reader(args.pid, args.keys)
    say(f'application "{reader.app.name}": window "{reader.window.name}" [{reader.window.getRoleName()}]')
    check_lines(reader.window, args.keys, [])
    if not pump(10, lambda: has(reader.entry, pyatspi.STATE_FOCUSED)):
        fail("at the start the keyboard focus is not on the entry line")
    say("focus: entry line")
    reader.listen()
    large_rows = reader.calculate()
    for zone_name, step in (("Always on top", reader.on_top),
                            ("Angle mode", lambda: reader.picker("Angle mode", 2)),
                            ("Decimal places", lambda: reader.picker("Decimal places", 16)),
                            ("Large stack", lambda: reader.large_stack(large_rows)),
                            ("Functions and Settings", reader.functions),
                            ("Hide", lambda: reader.hide_and_summon(args.summon))):
        say(f'press "{zone_name}"')
        step()
    say("all read as shown")


if __name__ == "__main__":
    main()
