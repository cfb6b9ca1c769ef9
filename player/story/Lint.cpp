#include "Lint.h"

#include <utility>
#include <QFile>
#include <QFontInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "BmpReader.h"
#include "Directives.h"
#include "GameSetup.h"
#include "HeadlessHost.h"
#include "HotSpotReach.h"
#include "Integrity.h"
#include "Cipher.h"
#include "LabelText.h"
#include "Paths.h"
#include "SceneLists.h"
#include "SceneRunner.h"
#include "SceneTable.h"
#include "StoryAnalysis.h"
#include "TextCodec.h"
#include "Vb.h"

namespace parvel {

using namespace vb;

namespace {

// One script file of the game: the game file or a file it chains to.
struct LintFile {
    std::string shown;  // the path findings name
    std::string path;   // the path it is read from
    SceneTable* table = nullptr;
    std::unique_ptr<SceneTable> owned;
    bool linted = false;
};

// Case-blind edit distance, for "did you mean".
size_t distance(std::string_view a, std::string_view b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t up = row[j];
            const bool same = std::toupper(static_cast<unsigned char>(a[i - 1])) ==
                              std::toupper(static_cast<unsigned char>(b[j - 1]));
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

std::string suggestionFor(std::string_view name) {
    std::string_view best;
    size_t bestDistance = 3;
    for (const auto& d : directiveTable()) {
        const size_t k = distance(name, d.name);
        if (k < bestDistance) {
            bestDistance = k;
            best = d.name;
        }
    }
    return std::string(best);
}

class Linter {
public:
    Linter(const std::string& gameFile, LintOptions options) : m_table(m_host) {
        OpenGame(m_host, m_game, m_table, m_setup, gameFile);
        if (options.labelText && render::haveFontDatabase()) {
            const auto& window = m_host.window();
            const QFont font = render::labelFont(window.fontFamily, window.fontPoints);
            m_labels.emplace(font);
            m_fontName = window.fontFamily + " " +
                         QString::number(window.fontPoints > 0 ? window.fontPoints : 8.0).toStdString() + " pt";
            // The game's font is often not on the system: say which one the
            // player draws with here, as the count depends on it.
            const QString drawn = QFontInfo(font).family();
            if (drawn.compare(QString::fromStdString(cp1252ToUtf8(window.fontFamily)), Qt::CaseInsensitive) != 0)
                m_fontName += " (drawn here in " + utf8ToCp1252(drawn.toStdString()).value_or("?") + ")";
            m_titleBlock = window.captions[static_cast<size_t>(Control::Label2)];
        }
        m_ext = m_game.enciphered == 1 ? ".clP" : ".bmp";
        LintFile& main = m_files[resolvePath(gameFile)];
        main.shown = gameFile;
        main.path = gameFile;
        main.table = &m_table;
        m_order.push_back(&main);
    }

    std::vector<LintFinding> run() {
        // Files chained from a file join the end of the list as they are found.
        for (size_t i = 0; i < m_order.size(); ++i) lintFile(*m_order[i], i == 0);
        return std::move(m_findings);
    }

private:
    void lintFile(LintFile& file, bool gameFile) {
        file.linted = true;
        m_file = &file;
        m_t = file.table;
        checkEncoding();
        if (m_t->lastLoadCount() == 0)
            addAt(0, "no-scenes", "no scenes: a scene starts with a [Name] header");
        checkDuplicates();
        if (gameFile) {
            if (const int setup = m_t->FindScene("Setup");
                setup != 0 && setup <= m_t->lastLoadCount()) {
                enter(setup);
                const std::string first = get("@firstscene");
                if (!first.empty() && m_t->FindScene(first) == 0)
                    add("@firstscene", "undefined-scene",
                        "@firstscene names undefined scene '" + first + "'");
                checkFile("@bkPic", folderOf(file.path), get("@bkPic"), true);
                for (const char* c : {"@bkColor", "@fntColor", "@msOverColor"}) checkColour(c);
                checkNumber("@fntSize");
            }
            if (m_labels) {
                if (const int title = m_t->FindScene("Title");
                    title != 0 && title <= m_t->lastLoadCount()) {
                    enter(title);
                    checkFits("@name", "the title block", m_titleBlock, kTextLabelWidth,
                              kTitleBlockHeight);
                }
            }
        }
        for (int s = 1; s <= m_t->lastLoadCount(); ++s) checkScene(s);
    }

    void enter(int slot) {
        m_slot = slot;
        m_scene = m_t->name(slot);
        // Every "@word" the scene holds, so that reads of directives it
        // cannot hold cost nothing: the player's read finds a directive
        // only where its name occurs.
        m_words = atWords(m_t->text(slot));
    }

    // A finding at the line of `directive` in the current scene, or at the
    // scene's header when the scene does not write it.
    void add(std::string_view directive, std::string code, std::string message,
             Severity severity = Severity::Error) {
        int line = m_t->firstLine(m_slot);
        if (!directive.empty()) {
            const size_t at = m_t->directiveOffset(m_slot, m_scene, directive);
            if (at != std::string::npos) line = m_t->lineAt(m_slot, at);
        }
        addAt(line, std::move(code), std::move(message), severity);
    }
    void addAt(int line, std::string code, std::string message,
               Severity severity = Severity::Error) {
        m_findings.push_back(
            {m_file->shown, line, 0, severity, std::move(code), std::move(message), m_scene});
    }

    std::string get(std::string_view d) {
        if (!wordsMayHold(m_words, d)) return {};
        auto r = m_t->readDirective(m_slot, m_scene, d);
        return r ? std::move(r.value()) : std::string();
    }

    // Said first, and once per file: everything after them reads differently.
    void checkEncoding() {
        m_scene.clear();
        m_slot = 1;
        if (!isEncipheredName(m_file->path)) {
            std::ifstream in(m_file->path, std::ios::binary);
            char head[3] = {};
            in.read(head, 3);
            const std::string_view h(head, static_cast<size_t>(in.gcount()));
            if (h == "\xEF\xBB\xBF")
                addAt(
                    1, "byte-order-mark",
                    "file starts with a UTF-8 byte order mark: the player reads Windows-1252, "
                    "so letters beyond ASCII show wrongly; save it as Windows-1252 without a mark",
                    Severity::Warning);
            else if (h.substr(0, 2) == "\xFF\xFE" || h.substr(0, 2) == "\xFE\xFF")
                addAt(
                    1, "byte-order-mark",
                    "file is UTF-16 text: the player reads Windows-1252; save it as Windows-1252");
        }
        for (int s = 1; s <= m_t->lastLoadCount(); ++s) {
            const std::string& text = m_t->text(s);
            for (size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1)) {
                if (i > 0 && text[i - 1] == '\r') continue;
                enter(s);
                addAt(m_t->lineAt(s, i), "lf-line-ends",
                      "line ends with LF only (CR LF expected): the player starts scenes and "
                      "commands only after CR LF, so what follows joins this line");
                return;
            }
        }
    }

    void checkDuplicates() {
        std::map<std::string, int> first;
        for (int s = 1; s <= m_t->lastLoadCount(); ++s) {
            auto [it, fresh] = first.emplace(UCase(m_t->name(s)), s);
            if (fresh) continue;
            enter(s);
            addAt(m_t->firstLine(s), "duplicate-scene",
                  "scene '" + m_scene + "' is defined again (first at line " +
                      std::to_string(m_t->firstLine(it->second)) +
                      "); which one plays depends on the scene before it");
        }
    }

    // Lines that start with "@" and name nothing the player reads.
    void checkDirectiveNames(const std::string& text) {
        for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + 1)) {
            if (at != 0 && text[at - 1] != '\n') continue;
            size_t end = at + 1;
            while (end < text.size() && !std::strchr(" \t=\r\n", text[end])) ++end;
            const std::string_view name(text.data() + at, end - at);
            if (findDirective(name)) continue;
            if (name.size() == 8 && UCase(name.substr(0, 7)) == "@OPTION" && name[7] >= '7' &&
                name[7] <= '9') {
                addAt(m_t->lineAt(m_slot, at), "too-many-options",
                      "more than 6 options (" + std::string(name) + " is never shown)");
                continue;
            }
            std::string message = "unknown directive `" + std::string(name) + "`";
            const std::string guess = suggestionFor(name);
            message +=
                guess.empty() ? " (the player never reads it)" : "; did you mean `" + guess + "`?";
            addAt(m_t->lineAt(m_slot, at), "unknown-directive", std::move(message));
        }
    }

