#!/usr/bin/env bash
# Installs the build into a temporary prefix and runs what a user of the
# installed programs would, away from the source and build trees:
#   install_test.sh BUILD_DIR SOURCE_DIR PROJECT_VERSION
set -uo pipefail
build=$1 src=$2 version=$3
prefix=$(mktemp -d /tmp/parvel-install-XXXXXX)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect CODE OUT_PATTERN COMMAND...: exit code and the first line of stdout.
expect() {
    local code=$1 pattern=$2; shift 2
    local out rc
    out=$("$@" 2>"$prefix/stderr"); rc=$?
    [ "$rc" = "$code" ] || fail "$* exited $rc, not $code: $(cat "$prefix/stderr")"
    [[ "$(head -n1 <<<"$out")" == $pattern ]] || fail "$* printed '$(head -n1 <<<"$out")', not '$pattern'"
}

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
cd "$prefix"
for f in bin/parvel bin/tavi bin/spotter share/parvel/blk.bmp share/parvel/tavicast.bmp \
         share/parvel/games/demo/Gamefile.txt share/parvel/games/demo/pics/road.bmp \
         share/parvel/games/demo-enciphered/GameFile.Cgm \
         share/applications/org.parvel.Parvel.desktop share/applications/org.parvel.Spotter.desktop \
         share/metainfo/org.parvel.Parvel.metainfo.xml \
         share/icons/hicolor/scalable/apps/org.parvel.Parvel.svg \
         share/icons/hicolor/48x48/apps/org.parvel.Parvel.png \
         share/icons/hicolor/256x256/apps/org.parvel.Spotter.png \
         share/man/man6/parvel.6.gz share/man/man1/tavi.1.gz share/man/man1/spotter.1.gz \
         share/man/man5/tavishow.5.gz share/doc/parvel/writing-games.md \
         share/bash-completion/completions/tavi share/doc/parvel/copyright \
         share/org.kde.syntax-highlighting/syntax/tavishow.xml share/vim/vimfiles/syntax/tavishow.vim \
         share/nvim/site/ftdetect/tavishow.vim; do
    [ -e "$f" ] || fail "$f is not installed"
done

# --help and --version need no display; usage errors exit 2.
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
expect 0 "parvel $version*" "${nodisplay[@]}" bin/parvel --version
expect 0 "Usage: parvel *" "${nodisplay[@]}" bin/parvel --help
expect 2 "" "${nodisplay[@]}" bin/parvel --no-such-option
expect 2 "" "${nodisplay[@]}" bin/parvel a b
expect 0 "spotter $version*" "${nodisplay[@]}" bin/spotter --version
expect 0 "Usage: spotter*" "${nodisplay[@]}" bin/spotter -h
expect 2 "" "${nodisplay[@]}" bin/spotter --no-such-option
expect 0 "tavi $version*" bin/tavi --version
expect 0 "Usage: tavi COMMAND*" bin/tavi --help
expect 0 "Usage: tavi play GAMEFILE*" bin/tavi help play
expect 0 "Usage: tavi lint GAMEFILE*" bin/tavi lint --help
expect 2 "" bin/tavi --no-such-option
grep -q "^tavi: unrecognized option '--no-such-option'" stderr || fail "no word on the unknown option"
expect 1 "" bin/tavi no-such-command
expect 2 "" bin/tavi scenes --no-such-option x
expect 1 "" bin/tavi scenes /nonexistent/Gamefile.txt

# The installed demo plays its walkthrough as the one in the source tree,
# with the installed program pictures.
demo=$prefix/share/parvel/games/demo
expect 0 "" bin/tavi lint $demo/Gamefile.txt
bin/tavi play $demo/Gamefile.txt --input $demo/walkthrough.txt --seed 1 >installed.out 2>&1 ||
    fail "tavi play on the installed demo"
"$build/tools/tavi/tavi" play "$src/games/demo/Gamefile.txt" --input "$src/games/demo/walkthrough.txt" \
    --seed 1 2>&1 | sed "s|$src/games/demo|$demo|g" >source.out
[ -s installed.out ] && grep -q "^scene: " installed.out || fail "tavi play printed no scenes"
diff -u source.out installed.out >/dev/null || fail "the installed demo plays differently: $(diff source.out installed.out | head -5)"

if command -v man >/dev/null; then
    for page in share/man/man6/parvel.6.gz share/man/man1/tavi.1.gz share/man/man1/spotter.1.gz; do
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "man $page: $warnings"
        LC_ALL=C.UTF-8 man -l "$page" 2>/dev/null | grep -q "EXIT STATUS" || fail "man $page shows no EXIT STATUS"
    done
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l share/man/man5/tavishow.5.gz 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man tavishow.5: $warnings"
else
    echo "man is not installed: the man pages are not checked"
fi

[ "$failures" = 0 ] && echo "installed programs work"
exit $((failures > 0))
