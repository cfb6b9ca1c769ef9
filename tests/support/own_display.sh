#!/bin/sh
# own_display.sh SCREEN COMMAND [ARG]...
# Runs COMMAND on an X server of its own (Xvfb, SCREEN such as 400x600x24)
# and exits with its status. Xvfb picks a free display number itself and
# reports it through -displayfd once it accepts clients, so runs started at
# the same moment never race for a number (xvfb-run -a does).
screen=$1
shift
work=$(mktemp -d "${TMPDIR:-/tmp}/parvel-x-XXXXXX") || exit 1
xvfb=
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT
mkfifo "$work/display" || exit 1
# No -auth: only local clients of this user reach it; no TCP listener.
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$work/display" \
    >"$work/log" 2>&1 </dev/null &
xvfb=$!
# The fifo's read end ends when Xvfb writes the number, or at EOF if it dies.
read -r number <"$work/display"
if [ -z "$number" ]; then
    echo "own_display.sh: Xvfb did not start:" >&2
    cat "$work/log" >&2
    exit 1
fi
DISPLAY=:$number
export DISPLAY
unset XAUTHORITY
"$@"
exit $?
