#include "StoryGraph.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>

#include "HeadlessHost.h"
#include "HotSpotReach.h"
#include "Paths.h"
#include "SceneLists.h"
#include "SceneTable.h"
#include "TextCodec.h"
#include "Vb.h"

namespace parvel::story {

using namespace vb;

const char* kindName(EdgeKind kind) {
    switch (kind) {
        case EdgeKind::Option:
            return "option";
        case EdgeKind::Random:
            return "random";
        case EdgeKind::HotSpot:
            return "hotspot";
        case EdgeKind::FightWin:
            return "win";
        case EdgeKind::FightLose:
            return "lose";
    }
    return "";
}

std::string StoryGraph::displayName(int scene) const {
    const Scene& s = scenes[static_cast<size_t>(scene)];
    if (s.file == 0) return s.name;
    return s.name + " (" + files[static_cast<size_t>(s.file)].name + ")";
}

namespace {

// What a pass carries from scene to scene and a later scene's links depend
// on: the win and lose scenes in effect, and the random-link prefix and
// count (no count until a scene has named one).
using RandomState = std::pair<std::string, std::optional<std::string>>;
struct Carried {
    std::set<std::string> win, lose;
    std::set<RandomState> random;

    bool merge(const Carried& o) {
        const size_t before = win.size() + lose.size() + random.size();
        win.insert(o.win.begin(), o.win.end());
        lose.insert(o.lose.begin(), o.lose.end());
        random.insert(o.random.begin(), o.random.end());
        return win.size() + lose.size() + random.size() != before;
    }
};

Carried initialState() {
    Carried c;
    c.win.insert("");
    c.lose.insert("");
    c.random.insert({"", std::nullopt});
    return c;
}

// The commands of one scene that decide where it leads.
struct SceneLinks {
    int nextFile = -1;  // file of a pending @nextGfile, -1 when none
    std::array<std::string, 7> link;
    std::array<bool, 7> linkGo{};
    bool heroHit = false, enemyHit = false;
    std::string win, lose, randomLink;
    std::vector<HotSpot> spots;
};

class Builder {
public:
    StoryGraph build(const std::string& gameFile) {
        const int main = loadFile(gameFile);
        auto& table = *m_tables[static_cast<size_t>(main)];
        if (const int setup = table.FindScene("Setup");
            setup != 0 && setup <= table.lastLoadCount()) {
            m_graph.firstScene = read(main, setup, "@firstscene");
            m_graph.start = resolve(main, setup, m_graph.firstScene);
        }
        if (const int title = table.FindScene("Title");
            title != 0 && title <= table.lastLoadCount())
            m_graph.title = read(main, title, "@name");
        // Reading a scene may name a further file; those scenes join the end.
        for (size_t n = 0; n < m_graph.scenes.size(); ++n) readLinks(static_cast<int>(n));

        flowAll();
        for (size_t n = 0; n < m_graph.scenes.size(); ++n) {
            auto e = edgesOf(static_cast<int>(n), m_in[n]);
            m_graph.edges.insert(m_graph.edges.end(), e.begin(), e.end());
        }
        return std::move(m_graph);
    }

private:
    int loadFile(const std::string& path) {
        const std::string key = resolvePath(path);
        if (auto it = m_fileIndex.find(key); it != m_fileIndex.end()) return it->second;
        const int index = static_cast<int>(m_graph.files.size());
        m_fileIndex[key] = index;
        GameScript game;
        game.path = path;
        auto table = std::make_unique<SceneTable>(m_host);
        table->LoadGameScript(game);
        m_graph.files.push_back({path, fileNameOf(path), game.enciphered == 1});
        const std::string ext = game.enciphered == 1 ? ".clP" : ".bmp";
        std::unordered_map<std::string, std::vector<int>> slots;
        for (int s = 1; s <= SceneTable::kSlots; ++s) slots[UCase(table->name(s))].push_back(s);
        m_slotIndex.push_back(std::move(slots));
        m_tables.push_back(std::move(table));
        m_firstNode.push_back(static_cast<int>(m_graph.scenes.size()));
        for (int s = 1; s <= m_tables.back()->lastLoadCount(); ++s) readScene(index, s, ext);
        return index;
    }

