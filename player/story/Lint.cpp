#include "Lint.h"

#include <filesystem>
#include <set>

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

class Linter {
public:
    explicit Linter(const std::string& gameFile) : m_table(m_host), m_nextTable(m_host) {
        OpenGame(m_host, m_game, m_table, m_setup, gameFile);
        m_ext = m_game.enciphered == 1 ? ".clP" : ".bmp";
    }

    std::vector<LintProblem> run() {
        const std::string first = m_table.GetDirective("Setup", "@firstscene");
        if (m_table.FindScene("Setup") != 0 && !first.empty() && m_table.FindScene(first) == 0)
            add("Setup", "@firstscene names undefined scene '" + first + "'");
        checkFile("Setup", "@bkPic", folderOf(m_game.path), m_table.GetDirective("Setup", "@bkPic"));
        for (int s = 1; s <= m_table.lastLoadCount(); ++s) checkScene(s);
        return std::move(m_problems);
    }

private:
    void add(const std::string& scene, std::string message) {
        m_problems.push_back({scene, std::move(message)});
    }

    std::string get(const std::string& scene, std::string_view d) {
        return m_table.GetDirective(scene, d);
    }

    void checkFile(const std::string& scene, std::string_view command, const std::string& folder,
                   const std::string& name) {
        const std::string n(Trim(name));
        if (n.empty()) return;
        if (!fileExists(folder + cp1252ToUtf8(n)))
            add(scene, std::string(command) + " file not found: " + n);
    }

    void checkLink(const std::string& scene, std::string_view command, const std::string& target,
                   const SceneTable& table) {
        if (target.empty() || UCase(Trim(target)) == "RANDOM") return;
        if (table.FindScene(target) == 0)
            add(scene, std::string(command) + " names undefined scene '" + target + "'");
    }

    void checkList(const std::string& scene, std::string_view command, const std::string& text,
                   int capacity) {
        AnimationList list(capacity);
        if (!parsePictureList(list, text))
            add(scene, std::string(command) + " has more than " + std::to_string(capacity) +
                           " pictures");
        for (int i = 1; i <= list.count; ++i)
            checkFile(scene, command, m_setup.imageDir, list.entries[static_cast<size_t>(i)]);
    }

