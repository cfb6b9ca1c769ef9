"""Reads the running player's accessibility tree through AT-SPI: the scene
text and the option buttons of the demo's first scene, then presses an
option through its action and finds the next scene's text. Along the way
it follows the focus events a screen reader speaks from: each new scene's
text on an object the focus was not on, the first Tab naming option 1, and
"visible" changing with "showing" when an option goes away.

Run by AccessibilityTreeTest under Xvfb with a session bus; exits 0 when
every check holds, otherwise prints what it found and exits 1."""

import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

focused = []  # (object, name) of each focus event, in order
states = []  # (state, detail1, name) of showing and visible changes


def on_event(event):
    try:
        name = event.source.name
    except Exception:
        name = None
    if event.type == "object:state-changed:focused":
        if event.detail1:
            focused.append((event.source, name))
    else:
        states.append((event.type.split(":")[-1], event.detail1, event.source))


pyatspi.Registry.registerEventListener(
    on_event, "object:state-changed:focused", "object:state-changed:showing",
    "object:state-changed:visible")


def pump():
    context = GLib.MainContext.default()
    while context.iteration(False):
        pass


def wait(what, get, timeout=15.0):
    end = time.time() + timeout
    while time.time() < end:
        pump()
        value = get()
        if value:
            return value
        time.sleep(0.2)
    fail("timed out waiting for " + what)


def said(start):
    """The focus events since `start` whose name is not empty."""
    return [f for f in focused[start:] if f[1]]


def key(name):
    subprocess.run(["xdotool", "key", name], check=True)


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

start = len(focused)
key("Return")
# A scene's text shows before its options: wait for both.
dusk = wait("the first scene", lambda: (s := scene()) and s[0].startswith("Dusk on") and s[1] and s)
heard = wait("the first scene said", lambda: [f for f in said(start) if "Dusk on" in f[1]])
if start and heard[-1][0] == focused[start - 1][0]:
    fail("the first scene was said on the object the focus was on already")
if "a: Take the lantern and set out" not in heard[-1][1]:
    fail("the first scene was said as %r" % heard[-1][1])

start = len(focused)
key("Tab")
wait("option 1 on the first Tab", lambda: said(start))
if said(start)[0][1] != "Take the lantern and set out":
    fail("the first Tab said %r" % said(start)[0][1])
key("shift+Tab")
wait("Shift+Tab", lambda: len(said(start)) > 1)
if said(start)[1][1] != "Stay by the post a while":
    fail("Shift+Tab said %r" % said(start)[1][1])
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
wait("the next scene said", lambda: any("The road runs east" in n for _, n in said(start)))

# Back at the post the second option shows again: showing and visible, as
# a reader's cache has it.
road[1][0].queryAction().doAction(0)
again = wait("the post again", lambda: (s := scene()) and len(s[1]) == 2 and s)
for button in again[1]:
    state = button.getState()
    if not (state.contains(pyatspi.STATE_SHOWING) and state.contains(pyatspi.STATE_VISIBLE)):
        fail("%r is not showing and visible" % button.name)
print("ok")