    std::string read(int file, int slot, std::string_view directive) const {
        const SceneTable& t = *m_tables[static_cast<size_t>(file)];
        auto r = t.readDirective(slot, t.name(slot), directive);
        return r ? std::move(r.value()) : std::string();
    }

    // The scene the player plays for `name` after a scene in `fromSlot`:
    // the table looks from near the current slot, so among scenes of the
    // same name the nearest one wins, as in play.
    // The table's own search is linear, and a random link asks it once per
    // possible target: the slots of each name are indexed once, and the
    // table's rule applies to them (the first slot from ten before the
    // current one on, else the first of all).
    int resolve(int file, int fromSlot, const std::string& name) {
        const SceneTable& t = *m_tables[static_cast<size_t>(file)];
        const auto& index = m_slotIndex[static_cast<size_t>(file)];
        const auto it = index.find(UCase(name));
        if (it == index.end()) return -1;
        const std::vector<int>& slots = it->second;
        const int start = fromSlot <= 20 ? 1 : fromSlot - 10;
        const auto at = std::lower_bound(slots.begin(), slots.end(), start);
        const int s = at != slots.end() ? *at : slots.front();
        if (s > t.lastLoadCount()) return -1;
        return m_firstNode[static_cast<size_t>(file)] + s - 1;
    }

    void readScene(int file, int slot, const std::string& ext) {
        Scene scene;
        scene.file = file;
        scene.slot = slot;
        scene.line = m_tables[static_cast<size_t>(file)]->firstLine(slot);
        scene.name = m_tables[static_cast<size_t>(file)]->name(slot);
        const std::string upper = UCase(scene.name);
        scene.setup = upper == "SETUP" || upper == "TITLE";
        const std::string d = read(file, slot, "@description");
        for (size_t i = 0; i < d.size(); ++i) {
            if (d[i] == '\\' && i + 1 < d.size() && d[i + 1] == 'n') {
                scene.description += '\n';
                ++i;
            } else {
                scene.description += d[i];
            }
        }
        for (int n = 1; n <= 6; ++n)
            scene.options[static_cast<size_t>(n)] =
                Trim(read(file, slot, "@option" + std::to_string(n)));

        std::set<std::string> seen;
        auto addPicture = [&](const std::string& p) {
            const std::string name(Trim(p));
            if (!name.empty() && seen.insert(UCase(name)).second) scene.pictures.push_back(name);
        };
        addPicture(read(file, slot, scene.setup ? "@bkPic" : "@image"));
        std::string layer = read(file, slot, "@layeranim");
        if (!Trim(read(file, slot, "@X")).empty()) {
            int s = 0, w = 0;
            layer +=
                spriteFrameList(std::string(Trim(read(file, slot, "@standingsprite"))),
                                std::string(Trim(read(file, slot, "@walkingsprite"))), ext, s, w);
        }
        for (const auto& [command, capacity] :
             {std::pair<std::string, int>{read(file, slot, "@anim"), 50},
              {layer, 50},
              {read(file, slot, "@layeranim2"), 20}}) {
            AnimationList list(capacity);
            parsePictureList(list, command);
            for (int i = 1; i <= list.count; ++i) addPicture(list.entries[static_cast<size_t>(i)]);
        }
        m_graph.scenes.push_back(std::move(scene));
    }

