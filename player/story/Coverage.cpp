#include "Coverage.h"

#include "Paths.h"
#include "Replay.h"
#include "Vb.h"

namespace parvel::story {

using namespace vb;

Result<std::vector<std::string>> playedScenes(
    const std::string& gameFile, const std::string& walkthroughFile, std::uint32_t seed,
    const std::function<void(int line, std::string_view message)>& warn) {
    auto text = readWholeFile(walkthroughFile);
    if (!text) return Error{err::FileNotFound, "cannot read " + walkthroughFile};
    auto steps = parseReplay(*text);
    if (!steps)
        return Error{steps.error().number, walkthroughFile + ": " + steps.error().description};
    std::vector<std::string> scenes;
    runReplay(gameFile, *steps, seed, [&](std::string_view line) {
        if (line.rfind("scene: ", 0) == 0) scenes.emplace_back(line.substr(7));
    }, {}, false, {}, warn);
    return scenes;
}

Coverage coverRuns(const StoryGraph& graph, const StoryAnalysis& analysis,
                   const std::vector<std::vector<std::string>>& runs) {
    Coverage c;
    const size_t n = graph.scenes.size();
    c.visited.assign(n, false);
    auto byName = [&](const std::string& upper, int preferFile) {
        int found = -1;
        for (size_t i = 0; i < n; ++i) {
            if (UCase(graph.scenes[i].name) != upper) continue;
            if (graph.scenes[i].file == preferFile) return static_cast<int>(i);
            if (found < 0 || graph.scenes[i].file == 0) found = static_cast<int>(i);
        }
        return found;
    };
    for (const auto& run : runs) {
        int current = -1;
        for (const auto& name : run) {
            const std::string upper = UCase(name);
            int next = -1;
            if (current >= 0)
                for (const Edge& e : graph.edges)
                    if (e.from == current && e.to >= 0 && UCase(e.target) == upper) {
                        next = e.to;
                        break;
                    }
            if (next >= 0)
                c.taken.insert({current, next});
            else
                next = byName(upper,
                              current >= 0 ? graph.scenes[static_cast<size_t>(current)].file : 0);
            if (next >= 0) c.visited[static_cast<size_t>(next)] = true;
            current = next;
        }
    }
    std::set<std::pair<int, int>> all;
    for (const Edge& e : graph.edges)
        if (e.to >= 0 && analysis.story[static_cast<size_t>(e.from)] &&
            analysis.story[static_cast<size_t>(e.to)])
            all.insert({e.from, e.to});
    c.edges = static_cast<int>(all.size());
    for (const auto& t : c.taken) c.takenEdges += all.count(t) ? 1 : 0;
    for (const auto& e : all)
        if (!c.taken.count(e)) c.untaken.push_back(e);
    for (size_t i = 0; i < n; ++i) {
        if (!analysis.story[i]) continue;
        ++c.scenes;
        if (c.visited[i])
            ++c.visitedScenes;
        else
            c.unvisited.push_back(static_cast<int>(i));
    }
    return c;
}

std::string coverageSummary(const Coverage& c) {
    // Rounded down, so that 100 % means every one.
    auto percent = [](int part, int whole) {
        return std::to_string(whole == 0 ? 100 : static_cast<int>(100LL * part / whole)) + " %";
    };
    return "scenes visited: " + std::to_string(c.visitedScenes) + " of " +
           std::to_string(c.scenes) + " (" + percent(c.visitedScenes, c.scenes) +
           "), edges: " + std::to_string(c.takenEdges) + " of " + std::to_string(c.edges) + " (" +
           percent(c.takenEdges, c.edges) + ")";
}

}  // namespace parvel::story
