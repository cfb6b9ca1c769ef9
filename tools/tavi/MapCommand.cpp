// tavi map and tavi coverage: the story as a graph, and what walkthroughs
// of it visit.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "Commands.h"
#include "Coverage.h"
#include "Paths.h"
#include "Replay.h"
#include "StoryMap.h"

namespace parvel::tavi {

namespace {

void printLine(std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fputc('\n', stdout);
}

// The seed of one walkthrough: --seed when given, else its "# seed N"
// line, else 1.
std::uint32_t seedFor(const std::string& walkthrough, std::optional<std::uint32_t> given) {
    if (given) return *given;
    return replaySeed(readWholeFile(walkthrough).value_or("")).value_or(1);
}

// Plays every walkthrough and prints the coverage (with the ways no
// walkthrough took when `untaken`); nothing when one fails. Steps that
// cannot act are warned about on stderr, "FILE:LINE: warning: ...".
std::optional<story::Coverage> cover(const std::string& game, const story::StoryGraph& graph,
                                     const story::StoryAnalysis& analysis,
                                     const std::vector<std::string>& walkthroughs,
                                     std::optional<std::uint32_t> seed, bool untaken = false) {
    std::vector<std::vector<std::string>> runs;
    for (const auto& w : walkthroughs) {
        auto warn = [&w](int line, std::string_view message) {
            const std::string l =
                w + ":" + std::to_string(line) + ": warning: " + std::string(message) + "\n";
            std::fwrite(l.data(), 1, l.size(), stderr);
        };
        auto scenes = story::playedScenes(game, w, seedFor(w, seed), warn);
        if (!scenes) {
            std::fprintf(stderr, "tavi: %s\n", scenes.error().description.c_str());
            return std::nullopt;
        }
        runs.push_back(std::move(*scenes));
    }
    auto c = story::coverRuns(graph, analysis, runs);
    printLine(story::coverageSummary(c));
    for (int s : c.unvisited) printLine("not visited: " + graph.displayName(s));
    if (untaken)
        for (const auto& [from, to] : c.untaken)
            printLine("not taken: " + graph.displayName(from) + " -> " + graph.displayName(to));
    return c;
}

// GAMEFILE OUTDIR, then walkthroughs: --walkthrough values and any
// further operands.
struct Arguments {
    std::vector<std::string> plain;
    std::vector<std::string> walkthroughs;
    std::optional<std::uint32_t> seed;  // when given
};

std::optional<Arguments> parse(const Invocation& inv, size_t plainCount) {
    Arguments a;
    for (const auto& [name, value] : inv.items) {
        if (name == "--walkthrough")
            a.walkthroughs.push_back(value);
        else if (name.empty())
            (a.plain.size() < plainCount ? a.plain : a.walkthroughs).push_back(value);
    }
    if (inv.value("--seed")) {
        const auto seed = seedOption(inv);
        if (!seed) return std::nullopt;
        a.seed = *seed;
    }
    return a;
}

bool readable(const std::string& path) {
    if (readWholeFile(path)) return true;
    std::fprintf(stderr, "tavi: cannot read %s\n", path.c_str());
    return false;
}

}  // namespace

int cmdMap(const Invocation& inv) {
    auto a = parse(inv, 2);
    if (!a) return 1;
    if (a->plain.size() != 2) {
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
    std::string simplified;
    auto written = story::writeStoryMap(graph, analysis, coverage ? &*coverage : nullptr,
                                        a->plain[1], &simplified);
    if (!simplified.empty()) std::fprintf(stderr, "tavi: %s\n", simplified.c_str());
    if (!written) {
        std::fprintf(stderr, "tavi: %s\n", written.error().description.c_str());
        return 1;
    }
    return 0;
}

int cmdCoverage(const Invocation& inv) {
    auto a = parse(inv, SIZE_MAX);
    if (!a) return 1;
    if (a->plain.size() < 2) {
        std::fprintf(stderr, "usage: tavi coverage GAMEFILE FILE... [--seed N]\n");
        return 1;
    }
    const std::string& game = a->plain[0];
    if (!readable(game)) return 1;
    const auto graph = story::buildStoryGraph(game);
    const auto analysis = story::analyseStory(graph);
    return cover(game, graph, analysis, {a->plain.begin() + 1, a->plain.end()}, a->seed, true) ? 0
                                                                                               : 1;
}

}  // namespace parvel::tavi
