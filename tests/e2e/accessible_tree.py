"""Reads the running player's accessibility tree through AT-SPI: the scene
text and the option buttons of the demo's first scene, then presses an
option through its action and finds the next scene's text.

Run by AccessibilityTreeTest under Xvfb with a session bus; exits 0 when
every check holds, otherwise prints what it found and exits 1."""

import subprocess
import sys
import time

import pyatspi


def wait(what, get, timeout=15.0):
    end = time.time() + timeout
    while time.time() < end:
        value = get()
        if value:
            return value
        time.sleep(0.2)
    fail("timed out waiting for " + what)


def fail(message):
    print("FAIL:", message)
    client = find_client()
    if client is not None:
        for child in client:
            print("  ", child.getRoleName(), repr(child.name))
    sys.exit(1)


def find_app():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "Parvel":
            return app
    return None


def find_client():
    app = find_app()
    if app is None:
        return None
    for frame in app:
        for child in frame:
            if child is not None and child.getRole() == pyatspi.ROLE_FILLER:
                return child
    return None


def scene():
    """The scene text and the option buttons' names, as a reader finds them."""
    client = find_client()
    if client is None:
        return None
    texts = [c.name for c in client if c.getRole() == pyatspi.ROLE_LABEL]
    buttons = [c for c in client if c.getRole() == pyatspi.ROLE_PUSH_BUTTON]
    return (texts[0] if texts else "", buttons)


def names(buttons):
    return [b.name for b in buttons]


title = wait("the title screen", lambda: (s := scene()) and s[0] and s)
if title[0] != "Parvel - The Lantern Road" or title[1]:
    fail("title screen reads %r with buttons %r" % (title[0], names(title[1])))

subprocess.run(["xdotool", "key", "Return"], check=True)
# A scene's text shows before its options: wait for both.
dusk = wait("the first scene", lambda: (s := scene()) and s[0].startswith("Dusk on") and s[1] and s)
expected = ["Take the lantern and set out", "Stay by the post a while"]
if names(dusk[1]) != expected:
    fail("options read %r" % names(dusk[1]))
if dusk[0] != ("Dusk on the old road. The last lantern still burns on its post.\n"
               "Beyond the hills, they say, a gate stands open until dawn."):
    fail("scene text reads %r" % dusk[0])

action = dusk[1][0].queryAction()
press = [i for i in range(action.nActions) if action.getName(i).lower() in ("press", "click")]
if not press:
    fail("the option has no press action: %r" % [action.getName(i) for i in range(action.nActions)])
action.doAction(press[0])

road = wait("the next scene",
            lambda: (s := scene()) and s[0].startswith("The road runs east") and s[1] and s)
if names(road[1]) != ["Go back to the lantern post"]:
    fail("next scene's options read %r" % names(road[1]))
print("ok")
