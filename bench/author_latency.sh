#!/usr/bin/env bash
# Author mode's save-to-visible latency: the real window under Xvfb plays a
# generated game with --author; the scene's @description is rewritten
# EDITS times (default 20; in place, every other one by rename) and each
# time the state file (PARVEL_STATE_FILE, asked for with SIGUSR1 every
# 10 ms) is read until the new text is in the window's label. Prints the
# median and the slowest, in milliseconds (see bench/README.md).
#   bench/author_latency.sh [BUILD_DIR]     (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
parvel=$PWD/$build/player/ui/parvel
[ -x "$parvel" ] || { echo "no $parvel; build it first" >&2; exit 1; }
for t in Xvfb xdotool python3; do command -v $t >/dev/null || { echo "needs $t" >&2; exit 1; }; done
edits=${EDITS:-20}
work=$(mktemp -d /tmp/parvel-author-latency-XXXXXX)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
mkdir -p "$work/game" "$work/bin" "$work/home"
ln -f "$parvel" "$work/bin/" 2>/dev/null || cp "$parvel" "$work/bin/"
for f in tavicast.bmp blk.bmp; do cp "$(dirname "$parvel")/$f" "$work/bin/" 2>/dev/null || true; done

cat > "$work/drive.sh" <<'SH'
set -eu
game="$W/game/Gamefile.txt"
write() {  # the game with description $1; $2 = rename to save by rename
    printf '[Setup]\r\n@firstscene = Room\r\n\r\n[Title]\r\n@name = Latency\r\n\r\n[Room]\r\n@description = %s\r\n@option1 = Stay\r\n@Link1 = Room\r\n' "$1" > "$W/next"
    if [ "$2" = rename ]; then mv "$W/next" "$game"; else cat "$W/next" > "$game"; fi
}
write "Edit 0" inplace
export PARVEL_STATE_FILE="$W/state.txt"
"$W/bin/parvel" --author --scene Room "$game" >/dev/null 2>"$W/parvel.log" & p=$!
shows() { kill -USR1 $p; for _ in 1 2 3 4 5; do sleep 0.002; grep -qx "text: $1" "$W/state.txt" 2>/dev/null && return 0; done; return 1; }
# SIGUSR1 is held only once the program runs: none before its window shows.
for _ in $(seq 300); do xdotool search --pid $p >/dev/null 2>&1 && break; sleep 0.05; done
for _ in $(seq 300); do shows "Edit 0" && break; sleep 0.1; done
sleep 1
for i in $(seq 1 "$N"); do
    how=inplace; [ $((i % 2)) = 0 ] && how=rename
    t0=$(date +%s%N)
    write "Edit $i" $how
    for _ in $(seq 2000); do shows "Edit $i" && break; sleep 0.01; done
    t1=$(date +%s%N)
    echo "$(( (t1 - t0) / 1000000 ))"
    sleep 0.3
done
kill $p; wait $p || true
SH
HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data SDL_AUDIODRIVER=dummy \
    QT_QPA_PLATFORM= W=$work N=$edits \
    sh tests/support/own_display.sh 400x600x24 sh "$work/drive.sh" > "$work/times.txt"
python3 - "$work/times.txt" <<'PY'
import statistics, sys
t = [int(l) for l in open(sys.argv[1]) if l.strip().isdigit()]
print(f"author.save_to_visible_edits: {len(t)}")
print(f"author.save_to_visible_median_ms: {statistics.median(t):.0f}")
print(f"author.save_to_visible_max_ms: {max(t)}")
PY