    void checkFile(std::string_view command, const std::string& folder, const std::string& name,
                   bool picture = false) {
        const std::string n(Trim(name));
        if (n.empty()) return;
        const std::string path = folder + cp1252ToUtf8(n);
        if (!fileExists(path))
            add(command, "missing-file", std::string(command) + " file not found: " + n);
        else if (picture)
            checkPicture(command, path, n);
    }

    // The player's own reader decides; only the headers are read. In an
    // enciphered file every picture is deciphered first, and one made for
    // another game file ends the game.
    void checkPicture(std::string_view command, const std::string& path, const std::string& name) {
        const bool enciphered = isEncipheredName(m_file->path);
        const std::string key = resolvePath(path) + (enciphered ? "\n" : "");
        auto [it, fresh] = m_pictures.try_emplace(key);
        if (fresh) it->second = pictureProblem(resolvePath(path), enciphered);
        if (it->second.empty()) return;
        if (it->second == kTamperMessage)
            add(command, "foreign-picture",
                std::string(command) + " picture " + name +
                    " was not enciphered for this game file: the player stops with \"" +
                    std::string(kTamperMessage) + "\"");
        else
            add(command, "bad-picture",
                std::string(command) + " picture " + name + " is refused by the player: \"481 " +
                    it->second + "\"");
    }
    // Why the player would not show the picture at `path`, "" when it would.
    std::string pictureProblem(const std::string& path, bool enciphered) {
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        const std::int64_t length = in ? static_cast<std::int64_t>(in.tellg()) : 0;
        std::string head(54, '\0');
        in.seekg(0);
        in.read(head.data(), 54);
        head.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
        if (enciphered && length > 0) {
            std::string tail(8, '\0');
            if (length >= 8) {
                in.clear();
                in.seekg(length - 8);
                in.read(tail.data(), 8);
            }
            if (length < 8 || DecipherScript(tail) != m_game.digest)
                return std::string(kTamperMessage);
            const size_t ciphered = std::min<size_t>(40, head.size());
            head.replace(0, ciphered, DecipherScript(head.substr(0, ciphered)));
        }
        auto layout = render::bmpLayout(head, length);
        return layout ? std::string() : layout.error().description;
    }

