#include "Lint.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>
#include <memory>

#include "GameSetup.h"
#include "HeadlessHost.h"
#include "Paths.h"
#include "SceneLists.h"
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
    std::unique_ptr<SceneTable> table;
};

class Linter {
public:
    explicit Linter(const std::string& gameFile) : m_table(m_host) {
        OpenGame(m_host, m_game, m_table, m_setup, gameFile);
        m_ext = m_game.enciphered == 1 ? ".clP" : ".bmp";
        m_shown = gameFile;
        m_gameFolder = folderOf(gameFile);
    }

    std::vector<LintFinding> run() {
        checkLineEnds();
        const int setup = m_table.FindScene("Setup");
        if (setup != 0) {
            m_slot = setup;
            m_scene = m_table.name(setup);
            const std::string first = get("@firstscene");
            if (!first.empty() && m_table.FindScene(first) == 0)
                add("@firstscene", "undefined-scene", "@firstscene names undefined scene '" + first + "'");
            checkFile("@bkPic", m_gameFolder, get("@bkPic"));
        }
        for (int s = 1; s <= m_table.lastLoadCount(); ++s) checkScene(s);
        return std::move(m_findings);
    }

private:
    // A finding at the line of `directive` in the current scene, or at the
    // scene's header when the scene does not write it.
    void add(std::string_view directive, std::string code, std::string message,
             Severity severity = Severity::Error) {
        int line = m_table.firstLine(m_slot);
        if (!directive.empty()) {
            const size_t at = m_table.directiveOffset(m_slot, m_scene, directive);
            if (at != std::string::npos) line = m_table.lineAt(m_slot, at);
        }
        m_findings.push_back({m_shown, line, 0, severity, std::move(code), std::move(message), m_scene});
    }

    std::string get(std::string_view d) {
        auto r = m_table.readDirective(m_slot, m_scene, d);
        return r ? std::move(r.value()) : std::string();
    }

