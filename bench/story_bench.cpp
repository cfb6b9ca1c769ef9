#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "BigGame.h"
#include "LabelText.h"
#include "Lint.h"
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

// `tavi lint`'s checks of every scene (values, names, links, files,
// pictures, texts in their labels), on the 700-scene game; the story's shape is the graph above.
void BM_LintGame700Scenes(benchmark::State& state) {
    const auto folder = std::filesystem::temp_directory_path() / "parvel-bench-lint";
    std::filesystem::create_directories(folder / "pics");
    // The 37 pictures the game names: 200 x 112, 24 bits.
    std::string bmp(54 + 200 * 112 * 3, '\0');
    auto put = [&](size_t at, std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            bmp[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
    };
    bmp[0] = 'B', bmp[1] = 'M';
    put(2, static_cast<std::uint32_t>(bmp.size()), 4), put(10, 54, 4), put(14, 40, 4);
    put(18, 200, 4), put(22, 112, 4), put(26, 1, 2), put(28, 24, 2);
    for (int i = 0; i < 37; ++i)
        std::ofstream(folder / "pics" / ("room" + std::to_string(i) + ".bmp"), std::ios::binary)
            << bmp;
    const std::string path = (folder / "Gamefile.txt").string();
    std::ofstream(path, std::ios::binary) << makeBigGame();
    render::ensureFontDatabase();  // as tavi lint: texts laid out in their labels
    for (auto _ : state) benchmark::DoNotOptimize(lintGame(path, {.labelText = true}));
}
BENCHMARK(BM_LintGame700Scenes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
