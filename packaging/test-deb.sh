#!/usr/bin/env bash
# Runs the programs of a built parvel .deb.
#   test-deb.sh DEB            unpacked with dpkg -x into a temporary folder;
#                              apt checks that its dependencies resolve here
#   test-deb.sh --install DEB  installed with apt-get, run from /usr/bin, then
#                              removed (needs root: for throwaway machines)
set -euo pipefail
install=no
[ "${1:-}" = --install ] && { install=yes; shift; }
deb=$(realpath "$1")

if [ "$install" = yes ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
    root=/usr
else
    apt-get install --simulate -qq "$deb" >/dev/null
    work=$(mktemp -d /tmp/parvel-deb-XXXXXX)
    trap 'rm -rf "$work"' EXIT
    dpkg -x "$deb" "$work"
    root=$work/usr
fi

export LC_ALL=C.UTF-8
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
"${nodisplay[@]}" "$root/bin/parvel" --version
"${nodisplay[@]}" "$root/bin/spotter" --version
"$root/bin/tavi" --help | head -n1
demo=$root/share/parvel/games/demo
out=$("$root/bin/tavi" play "$demo/Gamefile.txt" --input "$demo/walkthrough.txt" --seed 1)
echo "tavi play on the demo: $(grep -c '^scene: ' <<<"$out") scenes, last $(grep '^scene: ' <<<"$out" | tail -n1)"
for page in "$root"/share/man/man6/parvel.6.gz "$root"/share/man/man1/{tavi,spotter}.1.gz \
            "$root"/share/man/man5/tavishow.5.gz; do
    warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || { echo "man $page: $warnings"; exit 1; }
done
echo "man pages: clean"
[ -s "$root/share/doc/parvel/writing-games.md" ] || { echo "the authors' guide is missing"; exit 1; }
for f in org.kde.syntax-highlighting/syntax/tavishow.xml vim/vimfiles/syntax/tavishow.vim \
         vim/vimfiles/ftdetect/tavishow.vim nvim/site/syntax/tavishow.vim nvim/site/ftdetect/tavishow.vim; do
    [ -s "$root/share/$f" ] || { echo "the editor file $f is missing"; exit 1; }
done
# The language server answers initialize and shutdown, and ends on exit.
lsp_message() { printf 'Content-Length: %d\r\n\r\n%s' "${#1}" "$1"; }
reply=$({ lsp_message '{"jsonrpc":"2.0","id":1,"method":"initialize","params":{}}'
          lsp_message '{"jsonrpc":"2.0","id":2,"method":"shutdown"}'
          lsp_message '{"jsonrpc":"2.0","method":"exit"}'; } | "$root/bin/tavi" lsp)
[[ $reply == *'"capabilities"'* ]] || { echo "tavi lsp does not answer"; exit 1; }

if [ "$install" = yes ]; then
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq parvel >/dev/null
fi
