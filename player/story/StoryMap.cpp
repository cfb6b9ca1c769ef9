#include "StoryMap.h"

#include <graphviz/cgraph.h>
#include <graphviz/gvc.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>

#include "TextCodec.h"

namespace parvel::story {

namespace {

// Graphs with more edges than this are drawn without edge labels: dot
// places a label like a node, and on big stories that multiplies the
// layout time while the page shows every option's text anyway.
constexpr size_t kLabelledEdges = 400;

// Bounds on what the map draws and writes, so that a game of any shape
// lays out in seconds: a random link that may reach more scenes than
// kRandomDrawn is drawn as one edge to a group; of a story with more than
// kMaxNodes scenes those nearest the first are drawn, then targets that are
// not scenes and groups while there is room, and at most kMaxEdges ways
// (the page still lists every scene and way); names and texts are cut.
constexpr size_t kRandomDrawn = 4;
constexpr size_t kMaxNodes = 1500;
constexpr size_t kMaxEdges = 6000;
constexpr size_t kNameCut = 80;      // a node's label
constexpr size_t kTipCut = 200;      // a tooltip
constexpr size_t kPageName = 1000;   // a name or option text in the page
constexpr size_t kPageText = 65536;  // a scene's text in the page
constexpr size_t kPageFrom = 200;    // scenes listed as leading to one

constexpr const char* kKeys = " asdfgz";

std::string utf8(std::string_view script) { return cp1252ToUtf8(script); }

std::string dotString(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n' || c == '\r') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

std::string shorten(const std::string& s, size_t max) {
    // Cut at a character boundary of the UTF-8 text.
    if (s.size() <= max) return s;
    size_t cut = max;
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
    return s.substr(0, cut) + "…";
}

enum class Look { Normal, Start, Ending, Unreachable, Trap, RandomOnly };

struct Style {
    const char* fill;
    const char* caption;
};

const std::map<Look, Style> kStyles = {
    {Look::Normal, {"#ffffff", "scene"}},
    {Look::Start, {"#cfe3ff", "first scene"}},
    {Look::Ending, {"#cdeccb", "no way out (an ending)"}},
    {Look::Unreachable, {"#dddddd", "no path reaches it"}},
    {Look::Trap, {"#ffd39b", "part with no exit"}},
    {Look::RandomOnly, {"#ecdcff", "entered only through random links"}},
};

std::vector<Look> looks(const StoryGraph& graph, const StoryAnalysis& a) {
    std::vector<Look> out(graph.scenes.size(), Look::Normal);
    for (int s : a.randomOnly) out[static_cast<size_t>(s)] = Look::RandomOnly;
    if (graph.start >= 0) out[static_cast<size_t>(graph.start)] = Look::Start;
    for (int s : a.noWayOut) out[static_cast<size_t>(s)] = Look::Ending;
    for (const auto& t : a.traps)
        for (int s : t) out[static_cast<size_t>(s)] = Look::Trap;
    for (int s : a.unreachable) out[static_cast<size_t>(s)] = Look::Unreachable;
    return out;
}

// Steps from the first scene (then from each scene nothing reaches yet).
// On big stories only edges that lead deeper rank the drawing: the ways
// back would otherwise stretch it over as many ranks as the longest cycle,
// and the layout would take minutes.
std::vector<int> depths(const StoryGraph& graph) {
    const size_t n = graph.scenes.size();
    std::vector<std::vector<int>> out(n);
    for (const Edge& e : graph.edges)
        if (e.to >= 0) out[static_cast<size_t>(e.from)].push_back(e.to);
    std::vector<int> depth(n, -1);
    auto walk = [&](int root) {
        depth[static_cast<size_t>(root)] = 0;
        std::deque<int> work{root};
        while (!work.empty()) {
            const int v = work.front();
            work.pop_front();
            for (int w : out[static_cast<size_t>(v)])
                if (depth[static_cast<size_t>(w)] < 0) {
                    depth[static_cast<size_t>(w)] = depth[static_cast<size_t>(v)] + 1;
                    work.push_back(w);
                }
        }
    };
    if (graph.start >= 0) walk(graph.start);
    for (size_t i = 0; i < n; ++i)
        if (depth[i] < 0) walk(static_cast<int>(i));
    return depth;
}

// The random edges of one option of one scene: edges [begin, end).
struct RandomRun {
    size_t begin = 0, end = 0;
};

// Runs of random edges long enough to be drawn as a group. The builder
// puts the edges of one option of one scene next to each other.
std::vector<RandomRun> groupedRuns(const StoryGraph& graph) {
    std::vector<RandomRun> out;
    const auto& edges = graph.edges;
    for (size_t i = 0; i < edges.size();) {
        size_t j = i + 1;
        if (edges[i].kind == EdgeKind::Random)
            while (j < edges.size() && edges[j].kind == EdgeKind::Random &&
                   edges[j].from == edges[i].from && edges[j].option == edges[i].option)
                ++j;
        if (edges[i].kind == EdgeKind::Random && j - i > kRandomDrawn) out.push_back({i, j});
        i = j;
    }
    return out;
}

// "S1 … S500: 500 scenes" (with how many targets are not scenes).
std::string groupCaption(const StoryGraph& graph, const RandomRun& r) {
    // Shortest first, so that "S2" comes before "S10".
    auto before = [](const std::string& x, const std::string& y) {
        return x.size() != y.size() ? x.size() < y.size() : x < y;
    };
    const std::string* first = &graph.edges[r.begin].target;
    const std::string* last = first;
    size_t undefined = 0;
    for (size_t i = r.begin; i < r.end; ++i) {
        const std::string& t = graph.edges[i].target;
        if (before(t, *first)) first = &t;
        if (before(*last, t)) last = &t;
        undefined += graph.edges[i].to < 0;
    }
    const size_t count = r.end - r.begin;
    std::string c = shorten(utf8(*first), 30) + " … " + shorten(utf8(*last), 30) + ": " +
                    std::to_string(count - undefined) + " scenes";
    if (undefined) c += ", " + std::to_string(undefined) + " not defined";
    return c;
}

std::string edgeCaption(const Edge& e) {
    switch (e.kind) {
        case EdgeKind::Option:
            return std::string("(") + kKeys[e.option] + ")";
        case EdgeKind::Random:
            return std::string("(") + kKeys[e.option] + ") random";
        case EdgeKind::HotSpot:
            return "hot spot";
        case EdgeKind::FightWin:
            return "win";
        case EdgeKind::FightLose:
            return "lose";
    }
    return "";
}

std::string jsonString(std::string_view s) {
    std::string out = "\"";
    for (size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '<':
                out += "\\u003c";
                break;  // no "</script>" inside the page's script
            case '>':
                out += "\\u003e";
                break;
            case '&':
                out += "\\u0026";
                break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else if (c == 0xE2 && i + 2 < s.size() &&
                           static_cast<unsigned char>(s[i + 1]) == 0x80 &&
                           (static_cast<unsigned char>(s[i + 2]) == 0xA8 ||
                            static_cast<unsigned char>(s[i + 2]) == 0xA9)) {
                    out += static_cast<unsigned char>(s[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
                    i += 2;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string htmlText(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '&')
            out += "&amp;";
        else if (c == '"')
            out += "&quot;";
        else
            out += c;
    }
    return out;
}

}  // namespace

std::string storyDot(const StoryGraph& graph, const StoryAnalysis& analysis,
                     const Coverage* coverage, std::string* simplified) {
    const auto look = looks(graph, analysis);
    const auto depth = depths(graph);
    const size_t n = graph.scenes.size();

    // The scenes drawn: all of the story, or those nearest the first scene.
    std::vector<int> order;
    for (size_t i = 0; i < n; ++i)
        if (analysis.story[i]) order.push_back(static_cast<int>(i));
    const size_t storyScenes = order.size();
    if (order.size() > kMaxNodes) {
        std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
            return depth[static_cast<size_t>(x)] < depth[static_cast<size_t>(y)];
        });
        order.resize(kMaxNodes);
    }
    std::vector<bool> drawn(n, false);
    for (int i : order) drawn[static_cast<size_t>(i)] = true;

    // The ways drawn, in the graph's order; a long random run becomes one
    // way to its group, shared by the options of a scene that lead to it.
    struct Way {
        const Edge* edge;
        std::string node;  // a target node defined just before the way
        std::string to;
        std::string keys;  // the options of a grouped way
        bool taken = false;
    };
    std::vector<Way> ways;
    size_t allWays = 0, extraNodes = 0;
    std::map<std::pair<int, std::string>, int> missing;
    std::map<std::string, int> groups;
    std::map<std::pair<int, int>, size_t> groupWay;  // (scene, group) -> way
    auto taken = [&](const Edge& e) {
        return coverage && e.to >= 0 && coverage->taken.count({e.from, e.to}) > 0;
    };
    const auto runs = groupedRuns(graph);
    size_t run = 0;
    for (size_t i = 0; i < graph.edges.size(); ++i) {
        const Edge& e = graph.edges[i];
        const bool grouped = run < runs.size() && runs[run].begin == i;
        const size_t end = grouped ? runs[run++].end : i + 1;
        const size_t from = static_cast<size_t>(e.from);
        if (!analysis.story[from]) {
            i = end - 1;
            continue;
        }
        if (grouped) {
            std::string key = std::to_string(e.targetFile);
            bool anyTaken = false;
            for (size_t k = i; k < end; ++k) {
                key += '\n' + graph.edges[k].target;
                anyTaken = anyTaken || taken(graph.edges[k]);
            }
            auto [g, added] = groups.insert({std::move(key), static_cast<int>(groups.size())});
            const std::string caption = groupCaption(graph, {i, end});
            i = end - 1;
            if (auto w = groupWay.find({e.from, g->second}); w != groupWay.end()) {
                ways[w->second].keys += kKeys[e.option];
                ways[w->second].taken = ways[w->second].taken || anyTaken;
                continue;
            }
            ++allWays;
            if (!drawn[from] || ways.size() >= kMaxEdges ||
                (added && order.size() + extraNodes >= kMaxNodes)) {
                if (added) groups.erase(g);  // drawn nowhere: a later scene may draw it
                continue;
            }
            Way w{&e, "", "g" + std::to_string(g->second), std::string(1, kKeys[e.option]),
                  anyTaken};
            if (added) {
                ++extraNodes;
                w.node = "  " + w.to + " [id=\"group_" + std::to_string(g->second) +
                         "\", label=" + dotString("random: " + caption) +
                         ", style=\"rounded,dashed,filled\", fillcolor=\"#f5eeff\", "
                         "color=\"#8e44ad\", fontcolor=\"#5b2c6f\"];\n";
            }
            groupWay[{e.from, g->second}] = ways.size();
            ways.push_back(std::move(w));
            continue;
        }
        ++allWays;
        if (!drawn[from] || ways.size() >= kMaxEdges) continue;
        Way w{&e, "", "", "", taken(e)};
        if (e.to >= 0) {
            if (!drawn[static_cast<size_t>(e.to)]) continue;
            w.to = "n" + std::to_string(e.to);
        } else {
            const auto key = std::make_pair(e.targetFile, e.target);
            auto it = missing.find(key);
            if (it == missing.end()) {
                if (order.size() + extraNodes >= kMaxNodes) continue;
                ++extraNodes;
                it = missing.insert({key, static_cast<int>(missing.size())}).first;
                w.node = "  m" + std::to_string(it->second) + " [id=\"missing_" +
                         std::to_string(it->second) + "\", label=" +
                         dotString(e.target.empty() ? "(none declared)"
                                                    : shorten(utf8(e.target), kNameCut) + "?") +
                         ", style=\"rounded,dashed,filled\", fillcolor=\"#ffe0e0\", "
                         "color=\"#c0392b\", fontcolor=\"#c0392b\"];\n";
            }
            w.to = "m" + std::to_string(it->second);
        }
        ways.push_back(std::move(w));
    }
    if (simplified) {
        simplified->clear();
        if (order.size() < storyScenes || ways.size() < allWays)
            *simplified = "the map is simplified: it draws " + std::to_string(order.size()) +
                          " of " + std::to_string(storyScenes) + " scenes and " +
                          std::to_string(ways.size()) + " of " + std::to_string(allWays) +
                          " ways (the page lists every scene)";
    }

    const bool labels = ways.size() <= kLabelledEdges;
    std::string d = "digraph story {\n";
    d += "  graph [fontname=\"DejaVu Sans\", fontsize=11, nodesep=0.25, ranksep=0.45];\n";
    d += "  node [shape=box, style=\"rounded,filled\", fontname=\"DejaVu Sans\", fontsize=10, "
         "color=\"#555555\", margin=\"0.12,0.04\", height=0.3];\n";
    d += "  edge [fontname=\"DejaVu Sans\", fontsize=8, color=\"#777777\", fontcolor=\"#555555\", "
         "arrowsize=0.6];\n";
    auto node = [&](size_t i) {
        const Scene& s = graph.scenes[i];
        std::string style = "rounded,filled";
        std::string extra;
        if (coverage && analysis.story[i] && !coverage->visited[i]) {
            style += ",dashed";
            extra = ", color=\"#c0392b\", penwidth=1.6";
        }
        if (look[i] == Look::Start) extra += ", penwidth=2";
        return "n" + std::to_string(i) + " [id=\"scene_" + std::to_string(i) +
               "\", label=" + dotString(shorten(utf8(s.name), kNameCut)) +
               ", tooltip=" + dotString(shorten(utf8(s.description), kTipCut)) + ", style=\"" +
               style + "\", fillcolor=\"" + kStyles.at(look[i]).fill + "\"" +
               (look[i] == Look::Unreachable ? ", fontcolor=\"#666666\"" : "") + extra + "];\n";
    };
    std::vector<std::string> bodies(graph.files.size());
    for (size_t i = 0; i < n; ++i)
        if (drawn[i]) bodies[static_cast<size_t>(graph.scenes[i].file)] += "    " + node(i);
    for (size_t f = 0; f < graph.files.size(); ++f) {
        if (f == 0) {
            d += bodies[f];
        } else {
            d += "  subgraph cluster_file" + std::to_string(f) +
                 " {\n    label=" + dotString(shorten(utf8(graph.files[f].name), kNameCut)) +
                 ";\n    style=\"rounded,dashed\";\n    color=\"#8888aa\";\n    "
                 "fontcolor=\"#555577\";\n" +
                 bodies[f] + "  }\n";
        }
    }
    for (const Way& w : ways) {
        const Edge& e = *w.edge;
        d += w.node;
        std::string caption = edgeCaption(e);
        if (!w.keys.empty()) {
            caption = "(";
            for (size_t k = 0; k < w.keys.size(); ++k)
                caption += (k ? std::string(", ") : std::string()) + w.keys[k];
            caption += ") random";
        }
        std::string attrs =
            "tooltip=" +
            dotString(caption + (e.label.empty() ? "" : " " + shorten(utf8(e.label), 120)));
        if (labels) attrs += ", label=" + dotString(caption);
        const char* colour = "#777777";
        switch (e.kind) {
            case EdgeKind::Random:
                attrs += ", style=dashed";
                colour = "#8e44ad";
                break;
            case EdgeKind::HotSpot:
                attrs += ", style=dotted";
                colour = "#2471a3";
                break;
            case EdgeKind::FightWin:
                colour = "#1e8449";
                break;
            case EdgeKind::FightLose:
                colour = "#c0392b";
                break;
            case EdgeKind::Option:
                break;
        }
        // With walkthroughs, the ways they never took fade.
        const bool faded = coverage && !w.taken;
        attrs += std::string(", color=\"") + colour + (faded ? "55\"" : "\"");
        if (e.chained) attrs += ", penwidth=2.2";
        // Only on big graphs, which have no edge labels: Debian 12's dot
        // frees a labelled edge that does not rank twice when the layout is
        // freed after rendering.
        if (!labels && w.keys.empty() && e.to >= 0 &&
            depth[static_cast<size_t>(e.to)] <= depth[static_cast<size_t>(e.from)])
            attrs += ", constraint=false";
        d += "  n" + std::to_string(e.from) + " -> " + w.to + " [" + attrs + "];\n";
    }
    return d + "}\n";
}

namespace {

// What Graphviz reports while it works: it prints errors and carries on,
// so they are collected and a layout that had any fails with them.
std::string g_graphvizErrors;

int collectGraphvizError(char* message) {
    if (g_graphvizErrors.size() < 4096) g_graphvizErrors += message;
    return 0;
}

Error graphvizError(const char* what) {
    // Graphviz writes its "Error: " in pieces of their own before the text.
    std::string m = g_graphvizErrors;
    for (size_t p; (p = m.find("Error: ")) != std::string::npos;) m.erase(p, 7);
    while (!m.empty() && (m.back() == '\n' || m.back() == ' ')) m.pop_back();
    for (char& c : m)
        if (c == '\n') c = ' ';
    return Error{err::InvalidCall, m.empty() ? std::string(what) : std::string(what) + ": " + m};
}

}  // namespace

Result<std::string> layoutSvg(const std::string& dot) {
    agseterr(AGERR);
    g_graphvizErrors.clear();
    const agusererrf before = agseterrf(collectGraphvizError);
    agreseterrors();
    struct Restore {
        agusererrf f;
        ~Restore() { agseterrf(f); }
    } restore{before};
    // One context for the process: Graphviz's text plugin remembers the
    // last font name by pointer into the context, so a second context would
    // compare against freed memory.
    static GVC_t* const gvc = gvContext();
    if (!gvc) return Error{err::InvalidCall, "Graphviz could not start"};
    Agraph_t* g = agmemread(dot.c_str());
    if (!g) return graphvizError("Graphviz could not read the graph");
    Result<std::string> out = Error{err::InvalidCall, "Graphviz could not lay out the graph"};
    if (gvLayout(gvc, g, "dot") == 0) {
        char* data = nullptr;
        unsigned int length = 0;
        if (gvRenderData(gvc, g, "svg", &data, &length) == 0 && data)
            out = std::string(data, length);
        if (data) gvFreeRenderData(data);
        gvFreeLayout(gvc, g);
    }
    agclose(g);
    if (!out || agerrors() >= AGERR || !g_graphvizErrors.empty())
        return graphvizError("Graphviz could not lay out the graph");
    return out;
}

std::string storyHtml(const StoryGraph& graph, const StoryAnalysis& analysis,
                      const Coverage* coverage, const std::string& svg,
                      const std::string& simplified) {
    const auto look = looks(graph, analysis);
    std::string title = graph.title.empty() ? graph.files.front().name : graph.title;
    title = shorten(utf8(title), kPageName);
    auto name = [](const std::string& s) { return jsonString(shorten(utf8(s), kPageName)); };

    // Each scene's ways on and the scenes leading to it, in one pass.
    const size_t n = graph.scenes.size();
    std::vector<std::vector<size_t>> outOf(n);
    std::vector<std::vector<int>> into(n);
    std::vector<size_t> moreInto(n, 0);
    for (size_t k = 0; k < graph.edges.size(); ++k) {
        const Edge& e = graph.edges[k];
        outOf[static_cast<size_t>(e.from)].push_back(k);
        if (e.to < 0) continue;
        auto& in = into[static_cast<size_t>(e.to)];
        if (!in.empty() && in.back() == e.from) continue;
        if (in.size() < kPageFrom)
            in.push_back(e.from);
        else
            ++moreInto[static_cast<size_t>(e.to)];
    }
    const auto runs = groupedRuns(graph);
    std::vector<size_t> runEnd(graph.edges.size(), 0);
    std::vector<bool> inGroup(graph.edges.size(), false);  // past a group's first edge
    for (const auto& r : runs) {
        runEnd[r.begin] = r.end;
        for (size_t k = r.begin + 1; k < r.end; ++k) inGroup[k] = true;
    }

    // One record per scene for the side panel.
    std::string data = "[";
    for (size_t i = 0; i < graph.scenes.size(); ++i) {
        const Scene& s = graph.scenes[i];
        std::string status;
        if (analysis.story[i]) status = kStyles.at(look[i]).caption;
        if (coverage && analysis.story[i] && !coverage->visited[i])
            status += ", not visited by the walkthroughs";
        data += std::string(i ? ",\n" : "") + "{\"name\":" + name(s.name) +
                ",\"file\":" + name(graph.files[static_cast<size_t>(s.file)].name) +
                ",\"story\":" + (analysis.story[i] ? "true" : "false") +
                ",\"status\":" + jsonString(status) +
                ",\"text\":" + jsonString(shorten(utf8(s.description), kPageText)) +
                ",\"pictures\":[";
        for (size_t p = 0; p < s.pictures.size(); ++p) data += (p ? "," : "") + name(s.pictures[p]);
        data += "],\"out\":[";
        bool first = true;
        for (size_t k : outOf[i]) {
            const Edge& e = graph.edges[k];
            if (inGroup[k]) continue;  // inside a group, listed once
            std::string target = e.target.empty() ? "(none declared)" : e.target;
            std::string to = std::to_string(e.to);
            if (runEnd[k]) {
                target = groupCaption(graph, {k, runEnd[k]});
                to = "-1,\"group\":" + std::to_string(runEnd[k] - k);
            } else {
                target = shorten(utf8(target), kPageName);
            }
            data += std::string(first ? "" : ",") + "{\"how\":" + jsonString(edgeCaption(e)) +
                    ",\"text\":" + name(e.label) + ",\"target\":" + jsonString(target) +
                    ",\"to\":" + to + ",\"chained\":" + (e.chained ? "true" : "false") + "}";
            first = false;
        }
        data += "],\"in\":[";
        first = true;
        for (int f : into[i]) {
            data += std::string(first ? "" : ",") + std::to_string(f);
            first = false;
        }
        data += "],\"inMore\":" + std::to_string(moreInto[i]) + "}";
    }
    data += "]";

    std::string findings;
    if (!simplified.empty()) findings += "<li id=\"simplified\">" + htmlText(simplified) + "</li>";
    for (const auto& line : analysisReport(graph, analysis))
        findings += "<li>" + htmlText(shorten(utf8(line), kPageText)) + "</li>";
    if (coverage) {
        findings += "<li>" + htmlText(coverageSummary(*coverage)) + "</li>";
        std::string names;
        for (int s : coverage->unvisited)
            names += (names.empty() ? "" : ", ") + graph.displayName(s);
        findings += "<li>not visited: " +
                    htmlText(shorten(utf8(names.empty() ? "none" : names), kPageText)) + "</li>";
    }

    std::string legend;
    for (Look l :
         {Look::Start, Look::Normal, Look::Ending, Look::Unreachable, Look::Trap, Look::RandomOnly})
        legend += std::string("<li><span class=\"swatch\" style=\"background:") +
                  kStyles.at(l).fill + "\"></span>" + kStyles.at(l).caption + "</li>";
    legend += "<li><span class=\"swatch missing\"></span>target that is not a scene</li>";
    if (coverage)
        legend +=
            "<li><span class=\"swatch unvisited\"></span>not visited by the walkthroughs</li>"
            "<li><span class=\"line faded\"></span>way the walkthroughs never took</li>";
    legend +=
        "<li><span class=\"line\"></span>option (key)</li>"
        "<li><span class=\"line random\"></span>random link (to a group when it may reach more "
        "than " +
        std::to_string(kRandomDrawn) +
        " scenes)</li>"
        "<li><span class=\"line spot\"></span>hot spot</li>"
        "<li><span class=\"line win\"></span>fight won</li>"
        "<li><span class=\"line lose\"></span>fight lost</li>"
        "<li><span class=\"line chained\"></span>into the next game file (thick)</li>";

    const size_t svgStart = svg.find("<svg");
    const std::string drawing = svgStart == std::string::npos ? svg : svg.substr(svgStart);

    std::string h = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Story map: )" +
                    htmlText(title) + R"(</title>
<style>
body { margin: 0; font: 14px "DejaVu Sans", sans-serif; color: #222; display: flex; flex-direction: column; height: 100vh; }
header { display: flex; gap: 1em; align-items: center; padding: .5em 1em; background: #2c3e50; color: #fff; }
header h1 { font-size: 1.1em; margin: 0; flex: 1; }
header input { font: inherit; padding: .2em .4em; width: 16em; }
header button { font: inherit; }
#found { min-width: 6em; }
main { display: flex; flex: 1; min-height: 0; }
#map { flex: 1; overflow: auto; background: #fafafa; }
#map svg.fit { width: 100%; height: auto; }
aside { width: 24em; overflow: auto; border-left: 1px solid #ccc; padding: 0 1em; }
aside h2 { font-size: 1.05em; margin: .8em 0 .3em; }
#text { white-space: pre-wrap; background: #f4f4f4; padding: .5em; border-radius: 4px; }
ul { padding-left: 1.2em; margin: .3em 0; }
.swatch { display: inline-block; width: 1.2em; height: .9em; border: 1px solid #555; border-radius: 3px; margin-right: .4em; vertical-align: middle; }
.swatch.missing { background: #ffe0e0; border: 1px dashed #c0392b; }
.swatch.unvisited { background: #fff; border: 2px dashed #c0392b; }
.line { display: inline-block; width: 2em; border-top: 2px solid #777; margin-right: .4em; vertical-align: middle; }
.line.random { border-top: 2px dashed #8e44ad; } .line.spot { border-top: 2px dotted #2471a3; }
.line.faded { border-top-color: #ddd; }
.line.win { border-top-color: #1e8449; } .line.lose { border-top-color: #c0392b; } .line.chained { border-top-width: 4px; }
g.node { cursor: pointer; }
g.node.dim { opacity: .25; }
g.node.match path, g.node.match polygon { stroke: #e67e22; stroke-width: 3; }
g.node.selected path, g.node.selected polygon { stroke: #d35400; stroke-width: 4; }
a.scene { color: #1a5fb4; cursor: pointer; text-decoration: underline; }
</style>
</head>
<body>
<header><h1>Story map: )" +
                    htmlText(title) + R"(</h1>
<input id="search" type="search" placeholder="Find a scene or text" aria-label="Find a scene">
<span id="found"></span>
<button id="fit" type="button">Fit</button></header>
<main>
<div id="map">
)" + drawing + R"(
</div>
<aside>
<section id="details"><h2 id="scene-name">Scenes</h2><p id="scene-status">Click a scene to see its text, options and pictures.</p>
<div id="text" hidden></div><h2 id="options-head" hidden>Ways on</h2><ul id="options"></ul>
<h2 id="pictures-head" hidden>Pictures</h2><ul id="pictures"></ul><h2 id="from-head" hidden>Reached from</h2><ul id="from"></ul></section>
<h2>Findings</h2><ul id="findings">)" +
                    findings + R"(</ul>
<h2>Legend</h2><ul id="legend">)" +
                    legend + R"(</ul>
</aside>
</main>
<script>
const scenes = )" + data +
                    R"(;
const $ = id => document.getElementById(id);
const svg = document.querySelector('#map svg');
let selected = null;
function item(list, text, to) {
  const li = document.createElement('li');
  li.append(text);
  if (to >= 0) {
    const a = document.createElement('a');
    a.className = 'scene';
    a.textContent = scenes[to].name;
    a.onclick = () => show(to, true);
    li.append(' ', a);
  }
  list.append(li);
}
function show(i, scroll) {
  const s = scenes[i];
  if (selected) selected.classList.remove('selected');
  selected = $('scene_' + i);
  if (selected) {
    selected.classList.add('selected');
    if (scroll) selected.scrollIntoView({block: 'center', inline: 'center'});
  }
  $('scene-name').textContent = s.name + (s.file === scenes[0].file ? '' : ' (' + s.file + ')');
  $('scene-status').textContent = s.status;
  $('text').hidden = false;
  $('text').textContent = s.text || '(no description)';
  for (const id of ['options', 'pictures', 'from']) $(id).replaceChildren();
  for (const o of s.out)
    item($('options'), o.how + (o.text ? ' ' + o.text : '') + ' \u2192' + (o.group ? ' one of ' + o.target : o.to < 0 ? ' ' + o.target + ' (not a scene)' : '') + (o.chained ? ' [next file]' : ''), o.to);
  for (const p of s.pictures) item($('pictures'), p, -1);
  for (const f of new Set(s.in)) item($('from'), '', f);
  if (s.inMore) item($('from'), 'and ' + s.inMore + ' more', -1);
  $('options-head').hidden = s.out.length === 0;
  $('pictures-head').hidden = s.pictures.length === 0;
  $('from-head').hidden = s.in.length === 0;
}
svg.addEventListener('click', ev => {
  const g = ev.target.closest('g.node');
  if (g && g.id.startsWith('scene_')) show(Number(g.id.slice(6)), false);
});
function search() {
  const q = $('search').value.trim().toLowerCase();
  let first = -1, count = 0;
  scenes.forEach((s, i) => {
    const g = $('scene_' + i);
    if (!g) return;
    const hit = q !== '' && (s.name.toLowerCase().includes(q) || s.text.toLowerCase().includes(q));
    g.classList.toggle('match', hit);
    g.classList.toggle('dim', q !== '' && !hit);
    if (hit) { count++; if (first < 0) first = i; }
  });
  $('found').textContent = q === '' ? '' : count + (count === 1 ? ' scene' : ' scenes');
  return first;
}
$('search').addEventListener('input', search);
$('search').addEventListener('keydown', ev => {
  if (ev.key !== 'Enter') return;
  const i = search();
  if (i >= 0) show(i, true);
});
$('fit').addEventListener('click', () => svg.classList.toggle('fit'));
// "#scene=NAME" opens the page on that scene, as a click on it would.
function fromHash() {
  const m = /^#scene=(.*)$/.exec(location.hash);
  if (!m) return;
  const name = decodeURIComponent(m[1]).toLowerCase();
  const i = scenes.findIndex(s => s.story && s.name.toLowerCase() === name);
  const g = i >= 0 ? $('scene_' + i) : null;
  if (g) g.dispatchEvent(new MouseEvent('click', {bubbles: true}));
}
window.addEventListener('hashchange', fromHash);
fromHash();
</script>
</body>
</html>
)";
    return h;
}

Status writeStoryMap(const StoryGraph& graph, const StoryAnalysis& analysis,
                     const Coverage* coverage, const std::string& outDir, std::string* simplified) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(outDir, ec);
    if (ec) return Error{err::PathNotFound, "cannot make " + outDir + ": " + ec.message()};
    auto write = [&](const char* name, const std::string& bytes) -> Status {
        const fs::path p = fs::path(outDir) / name;
        std::ofstream f(p, std::ios::binary | std::ios::trunc);
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!f) return Error{err::PathNotFound, "cannot write " + p.string()};
        return Ok{};
    };
    // The graph first: should the layout fail, the author still has it.
    std::string note;
    const std::string dot = storyDot(graph, analysis, coverage, &note);
    if (simplified) *simplified = note;
    if (auto s = write("map.dot", dot); !s) return s;
    auto svg = layoutSvg(dot);
    if (!svg) return svg.error();
    if (auto s = write("map.svg", *svg); !s) return s;
    return write("index.html", storyHtml(graph, analysis, coverage, *svg, note));
}

}  // namespace parvel::story
