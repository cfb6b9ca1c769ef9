#!/usr/bin/env bash
# Start-up time, memory and CPU of the real player window under Xvfb, read
# from /proc. Prints one "name: value" line per figure, the median of REPEAT
# runs (default 5; see bench/README.md).
#   scripts/measure.sh [BUILD_DIR]     (default build-hard; needs parvel built)
# Needs xvfb-run, xdotool and xwininfo. CPU is sampled over SAMPLE seconds
# (default 10). RUNS picks the runs (default "empty big anim demo bare";
# "author" is the demo in author mode;
# "bare" is the reference Qt window, bench/bare_window.cpp, when built; a
# run name ending in "_2x", e.g. "demo_2x", runs the player at zoom 2).
# Also: the shared objects mapped at the title screen and the threads then
# running, and the time each media module takes to load on first use.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-hard}
parvel=$PWD/$build/player/ui/parvel
[ -x "$parvel" ] || { echo "no $parvel; build it first" >&2; exit 1; }
for t in xvfb-run xdotool xwininfo python3; do
    command -v $t >/dev/null || { echo "measure.sh needs $t" >&2; exit 1; }
done
export SAMPLE=${SAMPLE:-10}
repeat=${REPEAT:-5}
runs=${RUNS:-empty big anim demo bare}
bare=$PWD/$build/bench/bare_window

work=$(mktemp -d /tmp/parvel-measure-XXXXXX)
trap 'rm -rf "$work"' EXIT

# Our own games: three animated layers at FAST, a ring of scenes for the
# scene-change run, and the 700-scene 2 MiB game.
python3 - "$work" <<'PY'
import os, struct, sys
root = sys.argv[1]

def bmp(path, w, h, rgb):
    row = (w * 3 + 3) // 4 * 4
    px = bytes([rgb & 255, (rgb >> 8) & 255, rgb >> 16]) * w + b"\0" * (row - w * 3)
    data = px * h
    head = b"BM" + struct.pack("<IHHI", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(head + info + data)

def crlf(s):
    return s.replace("\n", "\r\n").encode("latin-1")

g = os.path.join(root, "anim")
os.makedirs(os.path.join(g, "pics"))
for i, c in enumerate([0xC00000, 0x00C000, 0x0000C0, 0xC0C000]):
    bmp(os.path.join(g, "pics", "bg%d.bmp" % i), 280, 200, c)
    bmp(os.path.join(g, "pics", "l%d.bmp" % i), 40 + 8 * i, 40, 0x102030 * (i + 1))
    bmp(os.path.join(g, "pics", "m%d.bmp" % i), 24, 24 + 6 * i, 0x302010 * (i + 1))
scene = ("@anim = bg0.bmp, bg1.bmp, bg2.bmp, bg3.bmp\n@animLoop = FOREVER\n@animspeed = FAST\n"
         "@layeranim = l0.bmp, l1.bmp, l2.bmp, l3.bmp\n@layerloop = FOREVER\n@layerspeed = FAST\n"
         "@layeranim2 = m0.bmp, m1.bmp, m2.bmp, m3.bmp\n@layerloop2 = FOREVER\n@layerspeed2 = FAST\n")
text = ("[Setup]\n@firstscene = S1\n@imagedir = pics\n\n[Title]\n@name = Measure\n\n")
for i in range(1, 11):
    text += ("[S%d]\n@description = Scene %d\n%s@option1 = Next\n@link1 = S%d\n\n"
             % (i, i, scene, i % 10 + 1))
with open(os.path.join(g, "Gamefile.txt"), "wb") as f:
    f.write(crlf(text))

b = os.path.join(root, "big")
os.makedirs(b)
scenes, size = 700, 2 * 1024 * 1024
out = "[Setup]\n@firstscene = Scene1\n@imagedir = pics\n\n[Title]\n@name = Big Game\n\n"
per = size // scenes
for i in range(1, scenes - 1):
    s = "[Scene%d]\n@image = room%d.bmp\n" % (i, i % 37)
    for o in range(1, 7):
        s += "@option%d = Go to place %d\n@link%d = Scene%d\n" % (o, o, o, (i * 7 + o) % (scenes - 2) + 1)
    s += "@description = "
    while len(s) + 40 < per:
        s += "The wind moves over the old stones. "
    out += s + "\n\n"
with open(os.path.join(b, "Gamefile.txt"), "wb") as f:
    f.write(crlf(out))
PY

demo=games/demo/Gamefile.txt
[ -f games/demo/pics/dusk1.bmp ] || demo=""

cat > "$work/one.sh" <<'SH'
# Runs inside Xvfb: one player, one game; prints figures.
set -u
parvel=$1 game=$2 what=$3 work=$4
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data SDL_AUDIODRIVER=dummy
# The media layer logs each module it loads, with the time that took.
export QT_LOGGING_RULES="parvel.media.debug=true"
export PARVEL_STATE_FILE=$work/state.txt
mkdir -p "$HOME"
tck=$(getconf CLK_TCK)
ms() { echo $(( $(date +%s%N) / 1000000 )); }
rss() { awk '/^VmRSS/ {print int($2/1024)}' /proc/$pid/status; }
cpu() { awk '{print $14 + $15}' /proc/$pid/stat; }
scene() {  # the scene the window shows, from its state file
    rm -f "$PARVEL_STATE_FILE"; kill -USR1 $pid
    for _ in $(seq 1 50); do [ -s "$PARVEL_STATE_FILE" ] && break; sleep 0.1; done
    sed -n 's/^scene: //p' "$PARVEL_STATE_FILE" 2>/dev/null | head -1
}
busy() {  # % of one core over SAMPLE seconds
    local a b; a=$(cpu); sleep "$SAMPLE"; b=$(cpu)
    awk -v d=$((b - a)) -v t="$tck" -v s="$SAMPLE" 'BEGIN {printf "%.2f", 100 * d / t / s}'
}
zoom=()
case $what in
    bare) ;;
    *_2x) zoom=(--zoom=2) ;;
    author) zoom=(--zoom=1 --author) ;;  # author mode on: its watch idles too
    *) zoom=(--zoom=1) ;;  # never the zoom a first start picks for the screen
