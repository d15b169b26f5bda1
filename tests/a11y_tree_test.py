#!/usr/bin/python3
"""The real window as a screen reader meets it, through AT-SPI: the controls are
named for what they do, each page is a frame, and a result row says whether it is checked.
   a11y_tree_test.py PROGRAM   (inside dbus-run-session, with Xvfb on the path)"""
import os
import subprocess
import sys
import tempfile
import time

import pyatspi


def wait_for(what, probe):
    """The program answers on its own time: ask until it has (a minute at most)."""
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline:
        if found := probe():
            return found
        time.sleep(0.1)
    sys.exit(f"a11y_tree_test: no {what} after a minute")


def nodes(node):
    yield node
    for child in filter(None, node):
        yield from nodes(child)


def find(app, what, role=None):
    return wait_for(f'"{what}"', lambda: next((n for n in nodes(app) if n.name == what and (
        role is None or n.getRoleName() == role)), None))


# -noreset: the bus launcher connects and leaves, and a server that resets then drops
# the program's first connection.
xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-noreset", "-screen", "0", "1024x768x24"],
                        stdout=subprocess.PIPE)
os.environ["DISPLAY"] = ":" + xvfb.stdout.readline().decode().strip()
subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
home = tempfile.mkdtemp()
program = subprocess.Popen([sys.argv[1]], env=dict(
    os.environ, HOME=home, XDG_CONFIG_HOME=home, QT_QPA_PLATFORM="xcb",
    QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"))
try:
    app = wait_for("program on the bus", lambda: next(
        (a for a in pyatspi.Registry.getDesktop(0) if a and a.name == "larkspur-suite"), None))
    find(app, "Larkspur Suite", "frame")  # a window of its own, not a part of one
    find(app, "Folders to search", "tree")
    find(app, "Choose the destination folder", "push button")
    find(app, "Save Results To This Folder", "text").queryEditableText().setTextContents(home)
    for button in ["Load Sample/Example Folders", "No", "Next >", "Before this date:",
                   "Start Finding"]:
        find(app, button).queryAction().doAction(0)
    row = wait_for("result row", lambda: next(
        (n for n in nodes(app) if n.name.endswith("list-2024.txt")), None))
    assert row.description == "not checked", row.description
    find(app, "Select All").queryAction().doAction(0)
    wait_for("tick", lambda: row.description == "checked"
             and row.getState().contains(pyatspi.STATE_CHECKED))
    print("a11y_tree_test: the row read as", repr(row.name), "then", row.description)
finally:
    program.terminate()
    program.wait()
    xvfb.terminate()
