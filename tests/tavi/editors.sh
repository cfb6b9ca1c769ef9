#!/bin/sh
# The editor files with the editors themselves.
#   editors.sh kate SOURCE_DIR OUT          the KSyntaxHighlighting definition renders the demo
#   editors.sh vim SOURCE_DIR OUT           the Vim syntax and file-type detection load cleanly
#   editors.sh nvim SOURCE_DIR OUT TAVI     Neovim's LSP client shows a planted mistake
# Exit 77 (skipped) when the editor is not installed.
set -eu
mode=$1 src=$2 out=$3
demo=$src/games/demo
rm -rf "$out"
mkdir -p "$out"

case "$mode" in
kate)
    command -v kate-syntax-highlighter > /dev/null ||
        { echo "kate-syntax-highlighter not installed (libkf5syntaxhighlighting-tools): skipped"; exit 77; }
    mkdir -p "$out/data/org.kde.syntax-highlighting/syntax"
    cp "$src/data/editors/tavishow.xml" "$out/data/org.kde.syntax-highlighting/syntax/"
    export XDG_DATA_DIRS="$out/data:/usr/share" XDG_DATA_HOME="$out/home"
    # Found by its file name, and rendered without a complaint.
    kate-syntax-highlighter -f html -o "$out/demo.html" "$demo/Gamefile.txt" 2> "$out/err.txt"
    if [ -s "$out/err.txt" ]; then cat "$out/err.txt"; exit 1; fi
    grep -q 'Tavishow\|\[Setup\]' "$out/demo.html"
    # Headers, commands and values each get their own colour.
    kate-syntax-highlighter -s Tavishow -f ansi "$demo/Gamefile.txt" 2> "$out/err.txt" |
        grep -a '^.*\[Setup\]' | grep -q "$(printf '\033')"
    test ! -s "$out/err.txt"
    ;;
vim)
    command -v vim > /dev/null || { echo "vim not installed: skipped"; exit 77; }
    cp "$demo/Gatehouse.txt" "$out/part.txt"
    # An error while loading ends vim -es with a non-zero status; the checks cquit.
    cat > "$out/check.vim" <<VIM
set rtp^=$src/data/editors/vim
filetype on
syntax on
edit $demo/Gamefile.txt
if &filetype !=# 'tavishow' | cquit | endif
let s:names = map([[3, 2], [4, 2], [4, 17], [5, 15]], {_, p -> synIDattr(synID(p[0], p[1], 1), 'name')})
if s:names != ['tavishowHeader', 'tavishowSceneCommand', 'tavishowScene', 'tavishowValue'] | cquit | endif
edit $out/part.txt
if &filetype !=# 'tavishow' | cquit | endif
edit $src/README.md
if &filetype ==# 'tavishow' | cquit | endif
qa!
VIM
    vim -u NONE -i NONE -N -es -S "$out/check.vim"
    ;;
nvim)
    command -v nvim > /dev/null || { echo "nvim not installed (neovim): skipped"; exit 77; }
    cp -r "$demo" "$out/demo"
    game=$out/demo/Gamefile.txt
    sed -i 's/^@Link1 = Courtyard/@Link1 = Courtyrd/' "$game"
    line=$(grep -n '^@Link1 = Courtyrd' "$game" | cut -d: -f1)
    LSP_FILE=$game LSP_OUT=$out/got.txt TAVI=$4 HOME=$out XDG_CONFIG_HOME=$out/config \
        XDG_DATA_HOME=$out/data XDG_STATE_HOME=$out/state \
        timeout 60 nvim --headless -u NONE -i NONE -n -c "luafile $src/tests/tavi/nvim_lsp.lua"
    # The error; the story's shape changes too, which warnings (severity 2) tell.
    grep ' 1 ' "$out/got.txt" > "$out/errors.txt" || true
    echo "$((line - 1)):9 1 @Link1 names undefined scene 'Courtyrd'" | diff - "$out/errors.txt"
    ;;
esac
