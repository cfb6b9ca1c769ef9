// The command table: what each command takes and what `tavi help` says.

#include "Help.h"

#include <cctype>

namespace parvel::tavi {

namespace {

int cmdHelp(const Invocation&) { return 0; }  // main answers help itself

const OptionSpec kSeed{"--seed", "N",
                       "the random seed for every walkthrough (default: its \"# seed N\" line,\n"
                       "else 1); the same seed gives the same run"};

const std::vector<CommandSpec>& table() {
    static const std::vector<CommandSpec> commands = {
        {"scenes",
         "GAMEFILE",
         1,
         1,
         false,
         "list the scenes a game loads",
         "Prints one line per filled slot of the scene table: SLOT<TAB>NAME, slots\n"
         "counted from 1, names as the script's bytes.\n",
         {},
         cmdScenes},
        {"get",
         "GAMEFILE SCENE DIRECTIVE [SCENE DIRECTIVE]...",
         3,
         -1,
         true,
         "print what scene commands read",
         "Prints, for each SCENE DIRECTIVE pair, the value the player reads for\n"
         "DIRECTIVE (for example @description) in SCENE. All pairs read one scene\n"
         "table, so the current scene carries from pair to pair; \"\" as SCENE means\n"
         "the current scene. A read of an undefined scene prints an empty line and\n"
         "writes \"title: ERROR - SCENE NOT DEFINED!\" to stderr. Names typed as\n"
         "UTF-8 are matched as Windows-1252. Put \"--\" before a scene name that\n"
         "starts with \"-\".\n",
         {},
         cmdGet},
        {"digest",
         "FILE",
         1,
         1,
         false,
         "print a file's 8-character digest",
         "Prints the digest text that enciphered pictures carry for FILE.\n",
         {},
         cmdDigest},
        {"decipher",
         "FILE",
         1,
         1,
         false,
         "print the plain text of an enciphered script",
         "Writes the deciphered bytes of FILE (a GameFile.Cgm) to stdout, nothing\n"
         "added.\n",
         {},
         cmdDecipher},
        {"encipher",
         "GAMEDIR OUTDIR",
         2,
         2,
         false,
         "write the enciphered form of a game",
         "Writes into OUTDIR an enciphered copy of the game in GAMEDIR:\n"
         "GameFile.Cgm, pictures as .clP with the digest trailer, picture commands\n"
         "rewritten to .clP; other files are copied. Files chained with @nextGfile\n"
         "play as plain scripts, so they go along as plain text with the .bmp\n"
         "pictures they name. The copy is written beside OUTDIR and renamed into\n"
         "place when whole. OUTDIR must not be GAMEDIR (nor reach it through a\n"
         "link), and must be new, empty, or an earlier enciphered copy.\n",
         {},
         cmdEncipher},
        {"release",
         "GAMEDIR OUTDIR",
         2,
         -1,
         false,
         "write a checked enciphered copy of a game",
         "Writes the enciphered copy as encipher does, then lints it and plays\n"
         "each walkthrough on the game and on the copy. When the copy has lint\n"
         "errors, or shows other scenes or pictures (the files of picture steps are\n"
         "compared byte for byte), it says where and writes nothing into OUTDIR\n"
         "(exit status 1). A difference where an enciphered game plays otherwise\n"
         "by design (it takes the hot spots the walker passes and has no Ctrl; its\n"
         "picture checks draw random numbers, so random links fall otherwise) is\n"
         "named and allowed.\n",
         {{"--walkthrough", "FILE...", "tavi play inputs to play on both copies"}, kSeed},
         cmdRelease},
        {"unused",
         "GAMEFILE",
         1,
         1,
         false,
         "list files no scene uses",
         "Prints the pictures, then the sounds and music, in the game's folders\n"
         "that no scene of the game file names, one path per line.\n",
         {{"--all-files", nullptr, "count the names in every file the game chains to as well"}},
         cmdUnused},
        {"lint",
         "GAMEFILE",
         1,
         1,
         false,
         "report problems in a game",
         "Prints one finding per line, as compilers do: \"FILE:LINE: error: MESSAGE\"\n"
         "or \"FILE:LINE: warning: MESSAGE\" (\"FILE: error: MESSAGE\" where no line\n"
         "applies). FILE is the game file as given, or a file it chains to; LINE is\n"
         "the line of the scene command or of the scene's [header]. Errors: links to\n"
         "undefined scenes, missing files, LF-only line endings, more than 6 options,\n"
         "list overflows. Warnings: scenes no path reaches, parts of the story that\n"
         "can be entered but never left. Exit status 1 when there is an error (or,\n"
         "with --strict, a warning).\n",
         {{"--strict", nullptr, "warnings count as problems (exit status 1)"},
          {"--format", "FORMAT",
           "text (the default) or json: a JSON array of objects with file, line,\n"
           "column, severity, code and message"}},
         cmdLint},
        {"play",
         "GAMEFILE",
         1,
         1,
         false,
         "play a game headless from an input file",
         "Plays GAMEFILE without a window on a virtual clock, reading input\n"
         "commands from FILE, and prints what happens, one event per line.\n"
         "\n"
         "Input, one command per line (# starts a comment): open, click, option N,\n"
         "hover N (hover 0: the pointer leaves the window), key K, keydown K,\n"
         "keyup K (K a letter, left, right or ctrl), wait S (virtual seconds),\n"
         "menu sounds|music|errors|speed0|speed2|speed5, answer yes|no, snapshot,\n"
         "picture FILE (.png or .bmp), save NAME, load NAME,\n"
         "continue, back, history, restart, reload (the edited game, from the start\n"
         "of the scene playing), goto SCENE, points HERO ENEMY, and a game\n"
         "controller: pad B, paddown B, padup B (B a button: a, b, x, y,\n"
         "leftshoulder, rightshoulder, start, dpleft, dpright, dpup, dpdown, ...),\n"
         "padaxis AXIS VALUE (leftx, lefty, lefttrigger, righttrigger; -32768 to 32767).\n"
         "Output: scene:, title:, msgbox:, sound:, media:, saved:, loaded:, reloaded:,\n"
         "reload:, goto: lines, \"menu: NAME\n"
         "disabled\" for a speed chosen while the SpriteSpeed menu is greyed out,\n"
         "and a block of name: value lines for each snapshot. A line \"# seed N\" in\n"
         "FILE gives the seed when --seed is not given. A step that cannot act is a\n"
         "warning on stderr, \"FILE:LINE: warning: ...\". See tavi(1).\n",
         {{"--input", "FILE", "the input commands", true},
          kSeed,
          {"--saves", "DIR", "the folder of save slots (default: a private temporary one)"}},
         cmdPlay},
        {"map",
         "GAMEFILE OUTDIR",
         2,
         -1,
         false,
         "draw the story as a map",
         "Writes map.dot, map.svg and index.html (a self-contained page: click a\n"
         "scene for its text, options and pictures) into OUTDIR, and prints what the\n"
         "analysis finds: scenes no path reaches, links to undefined scenes, scenes\n"
         "with no way out, parts with no exit, scenes reached only by random links.\n",
         {{"--walkthrough", "FILE...", "play these tavi play inputs and mark what they visit"},
          kSeed},
         cmdMap},
        {"coverage",
         "GAMEFILE FILE...",
         2,
         -1,
         false,
         "show what walkthroughs visit",
         "Plays each FILE (a tavi play input) and prints \"scenes visited: N of M\n"
         "(P %), edges: ...\", then \"not visited: SCENE\" for the scenes and\n"
         "\"not taken: FROM -> TO\" for the ways no walkthrough took. A step that\n"
         "cannot act (an option the scene does not show, a walking key without a\n"
         "walking figure, a load of a missing save) is a warning on stderr,\n"
         "\"FILE:LINE: warning: ...\". Each walkthrough plays with the seed of its\n"
         "\"# seed N\" line, or 1; --seed sets one seed for all.\n",
         {kSeed},
         cmdCoverage},
        {"lsp",
         "",
         0,
         0,
         false,
         "run the language server for editors",
         "Serves the Language Server Protocol on stdin and stdout for an editor:\n"
         "lint findings as you type, go to a scene, find and rename a scene\n"
         "everywhere, completion of commands, scene and file names, hovers, the\n"
         "outline. Start it from the editor, not by hand. See tavi(1).\n",
         {},
         cmdLsp},
        {"help",
         "[COMMAND]",
         0,
         1,
         false,
         "show the list of commands, or the help of COMMAND",
         "Prints the list of commands, or the usage, description and options of\n"
         "COMMAND.\n",
         {},
         cmdHelp},
    };
    return commands;
}

std::string optionColumn(const OptionSpec& o) {
    std::string s = o.name;
    if (o.value) s += std::string(" ") + o.value;
    return s;
}

}  // namespace

std::span<const CommandSpec> commandTable() { return table(); }

const CommandSpec* findCommand(std::string_view name) {
    for (const auto& c : table())
        if (name == c.name) return &c;
    return nullptr;
}

std::string usageLine(const CommandSpec& c) {
    std::string s = std::string("tavi ") + c.name;
    if (*c.operands) s += std::string(" ") + c.operands;
    for (const auto& o : c.options)
        s += o.required ? " " + optionColumn(o) : " [" + optionColumn(o) + "]";
    return s;
}

std::string commandHelp(const CommandSpec& c) {
    std::string summary = c.summary;
    summary[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(summary[0])));
    std::string s = "Usage: " + usageLine(c) + "\n" + summary + ".\n\n" + c.text + "\nOptions:\n";
    auto row = [&s](const std::string& left, const std::string& help) {
        std::string pad = "  " + left;
        pad.resize(std::max<size_t>(pad.size() + 2, 22), ' ');
        std::string indented;
        for (char ch : help)
            indented += ch == '\n' ? "\n" + std::string(22, ' ') : std::string(1, ch);
        s += pad + indented + "\n";
    };
    for (const auto& o : c.options) row(optionColumn(o), o.help);
    row("-h, --help", "show this help and exit");
    row("--", "end of options: later arguments starting with \"-\" are names");
    return s;
}

std::string generalHelp() {
    std::string s =
        "Usage: tavi COMMAND [OPTION]... ARGS...\n"
        "Inspect, encipher, lint and replay Tavishow games without a window.\n"
        "\n"
        "Commands:\n";
    for (const auto& c : table()) {
        std::string usage = usageLine(c);
        s += "  " + usage.substr(5) + "\n      " + c.summary + "\n";
    }
    s += "\n"
         "Options:\n"
         "  -h, --help     show this help and exit\n"
         "      --version  show the version and exit\n"
         "\n"
         "Options may come before, between or after the operands, also as\n"
         "--option=value; \"--\" ends them. Output is the script's own bytes\n"
         "(Windows-1252) plus a line end; errors go to stderr. Exit status: 0 on\n"
         "success; 1 when the work fails, lint finds problems, the command is\n"
         "unknown or the operands do not fit; 2 on an unknown option or an option\n"
         "without its value. See tavi(1).\n";
    return s;
}

}  // namespace parvel::tavi
