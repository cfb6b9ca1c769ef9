#!/usr/bin/env python3
"""Plays the examples of docs/writing-games.md as an author would.

    guide_examples.py GUIDE TAVI WORKDIR

The guide marks its examples with HTML comments in front of fenced blocks:

    <!-- example: run -->                  a shell block, run in the game folder
    <!-- example: file NAME -->            the block is the whole file NAME
    <!-- example: scenes NAME -->          the block's scenes replace the scenes
                                           of the same name in NAME, or are added
    <!-- example: walkthrough NAME ending SCENE -->
                                           the block is the tavi play input NAME;
                                           the game must lint clean and play to SCENE

Every example works on one game folder, WORKDIR/game, in the guide's order.
Game files are written with CR LF line ends, as the guide tells authors to.
"""
import os
import re
import shutil
import subprocess
import sys

MARK = re.compile(r"<!--\s*example:\s*(.*?)\s*-->")


def blocks(text):
    """(marker, block text) for every marked fenced block, in order."""
    lines = text.split("\n")
    i = 0
    while i < len(lines):
        m = MARK.fullmatch(lines[i].strip())
        i += 1
        if not m:
            continue
        while i < len(lines) and not lines[i].startswith("```"):
            i += 1
        start = i + 1
        i = start
        while i < len(lines) and not lines[i].startswith("```"):
            i += 1
        yield m.group(1), start, "\n".join(lines[start:i]) + "\n"
        i += 1


def scenes_of(text):
    """The scenes of a script as (name, text) in order; text before the first header dropped."""
    out = []
    for part in re.split(r"(?m)^(?=\[)", text):
        if part.startswith("["):
            out.append((part[1:part.index("]")].lower(), part))
    return out


def write_script(path, text):
    text = text.replace("\r\n", "\n").rstrip("\n") + "\n"
    with open(path, "wb") as f:
        f.write(text.replace("\n", "\r\n").encode("cp1252"))


def main():
    guide, tavi, work = sys.argv[1:4]
    game = os.path.join(work, "game")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(game)
    env = dict(os.environ, PATH=os.path.dirname(os.path.abspath(tavi)) + os.pathsep + os.environ["PATH"])
    failures = 0
    played = 0

    def fail(line, message):
        nonlocal failures
        failures += 1
        print(f"{guide}:{line}: {message}")

    with open(guide, encoding="utf-8") as f:
        text = f.read()
    for marker, line, block in blocks(text):
        words = marker.split()
        if words[0] == "run":
            r = subprocess.run(["bash", "-e", "-c", block], cwd=game, env=env,
                               capture_output=True, text=True)
            if r.returncode != 0:
                fail(line, f"commands failed ({r.returncode}): {r.stderr.strip()[:500]}")
        elif words[0] == "file":
            write_script(os.path.join(game, words[1]), block)
        elif words[0] == "scenes":
            path = os.path.join(game, words[1])
            with open(path, encoding="cp1252") as f:
                old = f.read().replace("\r\n", "\n")
            new = dict(scenes_of(block))
            head = old[:old.index("[")] if "[" in old else ""
            kept = [(n, t if n not in new else new.pop(n)) for n, t in scenes_of(old)]
            parts = [t.rstrip("\n") + "\n" for _, t in kept]
            parts += [t.rstrip("\n") + "\n" for n, t in scenes_of(block) if n in new]
            write_script(path, head + "\n".join(parts))
        elif words[0] == "walkthrough" and len(words) == 4 and words[2] == "ending":
            name, ending = words[1], words[3]
            with open(os.path.join(game, name), "w") as f:
                f.write(block)
            played += 1
            lint = subprocess.run([tavi, "lint", "Gamefile.txt"], cwd=game, capture_output=True, text=True)
            if lint.returncode != 0 or lint.stdout or lint.stderr:
                fail(line, f"tavi lint is not clean:\n{lint.stdout}{lint.stderr}")
            r = subprocess.run([tavi, "play", "Gamefile.txt", "--input", name, "--seed", "1"], cwd=game,
                               capture_output=True, text=True, env=dict(env, QT_QPA_PLATFORM="offscreen",
                                                                        SDL_AUDIODRIVER="dummy"))
            scenes = [l[len("scene: "):] for l in r.stdout.splitlines() if l.startswith("scene: ")]
            if r.returncode != 0 or not scenes or scenes[-1] != ending:
                fail(line, f"{name} should end in {ending}, ends in {scenes[-1] if scenes else 'nothing'}"
                     f" (exit {r.returncode}) {r.stderr.strip()[:300]}")
        else:
            fail(line, f"unknown example marker: {marker}")
    if played == 0:
        fail(0, "no walkthrough found")
    print(f"{played} walkthroughs played, {failures} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