    // A label shows what fits its height and cuts off the rest, silently.
    void checkFits(std::string_view directive, const std::string& what, std::string_view caption,
                   int width, int height) {
        if (!m_labels || Trim(caption).empty()) return;
        const auto fit = m_labels->fit(caption, width, height);
        if (fit.lines <= fit.shown) return;
        add(directive, "text-overflow",
            what + " takes " + (fit.exact ? "" : "about ") + std::to_string(fit.lines) +
                " lines in " + m_fontName +
                " but its label shows " + std::to_string(fit.shown) + "; the rest is cut off",
            Severity::Warning);
    }
    // Each text as the player captions it, in the label it shows in.
    void checkTexts(const std::string& spots) {
        if (!m_labels) return;
        checkFits("@description", "@description",
                  ReplaceLineBreaks(Host::captionPart(get("@description"))), kTextLabelWidth,
                  kSceneTextHeight);
        for (int n = 1; n <= 6; ++n) {
            const std::string option = "@option" + std::to_string(n);
            if (const std::string text = get(option); !text.empty())
                checkFits(option, option, optionCaption(n, text), kOptionLabelWidth,
                          kOptionLabelHeight);
        }
        // Hot-spot texts show in the scene text's label as the sprite
        // passes; a spot past the last record repeats the one before it.
        if (spots.empty()) return;
        std::array<HotSpot, 5> parsed{};
        parseHotSpots(spots, parsed);
        for (size_t i = 1; i <= 4; ++i) {
            if (i > 1 && parsed[i].text == parsed[i - 1].text) continue;
            checkFits("@hotspots", "@hotspots record " + std::to_string(i) + "'s text",
                      parsed[i].text, kTextLabelWidth, kSceneTextHeight);
        }
    }

