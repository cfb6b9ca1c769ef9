// What `tavi help COMMAND` says, and the options each command takes. A
// command missing here still works; its help is then its usage line.

#include "Help.h"

namespace parvel::tavi {

namespace {

const CommandHelp kHelp[] = {
    {"scenes", "list the scenes a game loads",
     "Prints one line per filled slot of the scene table: SLOT<TAB>NAME, slots\n"
     "counted from 1, names as the script's bytes.\n",
     {}},
    {"get", "print what scene commands read",
     "Prints, for each SCENE DIRECTIVE pair, the value the player reads for\n"
     "DIRECTIVE (for example @description) in SCENE. All pairs read one scene\n"
     "table, so the current scene carries from pair to pair; \"\" as SCENE means\n"
     "the current scene. A read of an undefined scene prints an empty line and\n"
     "writes \"title: ERROR - SCENE NOT DEFINED!\" to stderr. Names typed as\n"
     "UTF-8 are matched as Windows-1252.\n",
     {}},
    {"digest", "print a file's 8-character digest",
     "Prints the digest text that enciphered pictures carry for FILE.\n", {}},
    {"decipher", "print the plain text of an enciphered script",
     "Writes the deciphered bytes of FILE (a GameFile.Cgm) to stdout, nothing\n"
     "added.\n",
     {}},
    {"encipher", "write the enciphered form of a game",
     "Writes into OUTDIR an enciphered copy of the game in GAMEDIR:\n"
     "GameFile.Cgm, pictures as .clP with the digest trailer, picture commands\n"
     "rewritten to .clP; other files are copied.\n",
     {}},
    {"unused", "list files no scene uses",
     "Prints the pictures, then the sounds and music, in the game's folders\n"
     "that no scene names, one path per line.\n",
     {}},
    {"lint", "report problems in a game",
     "Prints one problem per line, \"SCENE: message\": links to undefined\n"
     "scenes, missing files, LF-only line endings, more than 6 options, list\n"
     "overflows. Exit status 1 when there is any. Warnings, \"SCENE: warning:\n"
     "message\", name scenes no path reaches and parts of the story that can be\n"
     "entered but never left; they do not change the exit status.\n"
     "\n"
     "  --strict  warnings count as problems (exit status 1)\n",
     {},
     {"--strict"}},
    {"play", "play a game headless from an input file",
     "Plays GAMEFILE without a window on a virtual clock, reading input\n"
     "commands from FILE, and prints what happens, one event per line.\n"
     "\n"
     "  --input FILE  the input commands (required)\n"
     "  --seed N      the random seed (default 1); the same seed gives the same run\n"
     "  --saves DIR   the folder of save slots (default: a private temporary one)\n"
     "\n"
     "Input, one command per line (# starts a comment): open, click, option N,\n"
     "hover N, key K, keydown K, keyup K (K a letter, left, right or ctrl),\n"
     "wait S (virtual seconds), menu sounds|music|errors|speed0|speed2|speed5,\n"
     "answer yes|no, snapshot, picture FILE (.png or .bmp), save NAME, load NAME,\n"
     "continue, back, history, restart, reload (the edited game, from the start\n"
     "of the scene playing), goto SCENE, points HERO ENEMY, and a game\n"
     "controller: pad B, paddown B, padup B (B a button: a, b, x, y,\n"
     "leftshoulder, rightshoulder, start, dpleft, dpright, dpup, dpdown, ...),\n"
     "padaxis AXIS VALUE (leftx, lefty, lefttrigger, righttrigger; -32768 to 32767).\n"
     "Output: scene:, title:, msgbox:, sound:, media:, saved:, loaded:, reloaded:,\n"
     "reload:, goto: lines, \"menu: NAME\n"
     "disabled\" for a speed chosen while the SpriteSpeed menu is greyed out,\n"
     "and a block of name: value lines for each snapshot. See tavi(1).\n",
     {"--input", "--seed", "--saves"}},
    {"map", "draw the story as a map",
     "Writes map.dot, map.svg and index.html (a self-contained page: click a\n"
     "scene for its text, options and pictures) into OUTDIR, and prints what the\n"
     "analysis finds: scenes no path reaches, links to undefined scenes, scenes\n"
     "with no way out, parts with no exit, scenes reached only by random links.\n"
     "\n"
     "  --walkthrough FILE...  play these tavi play inputs and mark what they visit\n"
     "  --seed N               the random seed for the walkthroughs (default 1)\n",
     {"--seed"},
     {"--walkthrough"}},
    {"coverage", "show what walkthroughs visit",
     "Plays each FILE (a tavi play input) and prints \"scenes visited: N of M\n"
     "(P %), edges: ...\", then the scenes no walkthrough reaches.\n"
     "\n"
     "  --seed N  the random seed (default 1)\n",
     {"--seed"}},
    {"lsp", "run the language server for editors",
     "Serves the Language Server Protocol on stdin and stdout for an editor:\n"
     "lint findings as you type, go to a scene, find and rename a scene\n"
     "everywhere, completion of commands, scene and file names, hovers, the\n"
     "outline. Start it from the editor, not by hand. See tavi(1).\n",
     {}},
};

}  // namespace

const CommandHelp* findHelp(std::string_view name) {
    for (const auto& h : kHelp)
        if (name == h.name) return &h;
    return nullptr;
}

}  // namespace parvel::tavi
