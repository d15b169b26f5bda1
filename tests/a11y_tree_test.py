#!/usr/bin/python3
"""The real window as a screen reader meets it, through AT-SPI: the controls are
named for what they are for, and a result row says whether it is ticked.
   a11y_tree_test.py PROGRAM   (inside dbus-run-session, with Xvfb on the path)"""
import os
import subprocess
import sys
import tempfile
import time

import pyatspi


def wait_for(what, probe):
    """The program answers on its own time: ask again until it has (a minute at most)."""
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.1)
    sys.exit(f"a11y_tree_test: no {what} after a minute")


def nodes(node):
    yield node
    for child in node:
        if child is not None:
            yield from nodes(child)


def named(app, name, role=None):
    return next((n for n in nodes(app) if n.name == name
                 and (role is None or n.getRoleName() == role)), None)


def press(app, name):
    control = wait_for(f'"{name}"', lambda: named(app, name))
    control.queryAction().doAction(0)


xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24"],
                        stdout=subprocess.PIPE)
os.environ["DISPLAY"] = ":" + xvfb.stdout.readline().decode().strip()
subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
home = tempfile.mkdtemp()
program = subprocess.Popen([sys.argv[1]], env=dict(
    os.environ, HOME=home, XDG_CONFIG_HOME=home, QT_QPA_PLATFORM="xcb",
    QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"))
try:
    desktop = pyatspi.Registry.getDesktop(0)
    app = wait_for("program on the bus", lambda: next(
        (a for a in desktop if a is not None and a.name == "larkspur-suite"), None))
    for name, role in [("Folders to search", None), ("Choose the destination folder", "push button")]:
        assert wait_for(f'"{name}"', lambda: named(app, name, role)), name
    press(app, "Load Sample/Example Folders")
    press(app, "No")  # the sample folder stays closed
    named(app, "Save Results To This Folder", "text").queryEditableText().setTextContents(home)
    press(app, "Next >")
    press(app, "Before this date:")
    press(app, "Start Finding")
    row = wait_for("result row", lambda: next(
        (n for n in nodes(app) if n.name.endswith("list-2024.txt")), None))
    assert row.description == "not ticked", row.description
    press(app, "Select All")
    wait_for("tick", lambda: row.description == "ticked"
             and row.getState().contains(pyatspi.STATE_CHECKED))
    print("a11y_tree_test: controls named, the row read as", repr(row.name), "then", row.description)
finally:
    program.terminate()
    program.wait()
    xvfb.terminate()