    void checkLink(std::string_view command, const std::string& target, const SceneTable& table) {
        if (target.empty() || UCase(Trim(target)) == "RANDOM") return;
        if (table.FindScene(target) == 0)
            add(command, "undefined-scene",
                std::string(command) + " names undefined scene '" + target + "'");
    }

    void checkList(std::string_view command, std::string_view lineOf, const std::string& text,
                   int capacity) {
        AnimationList list(capacity);
        if (!parsePictureList(list, text))
            add(lineOf, "list-too-long",
                std::string(command) + " has more than " + std::to_string(capacity) + " pictures");
        for (int i = 1; i <= list.count; ++i)
            checkFile(lineOf, m_setup.imageDir, list.entries[static_cast<size_t>(i)], true);
    }

    // Values the player converts to numbers: one it cannot convert is
    // skipped in play, so the scene silently does something else.
    void badValue(std::string_view d, const std::string& value, const std::string& expected,
                  const std::string& effect) {
        add(d, "bad-value", std::string(d) + " = " + value + " is not " + expected + "; " + effect);
    }
    void checkNumber(std::string_view d, const std::string& effect = "the player ignores it") {
        const std::string v(Trim(get(d)));
        if (!v.empty() && !CDbl(v)) badValue(d, v, "a number", effect);
    }
    void checkWhole(std::string_view d, std::string_view keyword = {}) {
        const std::string v(Trim(get(d)));
        if (v.empty() || (!keyword.empty() && UCase(v) == keyword)) return;
        if (!CLng(v))
            badValue(
                d, v,
                keyword.empty() ? "a whole number" : "a whole number or " + std::string(keyword),
                "the player ignores it");
    }
    void checkLoop(std::string_view d, bool one, bool whole) {
        const std::string v(Trim(get(d))), u = UCase(v);
        if (v.empty() || u == "FOREVER" || (one && u == "ONE")) return;
        if (whole ? !CInt(v) : !CDbl(v))
            badValue(d, v, std::string("a count") + (one ? ", ONE" : "") + " or FOREVER",
                     "the animation or sound stops playing");
    }
    void checkColour(std::string_view d) {
        const std::string v(Trim(get(d)));
        if (v.empty()) return;
        const bool hex = v[0] == 'H' || v[0] == 'h';
        if (hex ? !CLng(v.substr(1)) : !parseSetupColour(v))
            badValue(d, v, "a colour (RRRGGGBBB, each 000 to 255, or H and a number)",
                     hex ? "the player shows black" : "the player keeps the default colour");
    }
    void checkHit(std::string_view d) {
        const std::string v(Trim(get(d)));
        if (v.empty()) return;
        if (UCase(Left(v, 3)) != "RAN") {
            if (!CLng(v)) badValue(d, v, "a whole number or RAN(high-low)", "no hit is dealt");
            return;
        }
        // RAN(a-b): a from the fifth character to the "-", b from there to the last.
        const long dash = InStr(1, v, "-").value_or(0);
        auto a = Mid(v, 5, dash - 5);
        auto b = Mid(v, dash + 1, static_cast<long>(v.size()) - dash - 1);
        const bool ok = dash > 5 && a && b && CDbl(Trim(*a)) && CDbl(Trim(*b)) && v[3] == '(' &&
                        v.back() == ')';
        if (!ok) badValue(d, v, "a hit-point range RAN(high-low)", "no hit is dealt");
    }
    void checkSpeed() {
        const std::string v(Trim(get("@animspeed"))), u = UCase(v);
        if (v.empty() || u == "SLOW" || u == "MEDIUM" || u == "FAST") return;
        if (!CDbl(v))
            badValue("@animspeed", v, "SLOW, MEDIUM, FAST or a number",
                     "the animation does not play");
    }
    void checkSprite(std::string_view d) {
        const std::string v(Trim(get(d)));
        if (v.empty()) return;
        const size_t dot = v.find('.');
        if (dot == std::string::npos || !CInt(v.substr(0, dot)) || *CInt(v.substr(0, dot)) < 0)
            badValue(d, v, "count.name (frames name1 .. namecount)",
                     "the sprite has no such frames");
    }
    // Records x("text",L|R|M,Y|NO,target), at most four.
    void checkHotSpotRecords(const std::string& h) {
        size_t at = 0;
        int record = 0;
        while (at < h.size() && !Trim(std::string_view(h).substr(at)).empty()) {
            ++record;
            const size_t open = h.find('(', at);
            const size_t q1 = open == std::string::npos ? open : h.find('"', open);
            const size_t q2 = q1 == std::string::npos ? q1 : h.find('"', q1 + 1);
            const size_t close = q2 == std::string::npos ? q2 : h.find(')', q2);
            const std::string k = std::to_string(record);
            if (close == std::string::npos) {
                add("@hotspots", "bad-hotspot",
                    "@hotspots record " + k + " is not x(\"text\",L|R|M,Y|NO,target)");
                return;
            }
            if (record > 4) {
                add("@hotspots", "bad-hotspot",
                    "@hotspots has more than 4 records (record " + k + " is never read)");
                return;
            }
            const std::string x(Trim(std::string_view(h).substr(at, open - at)));
            std::vector<std::string> fields;
            std::string rest = h.substr(q2 + 1, close - q2 - 1);  // ,dir,action,target
            for (size_t c = rest.find(','); c != std::string::npos; c = rest.find(',', c + 1)) {
                const size_t next = rest.find(',', c + 1);
                fields.emplace_back(Trim(rest.substr(
                    c + 1, next == std::string::npos ? std::string::npos : next - c - 1)));
            }
            if (!CInt(x))
                add("@hotspots", "bad-hotspot",
                    "@hotspots record " + k + ": position '" + x + "' is not a whole number");
            if (fields.size() != 3)
                add("@hotspots", "bad-hotspot",
                    "@hotspots record " + k + " is not x(\"text\",L|R|M,Y|NO,target)");
            else if (const std::string dir = UCase(fields[0]);
                     dir != "L" && dir != "R" && dir != "M")
                add("@hotspots", "bad-hotspot",
                    "@hotspots record " + k + ": direction '" + fields[0] + "' is not L, R or M");
            else if (const std::string act = UCase(fields[1]); act != "Y" && act != "NO")
                add("@hotspots", "bad-hotspot",
                    "@hotspots record " + k + ": action '" + fields[1] + "' is not Y or NO");
            at = h.find(',', close);
            if (at == std::string::npos) break;
            ++at;
        }
    }