    void readLinks(int node) {
        const Scene& scene = m_graph.scenes[static_cast<size_t>(node)];
        const int file = scene.file, slot = scene.slot;
        SceneLinks l;
        const std::string next(Trim(read(file, slot, "@nextGfile")));
        if (!next.empty()) {
            // The next file sits beside the current one.
            const std::string path =
                folderOf(m_graph.files[static_cast<size_t>(file)].path) + cp1252ToUtf8(next);
            if (fileExists(path))
                l.nextFile = loadFile(resolvePath(path));
            else
                m_graph.missingFiles.push_back(
                    {m_graph.displayName(node), "@nextGfile file not found: " + next});
        }
        for (int n = 1; n <= 6; ++n) {
            const std::string k = std::to_string(n);
            l.link[static_cast<size_t>(n)] = read(file, slot, "@Link" + k);
            l.linkGo[static_cast<size_t>(n)] =
                UCase(Trim(read(file, slot, "@linkGo" + k))) == "TRUE";
        }
        l.heroHit = !Trim(read(file, slot, "@herohit")).empty();
        l.enemyHit = !Trim(read(file, slot, "@enemyhit")).empty();
        l.win = Trim(read(file, slot, "@winscene"));
        l.lose = Trim(read(file, slot, "@losescene"));
        l.randomLink = read(file, slot, "@randomLink");
        // Only the hot spots the walk can take, by the rules of the file's
        // form: an enciphered game takes the first one it passes.
        const bool enciphered = m_graph.files[static_cast<size_t>(file)].enciphered;
        if (auto walk = walkSceneOf([&](std::string_view d) { return read(file, slot, d); },
                                    enciphered ? ".clP" : ".bmp")) {
            const auto& spots = walk->spots;
            const auto taken = takenSpots(*walk, enciphered ? WalkRules::Enciphered : WalkRules::Plain);
            std::set<std::string> targets;
            // Records past the last repeat its target; "!" and nothing lead nowhere.
            for (int i = 1; i <= 4; ++i) {
                const HotSpot& h = spots[static_cast<size_t>(i)];
                if (!taken[static_cast<size_t>(i)] || h.target.empty() || h.target == "!" ||
                    !targets.insert(h.target).second)
                    continue;
                l.spots.push_back(h);
            }
        }
        if (m_links.size() <= static_cast<size_t>(node))
            m_links.resize(static_cast<size_t>(node) + 1);
        m_links[static_cast<size_t>(node)] = std::move(l);
    }

    Carried exitState(int node, const Carried& in) const {
        const SceneLinks& l = m_links[static_cast<size_t>(node)];
        Carried out;
        out.win = l.win.empty() ? in.win : std::set<std::string>{l.win};
        out.lose = l.lose.empty() ? in.lose : std::set<std::string>{l.lose};
        if (Trim(l.randomLink).empty()) {
            for (const auto& r : in.random) out.random.insert({"", r.second});
        } else if (auto link = parseRandomLink(l.randomLink)) {
            out.random.insert({link->prefix, link->count});
        } else {
            out.random = in.random;
        }
        return out;
    }

