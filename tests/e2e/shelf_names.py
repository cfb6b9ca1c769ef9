"""Reads the game shelf's list through AT-SPI, as a screen reader finds it:
waits until the "Games" list of the "Game Shelf" window holds the names
given on the command line, in that order, and prints them.

Run by ShelfWindowTest under Xvfb with a session bus; exits 0 when the list
matches, otherwise prints what it found and exits 1."""

import sys
import time

import pyatspi


def find(node, test, depth=0):
    if node is None or depth > 12:
        return None
    if test(node):
        return node
    for child in node:
        found = find(child, test, depth + 1)
        if found is not None:
            return found
    return None


def names():
    for app in pyatspi.Registry.getDesktop(0):
        if app is None or app.name != "Parvel":
            continue
        games = find(app, lambda n: n.name == "Games" and n.getRole() in (
            pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE))
        if games is None:
            return None
        table = games.queryTable()
        return [table.getAccessibleAt(r, 0).name for r in range(table.nRows)]
    return None


expected = sys.argv[1:]
found = None
end = time.time() + 20
while time.time() < end:
    found = names()
    if found == expected:
        print("\n".join(found))
        sys.exit(0)
    time.sleep(0.3)
print("FAIL: the shelf lists %r" % (found,))
sys.exit(1)