    void checkScene(int slot) {
        enter(slot);
        checkDirectiveNames(m_t->text(slot));
        if (UCase(m_scene) == "SETUP" || UCase(m_scene) == "TITLE") return;

        // Links: after @nextGfile, options whose @linkGo is TRUE lead into the next file.
        const std::string next(Trim(get("@nextGfile")));
        const SceneTable* nextTable = nullptr;
        if (!next.empty()) {
            const std::string path = folderOf(m_file->path) + cp1252ToUtf8(next);
            if (!fileExists(path))
                add("@nextGfile", "missing-file", "@nextGfile file not found: " + next);
            else
                nextTable = chainedTable(path);
        }
        const std::string randomLink(Trim(get("@randomLink")));
        bool randomChecked = false;  // every RANDOM link of a scene draws from the same group
        for (int n = 1; n <= 6; ++n) {
            const std::string k = std::to_string(n);
            const std::string link = "@Link" + k, option = "@option" + k;
            const std::string target(Trim(get(link)));
            const bool chained = nextTable && UCase(Trim(get("@linkGo" + k))) == "TRUE";
            checkLink(link, target, chained ? *nextTable : *m_t);
            if (UCase(target) == "RANDOM" && !std::exchange(randomChecked, true))
                checkRandom(link, randomLink);
            const bool text = !Trim(get(option)).empty();
            if (text && target.empty())
                add(option, "option-without-link",
                    option + " has no " + link + ": choosing it leads nowhere");
            else if (!text && !target.empty())
                add(link, "link-without-option",
                    link + " has no " + option + " text, so no one can choose it",
                    Severity::Warning);
        }
        checkTexts(Trim(get("@X")).empty() ? std::string() : std::string(Trim(get("@hotspots"))));
        checkLink("@winscene", get("@winscene"), *m_t);
        checkLink("@losescene", get("@losescene"), *m_t);

        checkFile("@image", m_setup.imageDir, get("@image"), true);
        checkList("@anim", "@anim", get("@anim"), 50);
        checkList("@layeranim2", "@layeranim2", get("@layeranim2"), 20);
        std::string layer = get("@layeranim");
        std::string_view layerLine = "@layeranim";
        if (!Trim(get("@X")).empty()) {
            int s = 0, w = 0;
            const std::string sprites =
                spriteFrameList(std::string(Trim(get("@standingsprite"))),
                                std::string(Trim(get("@walkingsprite"))), m_ext, s, w);
            if (Trim(layer).empty() && !sprites.empty()) layerLine = "@standingsprite";
            layer += sprites;
            const std::string spots(Trim(get("@hotspots")));
            // A hot spot leads into the next file whatever @linkGo says.
            checkHotSpots(spots, nextTable ? *nextTable : *m_t);
            checkHotSpotRecords(spots);
            if (!isEncipheredName(m_file->path))
                if (auto walk =
                        story::walkSceneOf([this](std::string_view d) { return get(d); }, m_ext))
                    for (const auto& w : story::lostOnceEnciphered(*walk))
                        add("@hotspots", "enciphered-hotspot",
                            "@hotspots plays otherwise once enciphered: " + w.message,
                            Severity::Warning);
            checkNumber("@X", "the sprite starts at 0");
            checkNumber("@Y", "the sprite keeps its last height");
            checkNumber("@xmove", "the sprite keeps its last step");
            checkSprite("@standingsprite");
            checkSprite("@walkingsprite");
        }
        checkList("@layeranim", layerLine, layer, 50);

        checkSpeed();
        checkLoop("@animLoop", true, false);
        checkLoop("@layerloop", false, false);
        checkLoop("@layerloop2", false, false);
        checkLoop("@multiSoundLoop", false, true);
        checkWhole("@percentFade");
        checkWhole("@FadeSteps");
        checkWhole("@maxHeroHP");
        checkWhole("@MaxenemyHP");
        checkWhole("@HPup", "MAX");
        checkWhole("@HPenemyUp", "MAX");
        checkHit("@herohit");
        checkHit("@enemyhit");

        const std::string music = get("@music");
        if (UCase(Trim(music)) != "STOP") checkFile("@music", m_setup.musicDir, music);
        checkFile("@sound", m_setup.soundDir, get("@sound"));
        const std::string media = get("@media");
        if (UCase(Trim(media)) != "STOP") checkFile("@media", m_setup.soundDir, media);
        const std::string multi(Trim(get("@multiSound")));
        if (!multi.empty()) {
            std::array<std::string, 5> names;
            int total = 0;
            const int count = parseSoundList(multi, names, &total);
            if (total > 5)
                add("@multiSound", "list-too-long", "@multiSound has more than 5 sounds");
            for (int i = 0; i < count; ++i)
                checkFile("@multiSound", m_setup.soundDir, names[static_cast<size_t>(i)]);
        }
    }

