#pragma once
// What an author wants to know about the shape of a story.

#include <string>
#include <vector>

#include "StoryGraph.h"

namespace parvel::story {

struct StoryAnalysis {
    // Story scenes: all but Setup and Title, which count only when some
    // path leads into them.
    std::vector<bool> story;
    std::vector<bool> reachable;      // from the first scene
    std::vector<int> unreachable;     // story scenes no path reaches (when the first scene exists)
    std::vector<int> undefinedEdges;  // edges whose target is not a scene
    std::vector<int> noWayOut;        // story scenes with no edge to a scene: the endings
    std::vector<std::vector<int>> traps;  // parts that can be entered but never left
    std::vector<int> randomOnly;          // scenes entered only through random links
    int storyCount = 0;
};

StoryAnalysis analyseStory(const StoryGraph& graph);

// The analysis as text, one finding per line ("unreachable: A, B").
std::vector<std::string> analysisReport(const StoryGraph& graph, const StoryAnalysis& analysis);

}  // namespace parvel::story