esac
t0=$(ms)
"$parvel" "${zoom[@]}" ${game:+"$game"} >/dev/null 2>"$work/$what.log" &
pid=$!
win=""
for _ in $(seq 1 1000); do
    win=$(xdotool search --onlyvisible --pid $pid 2>/dev/null | head -1 || true)
    [ -n "$win" ] && break
    sleep 0.01
done
t1=$(ms)
echo "$what.window_shown_ms: $((t1 - t0))"
sleep 3
echo "$what.title_rss_mib: $(rss)"
maps() { awk '$6 ~ /\.so/ {print $6}' /proc/$pid/maps | sort -u; }
echo "$what.title_shared_objects: $(maps | wc -l)"
echo "$what.title_ffmpeg_fluidsynth_network_mapped: $(maps | grep -c -E 'libavcodec|libfluidsynth|libQt6Network')"
echo "$what.title_threads: $(ls /proc/$pid/task | wc -l)"
echo "$what.title_audio_threads: $(cat /proc/$pid/task/*/comm | grep -c SDLAudio)"
echo "$what.title_idle_cpu_percent: $(busy)"
if [ "${what%_2x}" = anim ] || [ "${what%_2x}" = demo ]; then
    eval "$(xdotool getwindowgeometry --shell "$win")"
    xdotool mousemove --window "$win" $((WIDTH / 2)) 120 click 1
    sleep 3
    echo "$what.scene: $(scene)"
    echo "$what.scene_rss_mib: $(rss)"
    echo "$what.scene_cpu_percent: $(busy)"
    sed -n 's/.*loaded .*\(libparvel_[a-z]*\)\.so in \([0-9]*\) us.*/'"$what"'.\1_load_ms: \2/p' \
        "$work/$what.log" | awk -F': ' '{printf "%s: %.1f\n", $1, $2 / 1000}'
fi
if [ "$what" = anim ]; then
    before=$(rss)
    # 1,000 scene changes: option 1 by its key, 30 a second.
    xdotool key --window "$win" --repeat 1000 --delay 30 a
    sleep 2
    echo "$what.rss_before_1000_scenes_mib: $before"
    echo "$what.rss_after_1000_scenes_mib: $(rss)"
    echo "$what.scene_after_1000_changes: $(scene)"  # S1 again: 1,000 is a multiple of the ring of 10
    echo "$what.rss_peak_mib: $(awk '/^VmHWM/ {print int($2/1024)}' /proc/$pid/status)"
fi
kill $pid
for _ in $(seq 1 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
kill -0 $pid 2>/dev/null && { echo "$what.note: parvel ignored SIGTERM"; kill -9 $pid; }
wait $pid 2>/dev/null || true
SH

run() { xvfb-run -a -s "-screen 0 1280x1100x24" bash "$work/one.sh" "$@" "$work"; }
for i in $(seq 1 "$repeat"); do
    for r in $runs; do
        case $r in
            empty | empty_2x) run "$parvel" "" "$r" ;;
            big) run "$parvel" "$work/big/Gamefile.txt" big ;;
            anim | anim_2x) run "$parvel" "$work/anim/Gamefile.txt" "$r" ;;
            demo | demo_2x | author) [ -n "$demo" ] && run "$parvel" "$PWD/$demo" "$r" ;;
            bare) [ -x "$bare" ] && run "$bare" "" bare ;;
        esac
    done
    # Each module's load on its own, in a fresh process: wall and CPU ms.
    if [ -x "$PWD/$build/bench/module_load" ]; then
        "$PWD/$build/bench/module_load" "$PWD/$build"/lib/parvel/*.so |
            awk -F'[: ]+' '{print "module." $1 "_load_ms: " $2; print "module." $1 "_load_cpu_ms: " $3}'
    fi
    # The video module, on the headless tool: the demo's walk-through opens
    # its clip.
    tavi=$PWD/$build/tools/tavi/tavi
    if [ -n "$demo" ] && [ -x "$tavi" ]; then
        QT_LOGGING_RULES="parvel.media.debug=true" "$tavi" play "$demo" \
            --input games/demo/walkthrough.txt --seed 1 2>&1 >/dev/null |
            sed -n 's/.*loaded .*\(libparvel_[a-z]*\)\.so in \([0-9]*\) us.*/tavi.\1_load_ms: \2/p' |
            awk -F': ' '{printf "%s: %.1f\n", $1, $2 / 1000}'
    fi
done > "$work/figures.txt"

# Medians of numbers; other values as last seen.
python3 - "$work/figures.txt" <<'PY'
import statistics, sys
seen = {}
for line in open(sys.argv[1]):
    name, _, value = line.rstrip("\n").partition(": ")
    seen.setdefault(name, []).append(value)
for name, values in seen.items():
    try:
        nums = [float(v) for v in values]
        m = statistics.median(nums)
        text = ("%d" % m) if m == int(m) and all(float(v).is_integer() for v in values) else "%.2f" % m
        print("%s: %s  (%s)" % (name, text, " ".join(values)) if len(values) > 1 else "%s: %s" % (name, text))
    except ValueError:
        print("%s: %s" % (name, values[-1]))
PY
exit 0
