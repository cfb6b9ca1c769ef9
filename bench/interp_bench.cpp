// A long headless walkthrough: 10,000 option choices through a 1,000-scene
// game, each scene with text, six options and links. The scene table holds
// 700 scenes, so links stay within those; the rest of the file is read and
// dropped as a player would.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "Replay.h"

using namespace parvel;

namespace {

std::string makeGame(int scenes) {
    std::string g = "[Setup]\r\n@firstscene = S1\r\n[Title]\r\n@name = Bench\r\n";
    for (int i = 1; i <= scenes; ++i) {
        g += "[S" + std::to_string(i) + "]\r\n@description = Scene " + std::to_string(i) +
             " of the long road.\\nOn and on.\r\n";
        for (int o = 1; o <= 6; ++o) {
            g += "@option" + std::to_string(o) + " = Way " + std::to_string(o) + "\r\n";
            g += "@Link" + std::to_string(o) + " = S" + std::to_string((i * 7 + o * 13) % 700 + 1) + "\r\n";
        }
    }
    return g;
}

void BM_Replay10000ChoicesIn1000Scenes(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() / "parvel-interp-bench";
    std::filesystem::create_directories(dir);
    const std::string game = (dir / "Gamefile.txt").string();
    std::ofstream(game, std::ios::binary) << makeGame(1000);
    std::string input = "open\nclick\nwait 0.2\n";
    for (int i = 0; i < 10000; ++i) input += "option " + std::to_string(i % 6 + 1) + "\nwait 0.2\n";
    auto steps = parseReplay(input);
    long scenes = 0;
    for (auto _ : state) {
        scenes = 0;
        runReplay(game, *steps, 1, [&](std::string_view l) { scenes += l.rfind("scene: ", 0) == 0; });
    }
    state.counters["scenes_played"] = static_cast<double>(scenes);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_Replay10000ChoicesIn1000Scenes)->Unit(benchmark::kSecond)->Iterations(1);

// Long waits in the demo's first scene (fading in, three lists looping,
// music): virtual seconds played per real second, drawing only the frames
// something looks at (arg 0) or every frame (arg 1).
void BM_DemoLongWait(benchmark::State& state) {
    const std::string demo = std::string(PARVEL_SOURCE_DIR) + "/games/demo/Gamefile.txt";
    const double seconds = 10000;
    auto steps = parseReplay("open\nclick\nwait 10000\nsnapshot\n");
    const bool everyFrame = state.range(0) == 1;
    for (auto _ : state) runReplay(demo, *steps, 1, [](std::string_view) {}, {}, everyFrame);
    state.counters["virtual_s_per_s"] =
        benchmark::Counter(seconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DemoLongWait)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