    void checkScene(int slot) {
        const std::string scene = m_table.name(slot);
        const std::string& text = m_table.text(slot);
        for (size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1)) {
            if (i == 0 || text[i - 1] != '\r') {
                add(scene, "line ends with LF only (CR LF expected)");
                break;
            }
        }
        for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + 1)) {
            if (UCase(text.substr(at, 7)) != "@OPTION") continue;
            const size_t d = at + 7;
            if (d < text.size() && text[d] >= '7' && text[d] <= '9' &&
                (at == 0 || text[at - 1] == '\n'))
                add(scene, "more than 6 options (" + text.substr(at, 8) + " is never shown)");
        }
        if (UCase(scene) == "SETUP" || UCase(scene) == "TITLE") return;

        // Links: after @nextGfile, options whose @linkGo is TRUE lead into the next file.
        const std::string next(Trim(get(scene, "@nextGfile")));
        bool haveNext = false;
        if (!next.empty()) {
            const std::string path = folderOf(m_game.path) + cp1252ToUtf8(next);
            if (!fileExists(path)) {
                add(scene, "@nextGfile file not found: " + next);
            } else {
                GameScript chained;
                chained.path = resolvePath(path);
                m_nextTable.LoadGameScript(chained);
                haveNext = true;
            }
        }
        const std::string randomLink(Trim(get(scene, "@randomLink")));
        for (int n = 1; n <= 6; ++n) {
            const std::string k = std::to_string(n);
            const std::string target = get(scene, "@Link" + k);
            const bool chained = haveNext && UCase(Trim(get(scene, "@linkGo" + k))) == "TRUE";
            checkLink(scene, "@Link" + k, target, chained ? m_nextTable : m_table);
            if (UCase(Trim(target)) == "RANDOM") checkRandom(scene, randomLink);
        }
        checkLink(scene, "@winscene", get(scene, "@winscene"), m_table);
        checkLink(scene, "@losescene", get(scene, "@losescene"), m_table);

        const std::string image = get(scene, "@image");
        checkFile(scene, "@image", m_setup.imageDir, image);
        checkList(scene, "@anim", get(scene, "@anim"), 50);
        checkList(scene, "@layeranim2", get(scene, "@layeranim2"), 20);
        std::string layer = get(scene, "@layeranim");
        if (!Trim(get(scene, "@X")).empty()) {
            int s = 0, w = 0;
            layer += spriteFrameList(std::string(Trim(get(scene, "@standingsprite"))),
                                     std::string(Trim(get(scene, "@walkingsprite"))), m_ext, s, w);
            checkHotSpots(scene, std::string(Trim(get(scene, "@hotspots"))));
        }
        checkList(scene, "@layeranim", layer, 50);

        const std::string music = get(scene, "@music");
        if (UCase(Trim(music)) != "STOP") checkFile(scene, "@music", m_setup.musicDir, music);
        checkFile(scene, "@sound", m_setup.soundDir, get(scene, "@sound"));
        const std::string media = get(scene, "@media");
        if (UCase(Trim(media)) != "STOP") checkFile(scene, "@media", m_setup.soundDir, media);
        const std::string multi(Trim(get(scene, "@multiSound")));
        if (!multi.empty()) {
            std::array<std::string, 5> names;
            int total = 0;
            const int count = parseSoundList(multi, names, &total);
            if (total > 5) add(scene, "@multiSound has more than 5 sounds");
            for (int i = 0; i < count; ++i) checkFile(scene, "@multiSound", m_setup.soundDir, names[static_cast<size_t>(i)]);
        }
    }

    void checkRandom(const std::string& scene, const std::string& randomLink) {
        const long p = InStr(1, randomLink, "(").value_or(0);
        const long q = p > 0 ? InStr(p, randomLink, ")").value_or(0) : 0;
        const auto count = q > 0 ? CLng(*Mid(randomLink, q + 1)) : std::nullopt;
        if (!count || *count < 1) {
            add(scene, "RANDOM link without a usable @randomLink (prefix)count");
            return;
        }
        const std::string prefix = *Mid(randomLink, p + 1, q - p - 1);
        for (long k = 1; k <= *count && k <= 1000; ++k)
            checkLink(scene, "@randomLink", prefix + std::to_string(k), m_table);
    }

    // Targets of hot-spot records x("text",direction,action,target).
    void checkHotSpots(const std::string& scene, const std::string& h) {
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
            if (target != "!") checkLink(scene, "@hotspots", target, m_table);
            at = paren + 1;
        }
    }

    HeadlessHost m_host;
    GameScript m_game;
    SceneTable m_table;
    SceneTable m_nextTable;
    GameSetup m_setup;
    std::string m_ext;
    std::vector<LintProblem> m_problems;
};

}  // namespace

std::vector<LintProblem> lintGame(const std::string& gameFile) { return Linter(gameFile).run(); }

std::vector<LintProblem> lintStory(const std::string& gameFile) {
    std::vector<LintProblem> problems;
    const auto graph = story::buildStoryGraph(gameFile);
    const auto analysis = story::analyseStory(graph);
    for (int s : analysis.unreachable)
        problems.push_back({graph.displayName(s), "warning: no path from the first scene leads here", true});
    for (const auto& part : analysis.traps) {
        std::string names;
        for (int s : part) names += (names.empty() ? "" : ", ") + graph.displayName(s);
        problems.push_back({graph.displayName(part.front()),
                            "warning: once here the story never leaves " + names, true});
    }
    return problems;
}

}  // namespace parvel
