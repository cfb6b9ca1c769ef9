#!/bin/sh
# own_desktop.sh COMMAND [ARG]...
# COMMAND on an X server of its own with a window manager (openbox), as a
# user's desktop has it: frames, title bars, focus handed back when a dialog
# closes. The screen is 1920x1080, or 1366x768 for tests whose name says
# At1366x768. Listing the tests needs no screen.
case " $* " in
*" --gtest_list_tests "*) exec "$@" ;;
*At1366x768*) screen=1366x768x24 ;;
*) screen=1920x1080x24 ;;
esac
command -v openbox >/dev/null 2>&1 || { echo "own_desktop.sh: openbox is not installed" >&2; exit 1; }
here=$(dirname "$0")
work=$(mktemp -d "${TMPDIR:-/tmp}/parvel-desk-XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
export QT_QPA_PLATFORM=xcb
sh "$here/own_display.sh" "$screen" sh -c '
    openbox --sm-disable --startup "touch $0/ready" >"$0/openbox.log" 2>&1 &
    wm=$!
    for i in $(seq 100); do [ -e "$0/ready" ] && break; sleep 0.05; done
    [ -e "$0/ready" ] || { echo "own_desktop.sh: openbox did not start" >&2; cat "$0/openbox.log" >&2; exit 1; }
    "$@"; rc=$?
    kill $wm 2>/dev/null; wait $wm 2>/dev/null
    exit $rc' "$work" "$@"
