#include "StoryAnalysis.h"

#include <algorithm>
#include <deque>

namespace parvel::story {

namespace {

// Strongly connected parts (Tarjan's algorithm, without recursion so that
// long chains of scenes cannot exhaust the stack).
std::vector<int> components(const std::vector<std::vector<int>>& out, int& count) {
    const int n = static_cast<int>(out.size());
    std::vector<int> index(out.size(), -1), low(out.size(), 0), comp(out.size(), -1);
    std::vector<bool> onStack(out.size(), false);
    std::vector<int> stack;
    std::vector<std::pair<int, size_t>> call;
    int next = 0;
    count = 0;
    for (int root = 0; root < n; ++root) {
        if (index[static_cast<size_t>(root)] >= 0) continue;
        call.push_back({root, 0});
        while (!call.empty()) {
            auto& [v, i] = call.back();
            const auto uv = static_cast<size_t>(v);
            if (i == 0 && index[uv] < 0) {
                index[uv] = low[uv] = next++;
                stack.push_back(v);
                onStack[uv] = true;
            }
            if (i < out[uv].size()) {
                const int w = out[uv][i++];
                const auto uw = static_cast<size_t>(w);
                if (index[uw] < 0)
                    call.push_back({w, 0});
                else if (onStack[uw])
                    low[uv] = std::min(low[uv], index[uw]);
                continue;
            }
            if (low[uv] == index[uv]) {
                for (;;) {
                    const int w = stack.back();
                    stack.pop_back();
                    onStack[static_cast<size_t>(w)] = false;
                    comp[static_cast<size_t>(w)] = count;
                    if (w == v) break;
                }
                ++count;
            }
            const int done = v;
            call.pop_back();
            if (!call.empty()) {
                const auto up = static_cast<size_t>(call.back().first);
                low[up] = std::min(low[up], low[static_cast<size_t>(done)]);
            }
        }
    }
    return comp;
}

}  // namespace

StoryAnalysis analyseStory(const StoryGraph& graph) {
    const size_t n = graph.scenes.size();
    StoryAnalysis a;
    a.reachable.assign(n, false);
    std::vector<std::vector<int>> out(n);
    for (size_t e = 0; e < graph.edges.size(); ++e) {
        const Edge& edge = graph.edges[e];
        if (edge.to < 0)
            a.undefinedEdges.push_back(static_cast<int>(e));
        else
            out[static_cast<size_t>(edge.from)].push_back(edge.to);
    }
    if (graph.start >= 0) {
        std::deque<int> work{graph.start};
        a.reachable[static_cast<size_t>(graph.start)] = true;
        while (!work.empty()) {
            const int v = work.front();
            work.pop_front();
            for (int w : out[static_cast<size_t>(v)])
                if (!a.reachable[static_cast<size_t>(w)]) {
                    a.reachable[static_cast<size_t>(w)] = true;
                    work.push_back(w);
                }
        }
    }
    a.story.assign(n, false);
    for (size_t i = 0; i < n; ++i) {
        a.story[i] = !graph.scenes[i].setup || a.reachable[i];
        if (!a.story[i]) continue;
        ++a.storyCount;
        if (graph.start >= 0 && !a.reachable[i]) a.unreachable.push_back(static_cast<int>(i));
        if (out[i].empty()) a.noWayOut.push_back(static_cast<int>(i));
    }

    int count = 0;
    const auto comp = components(out, count);
    std::vector<std::vector<int>> members(static_cast<size_t>(count));
    std::vector<bool> leaves(static_cast<size_t>(count), false),
        loops(static_cast<size_t>(count), false);
    for (size_t v = 0; v < n; ++v) {
        const auto c = static_cast<size_t>(comp[v]);
        members[c].push_back(static_cast<int>(v));
        for (int w : out[v]) {
            if (comp[static_cast<size_t>(w)] != comp[v])
                leaves[c] = true;
            else
                loops[c] = true;
        }
    }
    for (size_t c = 0; c < members.size(); ++c)
        if (loops[c] && !leaves[c] && a.story[static_cast<size_t>(members[c].front())]) {
            std::sort(members[c].begin(), members[c].end());
            a.traps.push_back(members[c]);
        }
    std::sort(a.traps.begin(), a.traps.end());

    std::vector<int> entries(n, 0), randomEntries(n, 0);
    for (const Edge& e : graph.edges) {
        if (e.to < 0 || e.to == e.from) continue;
        ++entries[static_cast<size_t>(e.to)];
        if (e.kind == EdgeKind::Random) ++randomEntries[static_cast<size_t>(e.to)];
    }
    for (size_t i = 0; i < n; ++i)
        if (a.story[i] && static_cast<int>(i) != graph.start && entries[i] > 0 &&
            entries[i] == randomEntries[i])
            a.randomOnly.push_back(static_cast<int>(i));
    return a;
}

std::vector<std::string> analysisReport(const StoryGraph& graph, const StoryAnalysis& a) {
    auto names = [&](const std::vector<int>& scenes) {
        std::string s;
        for (int v : scenes) s += (s.empty() ? "" : ", ") + graph.displayName(v);
        return s.empty() ? std::string("none") : s;
    };
    std::vector<std::string> lines;
    lines.push_back("scenes: " + std::to_string(a.storyCount) + " in " +
                    std::to_string(graph.files.size()) +
                    (graph.files.size() == 1 ? " file" : " files") +
                    ", edges: " + std::to_string(graph.edges.size()));
    lines.push_back("first scene: " + (graph.start >= 0
                                           ? graph.displayName(graph.start)
                                           : "'" + graph.firstScene + "' (not defined)"));
    lines.push_back("unreachable: " + names(a.unreachable));
    std::string undefined;
    for (int e : a.undefinedEdges) {
        const Edge& edge = graph.edges[static_cast<size_t>(e)];
        undefined += (undefined.empty() ? "" : ", ") + graph.displayName(edge.from) + " -> '" +
                     edge.target + "' (" + kindName(edge.kind) + ")";
    }
    lines.push_back("undefined targets: " + (undefined.empty() ? std::string("none") : undefined));
    lines.push_back("no way out: " + names(a.noWayOut));
    std::string traps;
    for (const auto& t : a.traps) traps += (traps.empty() ? "" : "; ") + names(t);
    lines.push_back("no exit: " + (traps.empty() ? std::string("none") : traps));
    lines.push_back("only through random links: " + names(a.randomOnly));
    return lines;
}

}  // namespace parvel::story
