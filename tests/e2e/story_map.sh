#!/bin/sh
# The demo's story map.
#   story_map.sh findings TAVI DEMO_DIR OUT   tavi map's findings and the walkthroughs' coverage
#   story_map.sh chromium TAVI DEMO_DIR OUT   the page in headless Chromium: a click on a scene shows its text
# Exit 77 (skipped) when Chromium is not installed.
set -eu
mode=$1 tavi=$2 demo=$3 out=$4
rm -rf "$out"
mkdir -p "$out"

case "$mode" in
findings)
    "$tavi" map "$demo/Gamefile.txt" "$out/map" \
        --walkthrough "$demo/walkthrough.txt" "$demo/walkthrough-lose.txt" > "$out/got.txt"
    cat > "$out/want.txt" <<'WANT'
scenes: 15 in 2 files, edges: 31
first scene: Dusk
unreachable: none
undefined targets: none
no way out: Dawn (Gatehouse.txt), Fallen (Gatehouse.txt)
no exit: none
only through random links: Fog1, Fog2
scenes visited: 15 of 15 (100 %), edges: 22 of 31 (70 %)
WANT
    diff "$out/want.txt" "$out/got.txt"
    for f in map.dot map.svg index.html; do test -s "$out/map/$f"; done
    # The winning walkthrough alone never goes home, runs or falls.
    "$tavi" coverage "$demo/Gamefile.txt" "$demo/walkthrough.txt" > "$out/one.txt"
    printf '%s\n' "scenes visited: 12 of 15 (80 %), edges: 18 of 31 (58 %)" "not visited: Home" \
        "not visited: Run (Gatehouse.txt)" "not visited: Fallen (Gatehouse.txt)" \
        "not taken: Road -> Dusk" "not taken: Gate -> Dusk" "not taken: Gate -> Road" \
        "not taken: Gate -> Home" "not taken: Home -> Dusk" \
        "not taken: Courtyard (Gatehouse.txt) -> Run (Gatehouse.txt)" \
        "not taken: Fight (Gatehouse.txt) -> Flask (Gatehouse.txt)" \
        "not taken: Fight (Gatehouse.txt) -> Run (Gatehouse.txt)" \
        "not taken: Strike (Gatehouse.txt) -> Run (Gatehouse.txt)" \
        "not taken: Strike (Gatehouse.txt) -> Fallen (Gatehouse.txt)" \
        "not taken: Flask (Gatehouse.txt) -> Run (Gatehouse.txt)" \
        "not taken: Flask (Gatehouse.txt) -> Fallen (Gatehouse.txt)" \
        "not taken: Run (Gatehouse.txt) -> Fallen (Gatehouse.txt)" | diff - "$out/one.txt"
    # Warnings fail lint only with --strict.
    "$tavi" lint "$demo/Gamefile.txt" --strict
    printf '[Setup]\r\n@firstscene = A\r\n[A]\r\n@option1 = x\r\n@Link1 = A\r\n[B]\r\n' > "$out/shape.txt"
    "$tavi" lint "$out/shape.txt" > "$out/lint.txt"
    printf '%s\n' "$out/shape.txt:6: warning: no path from the first scene leads here" \
        "$out/shape.txt:3: warning: once here the story never leaves A" | diff - "$out/lint.txt"
    "$tavi" lint --format=json "$out/shape.txt" | grep -c '"code": "unreachable-scene"' | grep -qx 1
    if "$tavi" lint "$out/shape.txt" --strict > /dev/null; then echo "lint --strict passed warnings"; exit 1; fi
    ;;
chromium)
    chromium=$(command -v chromium || command -v chromium-browser || true)
    if [ -z "$chromium" ]; then
        echo "SKIPPED: Chromium is not installed (apt-get install chromium; .ci/run installs it)"
        exit 77
    fi
    "$tavi" map "$demo/Gamefile.txt" "$out/map" > /dev/null
    # "#scene=NAME" makes the page click that scene's node once it has loaded.
    timeout 120 "$chromium" --headless --no-sandbox --disable-gpu --disable-background-networking \
        --no-first-run --user-data-dir="$out/profile" --virtual-time-budget=3000 \
        --dump-dom "file://$out/map/index.html#scene=Cellar" > "$out/dom.html" 2> "$out/chromium.log" ||
        { cat "$out/chromium.log"; exit 1; }
    fail=0
    for want in '<g id="scene_4" class="node selected">' \
                '<h2 id="scene-name">Cellar</h2>' \
                '<div id="text">Under the trapdoor: a cellar of wet stone. Water drips somewhere in the dark.' \
                '<li>(a) Climb back up to the road → <a class="scene">Road</a></li>' \
                '<li>cellar.bmp</li>'; do
        grep -qF "$want" "$out/dom.html" || { echo "not in the page: $want"; fail=1; }
    done
    [ $fail = 0 ] || { echo "--- page:"; head -c 4000 "$out/dom.html"; exit 1; }
    ;;
esac
