#include "WalkingScene.h"

#include <charconv>
#include <cstring>
#include <filesystem>

#include "AtomicFile.h"
#include "BmpReader.h"
#include "GameSetup.h"
#include "HeadlessHost.h"
#include "Integrity.h"
#include "Paths.h"
#include "SceneLists.h"
#include "SceneTable.h"
#include "TextCodec.h"
#include "Vb.h"

namespace spotter {

using namespace parvel;
using namespace parvel::vb;

namespace {

Error failure(std::string text) { return Error{0, std::move(text)}; }

// A host that opens games without a window: message boxes (a tampered
// picture, a failed read) are kept as problems instead of shown.
class ReadingHost : public HeadlessHost {
public:
    explicit ReadingHost(std::vector<std::string>& problems) : m_problems(problems) {}
    MsgAnswer messageBox(std::string_view text, MsgButtons buttons, std::string_view title) override {
        m_problems.push_back(cp1252ToUtf8(text));
        return HeadlessHost::messageBox(text, buttons, title);
    }

private:
    std::vector<std::string>& m_problems;
};

// A picture file as the player reads it: enciphered pictures through the
// digest check and their plain copy.
Result<QImage> readPicture(Host& host, const std::string& path, const GameScript& game) {
    if (!fileExists(path)) return failure("missing: " + path);
    if (game.enciphered != 1) return render::readBmpFile(resolvePath(path));
    auto p = PreparePlainPicture(host, path, game.digest);
    if (!p) return failure("not made for this game file: " + path);
    switch (p->form) {
        case PreparedPicture::Form::Copy: {
            Result<QImage> image = render::readBmpFile(p->path);
            std::error_code ec;
            std::filesystem::remove(p->path, ec);
            return image;
        }
        case PreparedPicture::Form::Memory:
            return render::decodeBmp(p->plain);
        default:
            return render::readBmpFile(resolvePath(p->path));
    }
}

}  // namespace

QImage WalkingScene::frame(int entry) const {
    if (entry < 1 || entry > static_cast<int>(frames.size())) return {};
    return frames[static_cast<size_t>(entry - 1)];
}

Result<WalkingScene> loadWalkingScene(const std::string& gameFile, const std::string& scene) {
    WalkingScene out;
    if (!fileExists(gameFile)) return failure("There is no game file " + gameFile + ".");
    ReadingHost host(out.problems);
    SceneTable table(host);
    GameScript game;
    GameSetup setup;
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(gameFile, ec);
    OpenGame(host, game, table, setup, ec ? gameFile : absolute.string());
    out.problems.clear();  // the title screen's reads are not the scene's
    const int slot = table.FindScene(scene);
    if (slot == 0)
        return failure("The game has no scene \"" + cp1252ToUtf8(scene) + "\".");
    out.gameFile = gameFile;
    out.sceneName = table.name(slot);
    out.enciphered = game.enciphered == 1;
    auto get = [&](std::string_view d) { return table.GetDirective(out.sceneName, d); };

    // The sprite commands, read as the interpreter reads them.
    out.readX = std::string(Trim(get("@X")));
    out.readHotspots = std::string(Trim(get("@hotspots")));
    out.readY = std::string(Trim(get("@Y")));
    out.readXmove = std::string(Trim(get("@xmove")));
    auto& w = out.walk;
    if (auto v = CDbl(out.readX)) w.x = *v;
    if (auto v = CDbl(out.readY)) out.y = *v;
    if (auto v = CDbl(out.readXmove)) w.step = *v;
    parseHotSpots(out.readHotspots, w.spots);
    for (int i = 1; i <= 4; ++i)
        if (w.spots[static_cast<size_t>(i)].x != -1000) out.spotCount = i;
    if (out.readX.empty()) out.problems.push_back("The scene has no @X: it has no walking sprite.");

    const std::string ext = out.enciphered ? ".clP" : ".bmp";
    AnimationList layer{50};
    const std::string frameList = spriteFrameList(std::string(Trim(get("@standingsprite"))),
                                                  std::string(Trim(get("@walkingsprite"))), ext,
                                                  w.standing, w.walking);
    if (!parsePictureList(layer, frameList))
        out.problems.push_back("The sprite has more frames than the player keeps (50).");
    w.overlayCount = layer.count;
    auto load = [&](const std::string& name) -> QImage {
        const std::string path = setup.imageDir + cp1252ToUtf8(Trim(name));
        Result<QImage> image = readPicture(host, path, game);
        if (image) return *image;
        out.problems.push_back("Picture " + path + ": " + image.error().description);
        return {};
    };
    for (int e = 1; e <= layer.count; ++e) out.frames.push_back(load(layer.entries[static_cast<size_t>(e)]));

    // The background: @image, or the background animation's first picture.
    std::string image(Trim(get("@image")));
    if (image.empty()) {
        AnimationList anim{50};
        (void)parsePictureList(anim, get("@anim"));
        if (anim.count > 0) image = anim.entries[1];
    }
    if (!image.empty()) out.background = load(image);
    return out;
}

std::string scriptNumber(double v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string formatHotSpots(const HotSpots& spots, int count) {
    std::string out;
    for (int i = 1; i <= count; ++i) {
        const HotSpot& h = spots[static_cast<size_t>(i)];
        if (i > 1) out += ",";
        out += std::to_string(h.x) + "(\"" + h.text + "\"," + h.direction + "," + h.action + "," +
               h.target + ")";
    }
    return out;
}

std::vector<Directive> directivesOf(const WalkingScene& s) {
    std::vector<Directive> d = {{"@X", scriptNumber(s.walk.x)},
                                {"@Y", scriptNumber(s.y)},
                                {"@xmove", scriptNumber(s.walk.step)},
                                {"@hotspots", formatHotSpots(s.walk.spots, s.spotCount)}};
    // A value that reads as the same number or the same records keeps its
    // own spelling ("100.0", spaces) and is not rewritten.
    // A command the scene lacks reads as 0, as the player's sprite starts.
    auto sameNumber = [](const std::string& read, double now) {
        if (read.empty()) return now == 0;
        auto v = CDbl(read);
        return v && *v == now;
    };
    d[0].changed = !sameNumber(s.readX, s.walk.x);
    d[1].changed = !sameNumber(s.readY, s.y);
    d[2].changed = !sameNumber(s.readXmove, s.walk.step);
    HotSpots before;
    parseHotSpots(s.readHotspots, before);
    HotSpots now;
    parseHotSpots(d[3].value, now);
    bool same = true;
    for (size_t i = 1; i <= 4; ++i)
        same = same && before[i].x == now[i].x && before[i].text == now[i].text &&
               before[i].direction == now[i].direction && before[i].action == now[i].action &&
               before[i].target == now[i].target;
    d[3].changed = !same;
    if (!d[3].changed) d[3].value = s.readHotspots;
    if (!d[0].changed) d[0].value = s.readX;
    if (!d[1].changed) d[1].value = s.readY;
    if (!d[2].changed) d[2].value = s.readXmove;
    return d;
}

std::string directiveLines(const WalkingScene& scene) {
    std::string out;
    for (const Directive& d : directivesOf(scene)) out += d.name + " = " + d.value + "\r\n";
    return out;
}

std::string cleanSpotField(std::string text, const char* forbidden) {
    std::string out;
    for (char c : text)
        if (!std::strchr(forbidden, c) && c != '\r' && c != '\n') out.push_back(c);
    return out;
}

namespace {

// Where each scene of the script text starts, as the scene table splits it:
// at the first "[", then at every "[" right after CR LF.
std::vector<size_t> sceneStarts(std::string_view text) {
    std::vector<size_t> starts;
    size_t p = text.find('[');
    while (p != std::string_view::npos && starts.size() < SceneTable::kSlots) {
        starts.push_back(p);
        const size_t next = text.find("\r\n[", p + 1);
        if (next == std::string_view::npos) break;
        p = next + 2;
    }
    return starts;
}


// The value's place in the scene text `t`, found as the scene table's read
// finds it: the first "@name" not switched off by a "/" just before it,
// whose text up to the next "=" is the name and spaces. `valueStart` is
// just after the "=", `valueEnd` where the value's text ends (before a "//"
// comment and trailing blanks); `lineEnd` after the CR LF that ends it.
struct Place {
    size_t valueStart = 0;
    size_t valueEnd = 0;
    size_t lineEnd = 0;
};

std::optional<Place> findDirective(const std::string& t, const std::string& name) {
    const std::string upper = UCase(t);
    const std::string key = UCase(name);
    size_t from = 0;
    for (;;) {
        const size_t d = upper.find(key, from);
        if (d == std::string::npos || d < 2) return std::nullopt;
        const auto skipLine = [&] {
            const size_t crlf = t.find("\r\n", d + 1);
            return crlf == std::string::npos ? std::string::npos : crlf;
        };
        if (t.substr(d - 2, 2).find('/') != std::string::npos || t[d + 1] == '/') {
            from = skipLine();
            if (from == std::string::npos) return std::nullopt;
            continue;
        }
        const size_t e = t.find('=', d);
        if (e == std::string::npos) return std::nullopt;
        size_t k = d + name.size();
        while (k < e && t[k] == ' ') ++k;
        if (e - d < name.size() || k != e) {
            from = skipLine();
            if (from == std::string::npos) return std::nullopt;
            continue;
        }
        Place p;
        p.valueStart = e + 1;
        size_t f = t.find("\n@", e);
        const size_t rawEnd = f == std::string::npos ? t.size() : f - 1;
        size_t end = std::min(rawEnd, t.find("//", p.valueStart));
        while (end > p.valueStart && (t[end - 1] == ' ' || t[end - 1] == '\r' || t[end - 1] == '\n'))
            --end;
        p.valueEnd = std::max(end, p.valueStart);
        const size_t crlf = t.find("\r\n", p.valueEnd);
        p.lineEnd = crlf == std::string::npos ? t.size() : crlf + 2;
        return p;
    }
}

}  // namespace

Status saveDirectives(const std::string& path, const std::string& scene,
                      const std::vector<Directive>& directives) {
    if (isEncipheredName(path))
        return failure("An enciphered script cannot be saved to: change " + fileNameOf(path) +
                       "'s plain Gamefile.txt and encipher it again (tavi encipher).");
    auto bytes = readWholeFile(path);
    if (!bytes) return failure("Cannot read " + path + ".");
    std::string text = std::move(*bytes);

    HeadlessHost host;
    SceneTable table(host);
    table.loadText(text);
    const int slot = table.FindScene(scene);
    const std::vector<size_t> starts = sceneStarts(text);
    if (slot == 0 || slot > static_cast<int>(starts.size()))
        return failure("The script no longer has the scene \"" + cp1252ToUtf8(scene) + "\".");
    const size_t base = starts[static_cast<size_t>(slot - 1)];
    std::string t = table.text(slot);
    if (text.compare(base, t.size(), t) != 0) return failure("The script's scenes could not be found again.");
    const std::string header = table.name(slot);

    // Edits go into the scene's text; it replaces the old one at the end.
    std::optional<size_t> after;  // where a missing command is added
    const size_t headerEnd = [&] {
        const size_t crlf = t.find("\r\n");
        return crlf == std::string::npos ? t.size() : crlf + 2;
    }();
    for (const Directive& d : directives) {
        std::optional<Place> place = findDirective(t, d.name);
        if (place) {
            // The place must be the one the player reads.
            auto read = table.readDirective(slot, header, d.name);
            std::string found;
            for (size_t k = place->valueStart; k < place->valueEnd; ++k)
                if (t[k] == '\r') found.push_back(' ');
                else if (t[k] != '\n') found.push_back(t[k]);
            if (!read || *read != std::string(Trim(found)))
                return failure("The line of " + d.name + " could not be told apart in scene \"" +
                               cp1252ToUtf8(header) + "\"; nothing was saved.");
        }
        if (d.changed) {
            if (place) {
                // The spacing after "=" stays; an empty value gets one space.
                size_t start = place->valueStart;
                while (start < place->valueEnd && t[start] == ' ') ++start;
                const bool bare = start == place->valueStart && start == place->valueEnd;
                t.replace(start, place->valueEnd - start, (bare ? " " : "") + d.value);
                place = findDirective(t, d.name);
            } else {
                const size_t at = after.value_or(headerEnd);
                std::string line = d.name + " = " + d.value + "\r\n";
                if (at == t.size() && !t.empty() && t.back() != '\n') line = "\r\n" + line;
                t.insert(at, line);
                place = findDirective(t, d.name);
            }
        }
        if (place) after = place->lineEnd;
    }
    text.replace(base, table.text(slot).size(), t);
    std::string why;
    if (!writeFileAtomically(path, text, &why)) return failure("Cannot write " + path + ": " + why);
    return Ok{};
}

}  // namespace spotter
