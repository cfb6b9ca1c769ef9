#include "GameSetup.h"
#include "Integrity.h"
#include "Paths.h"
#include "SceneTable.h"
#include "TextCodec.h"
#include "Vb.h"

namespace parvel {

using namespace vb;

std::optional<Colour> parseSetupColour(std::string_view text) {
    const std::string_view v = Trim(text);
    if (!v.empty() && (v[0] == 'H' || v[0] == 'h')) {
        // The rest is the colour number; a rest that is no number is black.
        auto n = CLng(v.substr(1));
        return n ? static_cast<Colour>(*n) : 0;
    }
    int rgb[3];
    for (int g = 0; g < 3; ++g) {
        auto part = Mid(v, 1 + 3 * g, 3);
        auto n = part ? CInt(*part) : std::nullopt;
        if (!n || *n < 0) return std::nullopt;
        rgb[g] = std::min<int>(*n, 255);
    }
    return static_cast<Colour>(rgb[0] | (rgb[1] << 8) | (rgb[2] << 16));
}

std::string gameFolderOf(std::string_view path) { return folderOf(path); }

void ApplySetup(Host& host, SceneTable& table, GameSetup& setup, const std::string& path) {
    const std::string folder = gameFolderOf(path);

    auto read = [&](std::string_view d) { return std::string(Trim(table.GetDirective("Setup", d))); };
    const std::string musicDir = read("@musicdir");
    const std::string imageDir = read("@imagedir");
    const std::string soundDir = read("@sounddir");
    const std::string bkColor = read("@bkColor");
    const std::string fntColor = read("@fntColor");
    const std::string bkPic = read("@bkPic");
    const std::string msOverColor = read("@msOverColor");
    std::string fntSize = read("@fntSize");
    std::string font = read("@font");
    if (font.empty()) font = "MS Sans Serif";
    if (fntSize.empty()) fntSize = "8";

    // An empty colour takes its default; a malformed one changes nothing.
    auto colour = [](const std::string& text, Colour fallback) -> std::optional<Colour> {
        return text.empty() ? std::optional<Colour>(fallback) : parseSetupColour(text);
    };
    const auto back = colour(bkColor, 0);
    const auto fore = colour(fntColor, kDefaultTextColour);
    const auto over = colour(msOverColor, kDefaultMouseOverColour);
    if (back) setup.backColour = *back;
    if (fore) setup.textColour = *fore;
    if (over) setup.mouseOverColour = *over;

    if (!bkPic.empty()) {
        host.setWindowPicture(resolvePath(folder + cp1252ToUtf8(bkPic)));
    } else if (back && *back == 0) {
        // Black games replace the previous game's background picture.
        if (auto blk = findProgramFile("blk.bmp"); !blk.empty()) host.setWindowPicture(blk);
    }
    if (back) host.setWindowBackground(*back);

    for (int c = static_cast<int>(Control::Label2); c <= static_cast<int>(Control::Label8); ++c)
        if (fore) host.setForeColour(static_cast<Control>(c), *fore);
    if (auto size = CDbl(fntSize); size && *size > 0) host.setLabelFont(font, *size);

    // Folders become file names here, so they leave the script's code page.
    // An empty folder is the game folder itself.
    auto inFolder = [&](const std::string& dir) {
        const std::string native = cp1252ToUtf8(dir) + "\\";
        return !dir.empty() && isAbsoluteScriptPath(dir) ? native : folder + native;
    };
    setup.musicDir = inFolder(musicDir);
    setup.imageDir = inFolder(imageDir);
    setup.soundDir = inFolder(soundDir);
}

void OpenGame(Host& host, GameScript& game, SceneTable& table, GameSetup& setup,
              const std::string& path) {
    game.path = path;
    host.setTitle("Loading...");
    game.digest = FileDigest(host, path);
    host.processEvents();
    table.LoadGameScript(game);
    ApplySetup(host, table, setup, path);

    // Every credit is read before the title is set, so a game without a
    // Title scene ends with the title "Parvel - ", not the lookup error.
    auto title = [&](std::string_view d) { return table.GetDirective("Title", d); };
    const std::string name = title("@name"), date = title("@date"), version = title("@version"),
                      author = title("@author"), artist = title("@artist"),
                      company = title("@company"), contact = title("@contact"),
                      copyright = title("@copyright");
    const std::string windowTitle = "Parvel - " + name;
    host.setTitle(std::string_view(windowTitle).substr(0, Host::kMaxTitleBytes));
    host.setDescriptionLayout(true, kTitleBlockHeight);
    host.setCaption(Control::Label2,
                    Host::captionPart(windowTitle + "\r\n" + date + " " + version + "\r\n" +
                                      "Author: " + author + "\r\n\r\n" + "Artist: " + artist +
                                      "\r\n" + "Produced by: " + company + "\r\n" + "(" +
                                      contact + ")" + "\r\n" + copyright));
    host.processEvents();
}

}  // namespace parvel
