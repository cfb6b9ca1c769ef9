#!/usr/bin/env bash
# tavi map on games made to blow the map up: 500 scenes whose six options
# are random links to any of the 500 ((S)500), the same with one option,
# six options with a prefix of each scene's own ((P<n>)500, no such
# scenes), and three scenes whose names are 8 MiB long. Prints the wall
# time, peak resident size, exit status and bytes written of each
# (see bench/README.md).
#   bench/map_bounds.sh [BUILD_DIR]     (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
tavi=$PWD/$build/tools/tavi/tavi
[ -x "$tavi" ] || { echo "no $tavi; build it first" >&2; exit 1; }
work=$(mktemp -d /tmp/parvel-map-bounds-XXXXXX)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT

# CASE OPTIONS PREFIX (PREFIX "-" names each scene's own)
random_game() {
    mkdir -p "$work/$1"
    {
        printf '[Setup]\r\n@firstscene = S1\r\n[Title]\r\n@name = Random\r\n'
        for i in $(seq 1 500); do
            local p=$3
            [ "$p" = - ] && p=P$i
            printf '[S%d]\r\n@description = Scene %d\r\n@randomLink = (%s)500\r\n' "$i" "$i" "$p"
            for k in $(seq 1 "$2"); do printf '@option%d = Go %d\r\n@Link%d = RANDOM\r\n' "$k" "$k" "$k"; done
        done
    } > "$work/$1/Gamefile.txt"
}
random_game six 6 S
random_game one 1 S
random_game distinct 6 -
mkdir -p "$work/names"
big=$(head -c $((8 << 20)) /dev/zero | tr '\0' N)
printf '[Setup]\r\n@firstscene = %sA\r\n[%sA]\r\n@option1 = On\r\n@Link1 = %sB\r\n[%sB]\r\n@option1 = Back\r\n@Link1 = %sA\r\n' \
    "$big" "$big" "$big" "$big" "$big" > "$work/names/Gamefile.txt"
unset big

for c in six one distinct names; do
    set +e
    /usr/bin/time -f '%e %M %x' -o "$work/$c.time" "$tavi" map "$work/$c/Gamefile.txt" "$work/$c/map" \
        > /dev/null 2> "$work/$c.err"
    set -e
    read -r secs kb rc < <(tail -1 "$work/$c.time")
    printf '%-9s %6.2f s %5d MiB exit %s, %s bytes written\n' "$c" "$secs" $((kb / 1024)) "$rc" \
        "$(du -sb "$work/$c/map" 2>/dev/null | cut -f1)"
done
