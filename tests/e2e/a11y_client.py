#!/usr/bin/python3
"""a11y_client.py PID QUORVA-KEYS SUMMON-COMMAND: reads the running calculator through AT-SPI, as
a screen reader does: the six display lines (as quorva-keys shows them), the events of a
calculation typed key by key, zones pressed through their action, and the focus after a summon.
Exits 1 at the first thing that is not as it should be."""

import os
import shlex
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

LINES = ["entry line"] + [f"stack level {n}" for n in range(1, 6)]
TYPED = {"2": "2", "<Enter>": "Return", "3": "3", "+": "plus"}  # quorva-keys: xdotool
EVENTS = ("object:text-changed:insert", "object:property-change:accessible-description",
          "object:state-changed:checked", "object:state-changed:focused")


def fail(text):
    print(f"FAIL: {text}", flush=True)
    sys.exit(1)


def pump(seconds, until=lambda: False):
    """Delivers AT-SPI events until `until` holds or the time is up; returns `until()`."""
    context, end = GLib.MainContext.default(), time.monotonic() + seconds
    while True:
        while context.pending():
            context.iteration(False)
        if until() or time.monotonic() >= end:
            return until()
        time.sleep(0.02)


def text_of(acc):
    return acc.queryText().getText(0, -1)


def has(acc, state):
    return acc.getState().contains(state)


def named(parent, name, role=None, needed=True):
    found = next((c for c in parent
                  if c is not None and c.name == name and role in (None, c.getRole())), None)
    if found is None and needed:
        fail(f"no '{name}' in '{parent.name}'")
    return found


def shown_by_keys(keys_tool, keys):
    """The six lines by accessible name, as quorva-keys shows them."""
    out = subprocess.run([keys_tool, *keys], capture_output=True, text=True, check=True,
                         timeout=20).stdout.splitlines()
    lines = {"entry line": next(o for o in out if o.startswith("entry:")).partition(":")[2].strip()}
    first = out.index("stack:") + 1
    for k, row in enumerate(out[first:first + 5]):  # level 5 first
        lines[f"stack level {5 - k}"] = row[1:].strip()
    return lines


class Reader:
    def __init__(self, pid, keys_tool):
        def app():
            return next((a for a in pyatspi.Registry.getDesktop(0)
                         if a is not None and a.get_process_id() == pid), None)
        if not pump(20, lambda: app() is not None):
            fail("the calculator is not on the accessibility bus")
        self.app, self.keys_tool = app(), keys_tool
        self.window = named(self.app, "Quorva", pyatspi.ROLE_FRAME)
        self.entry = named(self.window, "entry line")
        self.events = []  # (type, source's name, text or detail1, the source's text read then, the entry's)

    def heard(self, event):
        if event.type.startswith("object:text-changed"):
            # read back at once: the line must already show what the event says
            self.events.append((event.type, event.source.name, str(event.any_data),
                                text_of(event.source), text_of(self.entry)))
        else:
            self.events.append((event.type, event.source.name, str(event.detail1)))

    def check_lines(self, keys):
        want = shown_by_keys(self.keys_tool, keys)
        for name in LINES:
            line = named(self.window, name)
            if text_of(line) != want[name]:
                fail(f"'{name}' reads {text_of(line)!r}; the display shows {want[name]!r}")
        return want

    def calculate(self):
        """One key at a time, so that what is read when an event arrives is what that key made."""
        told = []
        for key, xkey in TYPED.items():
            del self.events[:]
            subprocess.run(["xdotool", "key", xkey], check=True, timeout=10)
            if not pump(5, lambda: self.events):
                fail(f"the key {key} changed no line")
            pump(0.3)
            for _, line, text, read, _ in self.events:
                print(f"  key {key}: {line} told {text!r}, read {read!r}", flush=True)
                if read != text:
                    fail(f"when the event for '{line}' arrived the line read {read!r}, not {text!r}")
            told.extend(self.events)
        want = self.check_lines(list(TYPED))
        last = [e for e in told if e[1] == "stack level 1"][-1]
        if float(last[2]) != 5 or last[4] != want["entry line"]:
            fail(f"with level 1's last event {last[2]!r} the entry line read {last[4]!r}")

    def press(self, zone_name):
        action = named(self.window, zone_name, pyatspi.ROLE_PUSH_BUTTON).queryAction()
        del self.events[:]
        # no "Press" among the actions raises, and the client fails
        action.doAction([action.getName(i) for i in range(action.nActions)].index("Press"))

    def on_top(self):
        zone = named(self.window, "Always on top")
        before = has(zone, pyatspi.STATE_CHECKED)
        for checked in (not before, before):
            self.press(zone.name)
            # the reader is told both: the state and the new description
            wanted = [("object:state-changed:checked", zone.name, str(int(checked))),
                      ("object:property-change:accessible-description", zone.name)]
            if not pump(5, lambda: has(zone, pyatspi.STATE_CHECKED) == checked
                        and all(any(e[:len(w)] == w for e in self.events) for w in wanted)):
                fail(f"pressed to {'' if checked else 'un'}check, it told {self.events}")

    def summon(self, command):
        self.press("Hide")
        if not pump(10, lambda: not has(self.window, pyatspi.STATE_SHOWING)):
            fail("the hide zone left the calculator shown")
        del self.events[:]
        # as a launcher does: with the time of the key press that summons it
        env = dict(os.environ, DESKTOP_STARTUP_ID=f"a11y-client_TIME{int(time.time())}")
        process = subprocess.Popen(shlex.split(command), env=env)
        if not pump(20, lambda: process.poll() is not None) or process.returncode != 0:
            fail(f"the summon ended with {process.poll()}")
        focused = ("object:state-changed:focused", "entry line", "1")
        if not pump(10, lambda: has(self.window, pyatspi.STATE_SHOWING) and focused in self.events):
            fail(f"summoned, shown: {has(self.window, pyatspi.STATE_SHOWING)}; told {self.events}")


def main():
    if len(sys.argv) != 4:
        fail(__doc__)
    reader = Reader(int(sys.argv[1]), sys.argv[2])
    reader.check_lines([])
    if not pump(10, lambda: has(reader.entry, pyatspi.STATE_FOCUSED)):
        fail("at the start the keyboard focus is not on the entry line")
    pyatspi.Registry.registerEventListener(reader.heard, *EVENTS)
    pump(1)  # the program learns of the listener
    reader.calculate()
    reader.on_top()
    reader.summon(sys.argv[3])
    print("all read as shown", flush=True)


if __name__ == "__main__":
    main()
