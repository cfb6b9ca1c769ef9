#pragma once
// Which scenes and which ways between them walkthroughs visit.

#include <cstdint>
#include <functional>
#include <string_view>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Result.h"
#include "StoryAnalysis.h"

namespace parvel::story {

struct Coverage {
    std::vector<bool> visited;            // per scene
    std::set<std::pair<int, int>> taken;  // (from, to) scene pairs walked
    int scenes = 0, visitedScenes = 0;    // story scenes
    int edges = 0, takenEdges = 0;        // distinct (from, to) pairs between story scenes
    std::vector<int> unvisited;           // story scenes no walkthrough reaches
    std::vector<std::pair<int, int>> untaken;  // (from, to) pairs no walkthrough walked
};

// Plays a walkthrough (the `tavi play` input) headless and returns the
// scenes in the order they were played, as the "scene:" lines name them.
// Steps that cannot act go to `warn` with their line.
Result<std::vector<std::string>> playedScenes(
    const std::string& gameFile, const std::string& walkthroughFile, std::uint32_t seed = 1,
    const std::function<void(int line, std::string_view message)>& warn = {});

// Follows each run of scene names through the graph: from the scene played
// last, the next name is the target of one of its edges, or, after the game
// was opened again, a scene looked up by name.
Coverage coverRuns(const StoryGraph& graph, const StoryAnalysis& analysis,
                   const std::vector<std::vector<std::string>>& runs);

// "scenes visited: N of M (P %), edges: E of F (Q %)"
std::string coverageSummary(const Coverage& coverage);

}  // namespace parvel::story
