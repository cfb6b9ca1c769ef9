#!/usr/bin/env bash
# Makes docs/story-map.png: the demo game's story map in headless Chromium,
# with the Gate scene chosen. Needs a build (./test or ./run) and chromium.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
command -v chromium >/dev/null || { echo "map-screenshot.sh needs chromium (apt-get install chromium)"; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$build/tools/tavi/tavi" map games/demo/Gamefile.txt "$out/map" \
    --walkthrough games/demo/walkthrough.txt > /dev/null
chromium --headless --no-sandbox --disable-gpu --disable-background-networking --no-first-run \
    --user-data-dir="$out/profile" --hide-scrollbars --window-size=1280,760 \
    --virtual-time-budget=3000 --screenshot="$PWD/docs/story-map.png" \
    "file://$out/map/index.html#scene=Gate" 2>/dev/null
echo "wrote docs/story-map.png"
