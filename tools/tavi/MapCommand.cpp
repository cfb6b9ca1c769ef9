// tavi map and tavi coverage: the story as a graph, and what walkthroughs
// of it visit.

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "Commands.h"
#include "Coverage.h"
#include "Paths.h"
#include "StoryMap.h"

namespace parvel::tavi {

namespace {

void printLine(std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fputc('\n', stdout);
}

// Plays every walkthrough and prints the coverage; nothing when one fails.
std::optional<story::Coverage> cover(const std::string& game, const story::StoryGraph& graph,
                                     const story::StoryAnalysis& analysis,
                                     const std::vector<std::string>& walkthroughs,
                                     std::uint32_t seed) {
    std::vector<std::vector<std::string>> runs;
    for (const auto& w : walkthroughs) {
        auto scenes = story::playedScenes(game, w, seed);
        if (!scenes) {
            std::fprintf(stderr, "tavi: %s\n", scenes.error().description.c_str());
            return std::nullopt;
        }
        runs.push_back(std::move(*scenes));
    }
    auto c = story::coverRuns(graph, analysis, runs);
    printLine(story::coverageSummary(c));
    for (int s : c.unvisited) printLine("not visited: " + graph.displayName(s));
    return c;
}

// GAMEFILE [OUTDIR] FILE... [--walkthrough FILE...] [--seed N]
struct Arguments {
    std::vector<std::string> plain;
    std::vector<std::string> walkthroughs;
    std::uint32_t seed = 1;
};

std::optional<Arguments> parse(const std::vector<std::string>& args) {
    Arguments a;
    bool walk = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--walkthrough") {
            walk = true;
        } else if (args[i] == "--seed" && i + 1 < args.size()) {
            char* end = nullptr;
            const unsigned long v = std::strtoul(args[++i].c_str(), &end, 10);
            if (end == args[i].c_str() || *end) return std::nullopt;
            a.seed = static_cast<std::uint32_t>(v);
        } else if (args[i].rfind("--", 0) == 0) {
            return std::nullopt;
        } else {
            (walk ? a.walkthroughs : a.plain).push_back(args[i]);
        }
    }
    if (walk && a.walkthroughs.empty()) return std::nullopt;
    return a;
}

bool readable(const std::string& path) {
    if (readWholeFile(path)) return true;
    std::fprintf(stderr, "tavi: cannot read %s\n", path.c_str());
    return false;
}

}  // namespace

int cmdMap(const std::vector<std::string>& args) {
    auto a = parse(args);
    if (!a || a->plain.size() != 2) {
        std::fprintf(stderr,
                     "usage: tavi map GAMEFILE OUTDIR [--walkthrough FILE...] [--seed N]\n");
        return 1;
    }
    const std::string& game = a->plain[0];
    if (!readable(game)) return 1;
    const auto graph = story::buildStoryGraph(game);
    const auto analysis = story::analyseStory(graph);
    for (const auto& line : story::analysisReport(graph, analysis)) printLine(line);
    std::optional<story::Coverage> coverage;
    if (!a->walkthroughs.empty()) {
        coverage = cover(game, graph, analysis, a->walkthroughs, a->seed);
        if (!coverage) return 1;
    }
    auto written =
        story::writeStoryMap(graph, analysis, coverage ? &*coverage : nullptr, a->plain[1]);
    if (!written) {
        std::fprintf(stderr, "tavi: %s\n", written.error().description.c_str());
        return 1;
    }
    return 0;
}

int cmdCoverage(const std::vector<std::string>& args) {
    auto a = parse(args);
    if (!a || a->plain.size() < 2 || !a->walkthroughs.empty()) {
        std::fprintf(stderr, "usage: tavi coverage GAMEFILE FILE... [--seed N]\n");
        return 1;
    }
    const std::string& game = a->plain[0];
    if (!readable(game)) return 1;
    const auto graph = story::buildStoryGraph(game);
    const auto analysis = story::analyseStory(graph);
    return cover(game, graph, analysis, {a->plain.begin() + 1, a->plain.end()}, a->seed) ? 0 : 1;
}

}  // namespace parvel::tavi