    std::vector<Edge> edgesOf(int node, const Carried& in) {
        const Scene& scene = m_graph.scenes[static_cast<size_t>(node)];
        const SceneLinks& l = m_links[static_cast<size_t>(node)];
        const int slot = scene.slot;
        const bool pending = l.nextFile >= 0;
        const int nextFile = pending ? l.nextFile : scene.file;
        std::vector<Edge> out;
        auto add = [&](EdgeKind kind, int option, std::string label, std::string target, int file,
                       bool chained) {
            Edge e;
            e.from = node;
            e.kind = kind;
            e.option = option;
            e.label = std::move(label);
            e.targetFile = file;
            e.chained = chained;
            e.to = resolve(file, slot, target);
            e.target = std::move(target);
            out.push_back(std::move(e));
        };

        // An option leads on only when it has a text to choose; it keeps a
        // pending next file only with @linkGo TRUE.
        const Carried exit = exitState(node, in);
        for (int n = 1; n <= 6; ++n) {
            const std::string& text = scene.options[static_cast<size_t>(n)];
            if (text.empty()) continue;
            const bool go = pending && l.linkGo[static_cast<size_t>(n)];
            const int file = go ? nextFile : scene.file;
            const std::string& target = l.link[static_cast<size_t>(n)];
            if (UCase(Trim(target)) != "RANDOM") {
                add(EdgeKind::Option, n, text, target, file, go);
                continue;
            }
            std::set<std::string> targets;
            for (const auto& [prefix, countText] : exit.random) {
                const auto count = countText ? CDbl(*countText) : std::optional<double>(0);
                if (!count) {
                    targets.insert(target);  // the count does not read: the target stays
                    continue;
                }
                // k = Int(r * count) + 1 for r in [0, 1).
                const double c = std::clamp(*count, -1000.0, 1000.0);
                const long lo = c >= 0 ? 1 : static_cast<long>(std::floor(c)) + 1;
                const long hi = c > 0 ? static_cast<long>(std::ceil(c)) : 1;
                for (long k = lo; k <= hi; ++k) targets.insert(prefix + std::to_string(k));
            }
            for (const auto& t : targets) add(EdgeKind::Random, n, text, t, file, go);
        }
        // Hot spots and falls keep a pending next file whatever @linkGo says.
        for (const auto& h : l.spots)
            add(EdgeKind::HotSpot, 0, h.text, h.target, nextFile, pending);
        if (l.heroHit)
            for (const auto& t : in.lose) add(EdgeKind::FightLose, 0, "", t, nextFile, pending);
        if (l.enemyHit)
            for (const auto& t : in.win) add(EdgeKind::FightWin, 0, "", t, nextFile, pending);
        return out;
    }

    void flowFrom(std::deque<int> work) {
        while (!work.empty()) {
            const int n = work.front();
            work.pop_front();
            const Carried exit = exitState(n, m_in[static_cast<size_t>(n)]);
            for (const Edge& e : edgesOf(n, m_in[static_cast<size_t>(n)])) {
                if (e.to < 0) continue;
                const auto to = static_cast<size_t>(e.to);
                const bool grew = m_in[to].merge(exit);
                if (grew || !m_stated[to]) {
                    m_stated[to] = true;
                    work.push_back(e.to);
                }
            }
        }
    }

    // The carried values reach a scene from the first scene; scenes no path
    // reaches get them from where their own part of the story begins.
    void flowAll() {
        const size_t n = m_graph.scenes.size();
        m_in.assign(n, Carried{});
        m_stated.assign(n, false);
        auto seed = [&](int node, std::deque<int>& work) {
            m_in[static_cast<size_t>(node)].merge(initialState());
            m_stated[static_cast<size_t>(node)] = true;
            work.push_back(node);
        };
        std::deque<int> work;
        if (m_graph.start >= 0) seed(m_graph.start, work);
        flowFrom(std::move(work));

        std::vector<bool> entered(n, false);
        for (size_t i = 0; i < n; ++i)
            for (const Edge& e : edgesOf(static_cast<int>(i), Carried{}))
                if (e.to >= 0 && e.to != static_cast<int>(i))
                    entered[static_cast<size_t>(e.to)] = true;
        for (bool roots : {true, false}) {
            std::deque<int> more;
            for (size_t i = 0; i < n; ++i)
                if (!m_stated[i] && !m_graph.scenes[i].setup && (!roots || !entered[i]))
                    seed(static_cast<int>(i), more);
            flowFrom(std::move(more));
        }
    }

    HeadlessHost m_host;
    StoryGraph m_graph;
    std::map<std::string, int> m_fileIndex;
    std::vector<std::unique_ptr<SceneTable>> m_tables;
    std::vector<std::unordered_map<std::string, std::vector<int>>> m_slotIndex;  // per file
    std::vector<int> m_firstNode;
    std::vector<SceneLinks> m_links;
    std::vector<Carried> m_in;
    std::vector<bool> m_stated;
};

}  // namespace

StoryGraph buildStoryGraph(const std::string& gameFile) { return Builder().build(gameFile); }

}  // namespace parvel::story
