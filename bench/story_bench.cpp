#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "BigGame.h"
#include "StoryMap.h"

using namespace parvel;

namespace {

std::string tempFile(const std::string& name, const std::string& data) {
    const auto p = std::filesystem::temp_directory_path() / name;
    std::ofstream(p, std::ios::binary)
        .write(data.data(), static_cast<std::streamsize>(data.size()));
    return p.string();
}

// What `tavi map` does: the graph, its analysis, the layout and the three
// files, on the 700-scene game with six options per scene.
void BM_StoryMap700Scenes(benchmark::State& state) {
    const std::string path = tempFile("parvel-bench-story.txt", makeBigGame());
    const std::string out =
        (std::filesystem::temp_directory_path() / "parvel-bench-story-map").string();
    for (auto _ : state) {
        const auto graph = story::buildStoryGraph(path);
        const auto analysis = story::analyseStory(graph);
        auto written = story::writeStoryMap(graph, analysis, nullptr, out);
        if (!written) state.SkipWithError(written.error().description.c_str());
    }
}
BENCHMARK(BM_StoryMap700Scenes)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_StoryGraph700Scenes(benchmark::State& state) {
    const std::string path = tempFile("parvel-bench-story.txt", makeBigGame());
    for (auto _ : state) {
        const auto graph = story::buildStoryGraph(path);
        benchmark::DoNotOptimize(story::analyseStory(graph));
    }
}
BENCHMARK(BM_StoryGraph700Scenes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