    const SceneTable* chainedTable(const std::string& path) {
        const std::string key = resolvePath(path);
        LintFile& file = m_files[key];
        if (!file.table) {
            file.shown = folderOf(m_file->shown) + fileNameOf(key);
            file.path = key;
            file.owned = std::make_unique<SceneTable>(m_host);
            file.table = file.owned.get();
            GameScript chained;
            chained.path = key;
            file.table->LoadGameScript(chained);
            m_order.push_back(&file);
        }
        return file.table;
    }

    void checkRandom(std::string_view link, const std::string& randomLink) {
        const long p = InStr(1, randomLink, "(").value_or(0);
        const long q = p > 0 ? InStr(p, randomLink, ")").value_or(0) : 0;
        const auto count = q > 0 ? CLng(*Mid(randomLink, q + 1)) : std::nullopt;
        if (!count || *count < 1) {
            add(randomLink.empty() ? link : "@randomLink", "bad-random-link",
                "RANDOM link without a usable @randomLink (prefix)count");
            return;
        }
        // A group of hundreds of missing scenes is one mistake: name the
        // first few, then count the rest, so a typo in the prefix does not
        // bury every other finding.
        const std::string prefix = *Mid(randomLink, p + 1, q - p - 1);
        constexpr long kNamed = 5;
        long missing = 0;
        std::string last;
        for (long k = 1; k <= *count && k <= 1000; ++k) {
            const std::string target = prefix + std::to_string(k);
            if (m_t->FindScene(target) != 0) continue;
            if (++missing <= kNamed) checkLink("@randomLink", target, *m_t);
            last = target;
        }
        if (missing > kNamed)
            add("@randomLink", "undefined-scene",
                "@randomLink names " + std::to_string(missing - kNamed) +
                    " more undefined scenes, up to '" + last + "'");
    }

