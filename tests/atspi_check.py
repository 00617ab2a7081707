# SPDX-License-Identifier: GPL-3.0-or-later
"""What a screen reader and a keyboard user meet in Vantrel, through AT-SPI.

Run by atspi_e2e.sh inside a D-Bus session on an Xvfb display with a window
manager, with one camera "Lobby" (id CAM1, password "pw") answering in the
test LAN. Usage: atspi_check.py VANTREL FAKECAM_LOG
"""

import os
import subprocess
import sys
import time

import pyatspi

vantrel, camera_log = sys.argv[1], sys.argv[2]


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def wait_for(what, find, seconds=15):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = find()
        if found:
            return found
        time.sleep(0.2)
    app = application()
    fail("no " + what + "; the program shows " + str(controls(app) if app else None))


def descendants(node):
    try:
        count = node.childCount
    except Exception:
        return
    for i in range(count):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield child
            yield from descendants(child)


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "vantrel":
            return app
    return None


def window(name):
    app = application()
    if app is None:
        return None
    for node in descendants(app):
        if node.name == name and node.getRoleName() in ("dialog", "frame", "window"):
            return node
    return None


def controls(node):
    """Every control a user can reach or read: (role, name)."""
    roles = {"push button", "check box", "text", "password text", "list", "list item",
             "progress bar", "label"}
    return [(child.getRoleName(), child.name) for child in descendants(node)
            if child.getRoleName() in roles]


def named(node, role, name):
    for child in descendants(node):
        if child.getRoleName() == role and child.name == name:
            return child
    fail(f"no {role} named {name!r} in {node.name!r}: {controls(node)}")


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i).lower() in ("press", "click", "activate"):
            action.doAction(i)
            return
    fail(f"{node.name!r} cannot be pressed")


def keys(*names):
    for name in names:
        subprocess.run(["xdotool", "key", "--clearmodifiers", name], check=True)
        time.sleep(0.3)


def windows_shown():
    """The program's visible top-level windows, as the X server has them."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--classname", "vantrel"],
                           capture_output=True, text=True).stdout.split()
    return len(found)


def expect(found, wanted, where):
    missing = [control for control in wanted if control not in found]
    if missing:
        fail(f"{where} lacks {missing}; it has {found}")
    nameless = [role for role, name in found if not name]
    if nameless:
        fail(f"{where} has controls a screen reader cannot name: {nameless}; {found}")


environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
                   QT_QPA_PLATFORM="xcb")
program = subprocess.Popen([vantrel], env=environment, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
try:
    main = wait_for("main window on the accessibility bus", lambda: window("Vantrel"))
    line = "Lobby" + " " * 20 + "http://10.71.1.2"
    wait_for("line for the camera",
             lambda: ("list item", line) in controls(window("Vantrel")))
    expect(controls(main), [("list", "Cameras"), ("list item", line)], "the main window")
    print("the main window's list and its lines have names")

    # The keyboard alone: the list has the focus, Down selects the line and
    # the Menu key opens its menu; Down twice and Enter take "Network Settings".
    subprocess.run(["xdotool", "search", "--sync", "--name", "^Vantrel$", "windowactivate",
                    "--sync"], check=True, stdout=subprocess.DEVNULL)
    # Qt's bridge leaves popup menus out of the tree (a screen reader
    # follows their focus), so the X server tells that the menu is up; the
    # widget tests read its items' accessible names.
    keys("Down", "Menu")
    wait_for("menu from the Menu key", lambda: windows_shown() == 2)
    keys("Down", "Down", "Return")
    dialog = wait_for("network settings dialog", lambda: window("Lobby Network Settings"))
    expect(controls(dialog), [
        ("text", "IP Address"), ("text", "Subnet Mask"), ("text", "Gateway"),
        ("text", "DNS Server"), ("text", "Http Port"), ("password text", "Password"),
        ("check box", "Using Dhcp"), ("push button", "Set"), ("push button", "Return"),
    ], "the network settings dialog")
    print("the network settings dialog opens from the keyboard; every field has its label's name")

    # Filled and submitted through AT-SPI: first a port the dialog refuses,
    # whose message box a screen reader must be able to read.
    named(dialog, "text", "Http Port").queryEditableText().setTextContents("10000")
    press(named(dialog, "push button", "Set"))
    refusal = "the http port can not be 0 or 10000 !"
    box = wait_for("message box", lambda: next(
        (node for node in descendants(application())
         if node.getRoleName() == "label" and node.name == refusal), None))
    print("the message box's text is readable: " + box.name)
    keys("Return")
    named(dialog, "text", "Http Port").queryEditableText().setTextContents("80")
    named(dialog, "text", "IP Address").queryEditableText().setTextContents("10.71.1.77")
    named(dialog, "password text", "Password").queryEditableText().setTextContents("pw")
    press(named(dialog, "push button", "Set"))
    wait_for("set-network request at the camera",
             lambda: "recv set-network id=CAM1 ip=10.71.1.77" in open(camera_log).read())
    print("the dialog, filled and submitted through AT-SPI, sent the new address")

    # Shift+F10 opens the same menu; "Firmware Version & Upgrade" is third.
    wait_for("main window again", lambda: window("Vantrel"))
    subprocess.run(["xdotool", "search", "--sync", "--name", "^Vantrel$", "windowactivate",
                    "--sync"], check=True, stdout=subprocess.DEVNULL)
    wait_for("the menu and the dialog to go", lambda: windows_shown() == 1)
    keys("shift+F10")
    wait_for("menu from Shift+F10", lambda: windows_shown() == 2)
    keys("Down", "Down", "Down", "Return")
    firmware = wait_for("firmware dialog", lambda: window("Lobby Firmware Version & Upgrade"))
    expect(controls(firmware), [
        ("text", "System Firmware Version"), ("text", "Application Firmware Version"),
        ("password text", "Password"), ("push button", "Upgrade System Firmware"),
        ("push button", "Upgrade Application Firmware"), ("push button", "Return"),
    ], "the firmware dialog")
    keys("Escape")
    wait_for("firmware dialog to close",
             lambda: window("Lobby Firmware Version & Upgrade") is None)
    print("Shift+F10 opens the menu; the firmware dialog's controls have names")
finally:
    program.terminate()
    program.wait(timeout=10)
