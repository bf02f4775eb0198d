#!/usr/bin/python3
# Reads Quillon's window through AT-SPI, as Orca does: started on a picture, the status bar's figure
# must be an accessible object's name, word for word, and be announced as a notification in the status
# bar being shown, which Orca speaks without the focus on it.
# screen-reader.py QUILLON_BINARY  (on an X display, with a session bus)
import os
import re
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import GLib

binary = sys.argv[1]
work = tempfile.TemporaryDirectory()
picture = os.path.join(work.name, "photo.png")
subprocess.run(["convert", "-size", "1800x1200", "gradient:navy-orange", picture], check=True)
figure = re.compile(r"^As a saved JPEG: 1800 × 1200 pixels, [0-9]+\.[0-9]{2} (KB|MB)$")
deadline = time.monotonic() + 60
heard = []  # the names of the program's notifications as they were shown
found = None
program = None


def on_shown(event):
    try:
        source = event.source
        announced = event.detail1 and source.getRole() == pyatspi.ROLE_NOTIFICATION
        if announced and source.get_process_id() == program.pid:
            heard.append(source.name)
    except Exception:
        pass  # an object gone since


def status_items(node):
    """The names of everything inside the status bars below node."""
    names = []
    for child in node:
        if child is None:
            continue
        if child.getRole() == pyatspi.ROLE_STATUS_BAR:
            names += [item.name for item in child if item is not None]
        else:
            names += status_items(child)
    return names


def look():
    global found
    try:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == program.pid:
                found = next((name for name in status_items(app) if figure.match(name)), None)
    except Exception:
        pass  # the tree is still being built
    if (found and found in heard) or time.monotonic() > deadline or program.poll() is not None:
        pyatspi.Registry.stop()
        return False
    return True


pyatspi.Registry.registerEventListener(on_shown, "object:state-changed:showing")
environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
program = subprocess.Popen([binary, picture], env=environment)
try:
    GLib.timeout_add(200, look)
    pyatspi.Registry.start()
finally:
    program.terminate()
    program.wait(10)

if not found:
    print(f"FAIL: no object in the status bar is named like '{figure.pattern}'")
    sys.exit(1)
if found not in heard:
    print(f"FAIL: the status bar reads '{found}', but it was never announced; announced: {heard}")
    sys.exit(1)
print(f"PASS: a screen reader reads the status bar as '{found}', announced as a notification")
