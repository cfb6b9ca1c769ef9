#!/usr/bin/env bash
# Makes docs/screenshot.png: the player on the demo game, at the gate, on a
# virtual X server. Needs a build (./test or ./run) and xdotool.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
command -v xdotool >/dev/null || { echo "screenshot.sh needs xdotool (apt-get install xdotool)"; exit 1; }
mkdir -p docs
QT_QPA_PLATFORM= xvfb-run -a -s "-screen 0 280x500x24" sh -c '
  b=$1
  XDG_CONFIG_HOME=$(mktemp -d) XDG_DATA_HOME=$(mktemp -d) "$b/player/ui/parvel" games/demo/Gamefile.txt & p=$!
  for i in $(seq 100); do
    w=$(xdotool search --name "The Lantern Road" | head -1); [ -n "$w" ] && break; sleep 0.1
  done
  sleep 2                                   # the main loop starts after a second
  xdotool mousemove --window "$w" 120 220 click 1; sleep 1.5
  xdotool key --window "$w" a; sleep 1      # take the lantern: the road
  xdotool keydown --window "$w" Right; sleep 2.5; xdotool keyup --window "$w" Right
  sleep 1.5                                 # walked to the gate
  "$b/tests/ui/grab_screen" 0 docs/screenshot.png
  kill $p; wait $p || true' sh "$build"
echo "wrote docs/screenshot.png"
