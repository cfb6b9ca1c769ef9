#pragma once
// The map of a story: a Graphviz graph, its SVG drawing, and a page that
// needs nothing but a browser (no network resources).

#include <string>

#include "Coverage.h"
#include "Result.h"
#include "StoryAnalysis.h"

namespace parvel::story {

// The graph in the DOT language, UTF-8, scenes as nodes "n<index>" with
// id "scene_<index>"; with `coverage`, scenes no walkthrough visits are
// drawn dashed. A random link that may reach many scenes is drawn as one
// edge to a group node ("group_<k>") saying how many; names are cut; on a
// very big story only the scenes nearest the first are drawn, and
// `simplified` (when given) says what was left out, else is emptied.
std::string storyDot(const StoryGraph& graph, const StoryAnalysis& analysis,
                     const Coverage* coverage = nullptr, std::string* simplified = nullptr);

// Lays the graph out with Graphviz's dot and draws it as SVG; any error
// Graphviz reports fails it, with Graphviz's message.
Result<std::string> layoutSvg(const std::string& dot);

// The page: the drawing with every scene clickable to show its text,
// options and pictures, a legend, the findings and a search box. Opening
// it with "#scene=NAME" shows that scene.
std::string storyHtml(const StoryGraph& graph, const StoryAnalysis& analysis,
                      const Coverage* coverage, const std::string& svg,
                      const std::string& simplified = {});

// Writes map.dot, map.svg and index.html into `outDir` (made if missing);
// `simplified` as for storyDot.
Status writeStoryMap(const StoryGraph& graph, const StoryAnalysis& analysis,
                     const Coverage* coverage, const std::string& outDir,
                     std::string* simplified = nullptr);

}  // namespace parvel::story
