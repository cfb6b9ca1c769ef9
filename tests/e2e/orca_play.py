"""Plays the demo by keyboard while Orca listens, and checks what Orca said
from the "SPEECH OUTPUT" lines of its debug file ($D/orca.log): the title,
the scene's text after Enter, after Space on a focused option, after a
letter key and after walking into the next scene, the options as Tab moves
(from option 1), the walking hint, the points on entering and in the fight,
and the Save window's name field.

Run by AccessibilityTreeTest; the player ($p in the calling script) is already up and
Orca is running. Exits 0 when every check holds, otherwise prints what Orca
said and exits 1."""

import os
import re
import subprocess
import sys
import time

LOG = os.path.join(os.environ["D"], "orca.log")
STATE = os.path.join(os.environ["D"], "state.txt")
PLAYER = int(os.environ["PLAYER_PID"])

done = 0  # SPEECH OUTPUT lines checked so far


def spoken():
    """What Orca said, one entry per SPEECH OUTPUT line of its log (texts
    may run over several lines)."""
    try:
        with open(LOG, encoding="utf-8", errors="replace") as f:
            text = f.read()
    except OSError:
        return []
    out = []
    for entry in re.split(r"\n(?=\d\d:\d\d:\d\d\.\d+ - )", text):
        m = re.match(r"\d\d:\d\d:\d\d\.\d+ - SPEECH OUTPUT: '(.*)'(?:\s*\{.*\}|\s*voice=\S+)?\s*$",
                     entry, re.S)
        if m:
            out.append(m.group(1))
    return out


def fail(message):
    print("FAIL:", message)
    print("Orca said:")
    for line in spoken()[max(0, done - 5):]:
        print("  ", repr(line))
    sys.exit(1)


def hear(*parts, timeout=15.0):
    """Waits for Orca to say something containing all `parts` (one may be a
    compiled pattern) after the last line heard; the line."""
    global done
    end = time.time() + timeout
    while time.time() < end:
        lines = spoken()
        for i in range(done, len(lines)):
            if all(p.search(lines[i]) if isinstance(p, re.Pattern) else p in lines[i]
                   for p in parts):
                done = i + 1
                return lines[i]
        time.sleep(0.2)
    fail("Orca never said %r" % (parts,))


def skip_ahead():
    """Checks only what is said from now on."""
    global done
    time.sleep(0.5)
    done = len(spoken())


def key(*names):
    subprocess.run(["xdotool", "key", "--delay", "150"] + list(names), check=True)


def scene():
    os.kill(PLAYER, 10)  # SIGUSR1: the player writes its state
    time.sleep(0.3)
    try:
        with open(STATE, encoding="utf-8", errors="replace") as f:
            return f.readline().strip()
    except OSError:
        return ""


def reach(name, timeout=20.0):
    end = time.time() + timeout
    while time.time() < end:
        if scene() == "scene: " + name:
            return
    fail("never reached " + name + " (" + scene() + ")")


hear("Free to play", timeout=40)  # the title screen, after the window's name
time.sleep(2)  # the main loop starts a second after the window

skip_ahead()
key("Return")
hear("Dusk on the old road")
key("Tab")
first = hear("Take the lantern")
if "Stay by the post" in first:
    fail("the first Tab said %r" % first)
key("Tab")
hear("Stay by the post a while")

# Space on the focused option: the same scene, said again.
skip_ahead()
key("space")
hear("Dusk on the old road")

# A letter key without moving first.
skip_ahead()
key("a")
hear("The road runs east", "You can walk with the arrow keys")

# Walking east into the gate, a step at a time: a held key would wait on
# Orca for each repeat.
time.sleep(0.5)
for step in range(40):
    key("Right")
    if any("The iron gate stands ajar" in line for line in spoken()[done:]):
        break
hear("The iron gate stands ajar")

# The points: the hero's on entering the courtyard, the wolf's on meeting
# it, both after a blow.
time.sleep(0.5)
skip_ahead()
key("a")
hear("Inside the walls the fog is gone", "Hero 20 of 20")
key("a")
hear("A grey wolf steps out", "Enemy 12 of 12")
key("a")
hear("You swing the staff", re.compile(r"\bHero \d+ of 20, Enemy \d+ of 12\b"))

# A dialog: File, Save... puts the focus on the name field.
skip_ahead()
key("alt+f")
time.sleep(0.5)
key("s")
hear("Slot name")
key("Escape")
print("ok")