    // Reported once per file, at the first line that ends in LF alone.
    void checkLineEnds() {
        for (int s = 1; s <= m_table.lastLoadCount(); ++s) {
            const std::string& text = m_table.text(s);
            for (size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1)) {
                if (i > 0 && text[i - 1] == '\r') continue;
                m_findings.push_back({m_shown, m_table.lineAt(s, i), 0, Severity::Error, "lf-line-ends",
                                      "line ends with LF only (CR LF expected)", m_table.name(s)});
                return;
            }
        }
    }

    void checkFile(std::string_view command, const std::string& folder, const std::string& name) {
        const std::string n(Trim(name));
        if (n.empty()) return;
        if (!fileExists(folder + cp1252ToUtf8(n)))
            add(command, "missing-file", std::string(command) + " file not found: " + n);
    }

    void checkLink(std::string_view command, const std::string& target, const SceneTable& table) {
        if (target.empty() || UCase(Trim(target)) == "RANDOM") return;
        if (table.FindScene(target) == 0)
            add(command, "undefined-scene", std::string(command) + " names undefined scene '" + target + "'");
    }

    void checkList(std::string_view command, std::string_view lineOf, const std::string& text, int capacity) {
        AnimationList list(capacity);
        if (!parsePictureList(list, text))
            add(lineOf, "list-too-long",
                std::string(command) + " has more than " + std::to_string(capacity) + " pictures");
        for (int i = 1; i <= list.count; ++i) {
            const std::string n(Trim(list.entries[static_cast<size_t>(i)]));
            if (!n.empty() && !fileExists(m_setup.imageDir + cp1252ToUtf8(n)))
                add(lineOf, "missing-file", std::string(command) + " file not found: " + n);
        }
    }

    void checkScene(int slot) {
        m_slot = slot;
        m_scene = m_table.name(slot);
        const std::string& text = m_table.text(slot);
        for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + 1)) {
            if (UCase(text.substr(at, 7)) != "@OPTION") continue;
            const size_t d = at + 7;
            if (d < text.size() && text[d] >= '7' && text[d] <= '9' && (at == 0 || text[at - 1] == '\n'))
                m_findings.push_back({m_shown, m_table.lineAt(slot, at), 0, Severity::Error, "too-many-options",
                                      "more than 6 options (" + text.substr(at, 8) + " is never shown)", m_scene});
        }
        if (UCase(m_scene) == "SETUP" || UCase(m_scene) == "TITLE") return;

        // Links: after @nextGfile, options whose @linkGo is TRUE lead into the next file.
        const std::string next(Trim(get("@nextGfile")));
        const SceneTable* nextTable = nullptr;
        if (!next.empty()) {
            const std::string path = m_gameFolder + cp1252ToUtf8(next);
            if (!fileExists(path))
                add("@nextGfile", "missing-file", "@nextGfile file not found: " + next);
            else
                nextTable = chainedTable(path);
        }
        const std::string randomLink(Trim(get("@randomLink")));
        for (int n = 1; n <= 6; ++n) {
            const std::string link = "@Link" + std::to_string(n);
            const std::string target = get(link);
            const bool chained = nextTable && UCase(Trim(get("@linkGo" + std::to_string(n)))) == "TRUE";
            checkLink(link, target, chained ? *nextTable : m_table);
            if (UCase(Trim(target)) == "RANDOM") checkRandom(link, randomLink);
        }
        checkLink("@winscene", get("@winscene"), m_table);
        checkLink("@losescene", get("@losescene"), m_table);

        checkFile("@image", m_setup.imageDir, get("@image"));
        checkList("@anim", "@anim", get("@anim"), 50);
        checkList("@layeranim2", "@layeranim2", get("@layeranim2"), 20);
        std::string layer = get("@layeranim");
        std::string_view layerLine = "@layeranim";
        if (!Trim(get("@X")).empty()) {
            int s = 0, w = 0;
            const std::string sprites = spriteFrameList(std::string(Trim(get("@standingsprite"))),
                                                        std::string(Trim(get("@walkingsprite"))), m_ext, s, w);
            if (Trim(layer).empty() && !sprites.empty()) layerLine = "@standingsprite";
            layer += sprites;
            checkHotSpots(std::string(Trim(get("@hotspots"))));
        }
        checkList("@layeranim", layerLine, layer, 50);

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
            if (total > 5) add("@multiSound", "list-too-long", "@multiSound has more than 5 sounds");
            for (int i = 0; i < count; ++i) checkFile("@multiSound", m_setup.soundDir, names[static_cast<size_t>(i)]);
        }
    }

    const SceneTable* chainedTable(const std::string& path) {
        const std::string key = resolvePath(path);
        auto& file = m_chained[key];
        if (!file.table) {
            file.shown = key;
            file.table = std::make_unique<SceneTable>(m_host);
            GameScript chained;
            chained.path = key;
            file.table->LoadGameScript(chained);
        }
        return file.table.get();
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
        const std::string prefix = *Mid(randomLink, p + 1, q - p - 1);
        for (long k = 1; k <= *count && k <= 1000; ++k)
            checkLink("@randomLink", prefix + std::to_string(k), m_table);
    }

    // Targets of hot-spot records x("text",direction,action,target).
    void checkHotSpots(const std::string& h) {
        size_t at = 0;
        for (int i = 0; i < 4; ++i) {
            const size_t open = h.find('"', at);
            if (open == std::string::npos) return;
            const size_t close = h.find('"', open + 1);
            if (close == std::string::npos) return;
            const size_t paren = h.find(')', close);
            if (paren == std::string::npos) return;
            const std::string fields = h.substr(close + 1, paren - close - 1);  // ,dir,action,target
            const size_t last = fields.rfind(',');
            const std::string target = last == std::string::npos ? "" : fields.substr(last + 1);
            if (target != "!") checkLink("@hotspots", target, m_table);
            at = paren + 1;
        }
    }

    HeadlessHost m_host;
    GameScript m_game;
    SceneTable m_table;
    GameSetup m_setup;
    std::string m_ext;
    std::string m_shown;
    std::string m_gameFolder;
    std::map<std::string, LintFile> m_chained;
    int m_slot = 0;
    std::string m_scene;
    std::vector<LintFinding> m_findings;
};

}  // namespace

std::vector<LintFinding> lintGame(const std::string& gameFile) { return Linter(gameFile).run(); }

std::vector<LintFinding> lintStory(const std::string& gameFile) {
    std::vector<LintFinding> findings;
    const auto graph = story::buildStoryGraph(gameFile);
    const auto analysis = story::analyseStory(graph);
    auto at = [&](int s, std::string code, std::string message) {
        const auto& scene = graph.scenes[static_cast<size_t>(s)];
        const std::string file = scene.file == 0 ? gameFile : graph.files[static_cast<size_t>(scene.file)].path;
        findings.push_back({file, scene.line, 0, Severity::Warning, std::move(code), std::move(message), scene.name});
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