    // Targets of hot-spot records x("text",direction,action,target).
    void checkHotSpots(const std::string& h, const SceneTable& table) {
        size_t at = 0;
        for (int i = 0; i < 4; ++i) {
            const size_t open = h.find('"', at);
            if (open == std::string::npos) return;
            const size_t close = h.find('"', open + 1);
            if (close == std::string::npos) return;
            const size_t paren = h.find(')', close);
            if (paren == std::string::npos) return;
            const std::string fields =
                h.substr(close + 1, paren - close - 1);  // ,dir,action,target
            const size_t last = fields.rfind(',');
            const std::string target = last == std::string::npos ? "" : fields.substr(last + 1);
            if (target != "!") checkLink("@hotspots", target, table);
            at = paren + 1;
        }
    }

    HeadlessHost m_host;
    GameScript m_game;
    SceneTable m_table;
    GameSetup m_setup;
    std::string m_ext;
    std::map<std::string, LintFile> m_files;  // by resolved path
    std::vector<LintFile*> m_order;
    std::map<std::string, std::string> m_pictures;  // resolved path: why refused, "" when fine
    LintFile* m_file = nullptr;
    SceneTable* m_t = nullptr;
    int m_slot = 0;
    std::string m_scene;
    std::vector<std::string> m_words;  // the atWords of the current scene
    std::vector<LintFinding> m_findings;
    std::optional<render::LabelMeasure> m_labels;  // set when texts are checked against their labels
    std::string m_fontName;
    std::string m_titleBlock;
};

}  // namespace

std::vector<LintFinding> lintGame(const std::string& gameFile, LintOptions options) {
    return Linter(gameFile, options).run();
}

std::vector<LintFinding> lintStory(const std::string& gameFile) {
    std::vector<LintFinding> findings;
    const auto graph = story::buildStoryGraph(gameFile);
    const auto analysis = story::analyseStory(graph);
    auto at = [&](int s, std::string code, std::string message) {
        const auto& scene = graph.scenes[static_cast<size_t>(s)];
        const std::string file =
            scene.file == 0
                ? gameFile
                : folderOf(gameFile) + graph.files[static_cast<size_t>(scene.file)].name;
        findings.push_back({file, scene.line, 0, Severity::Warning, std::move(code),
                            std::move(message), scene.name});
    };
    for (int s : analysis.unreachable)
        at(s, "unreachable-scene", "no path from the first scene leads here");
    for (const auto& part : analysis.traps) {
        std::string names;
        for (int s : part) names += (names.empty() ? "" : ", ") + graph.displayName(s);
        at(part.front(), "story-trap", "once here the story never leaves " + names);
    }
    return findings;
}

std::string formatFinding(const LintFinding& f) {
    std::string out = f.file + ":";
    if (f.line > 0) out += std::to_string(f.line) + ":";
    out += f.severity == Severity::Error ? " error: " : " warning: ";
    return out + f.message;
}

std::string findingsToJson(const std::vector<LintFinding>& findings) {
    QJsonArray array;
    for (const auto& f : findings) {
        QJsonObject o;
        o["file"] = QFile::decodeName(QByteArray::fromStdString(f.file));
        o["line"] = f.line;
        o["column"] = f.column;
        o["severity"] = f.severity == Severity::Error ? "error" : "warning";
        o["code"] = QString::fromStdString(f.code);
        o["message"] = QString::fromStdString(cp1252ToUtf8(f.message));
        array.append(o);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace parvel
