#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "BigGame.h"
#include "Cipher.h"
#include "HeadlessHost.h"
#include "Integrity.h"
#include "SceneTable.h"

using namespace parvel;

namespace {

std::string tempFile(const std::string& name, const std::string& data) {
    const auto p = std::filesystem::temp_directory_path() / name;
    std::ofstream(p, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
    return p.string();
}

void BM_LoadGameScript700Scenes2MiB(benchmark::State& state) {
    const std::string path = tempFile("parvel-bench-game.txt", makeBigGame());
    HeadlessHost host;
    SceneTable table(host);
    for (auto _ : state) {
        GameScript game;
        game.path = path;
        table.LoadGameScript(game);
        benchmark::DoNotOptimize(table.lastLoadCount());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_LoadGameScript700Scenes2MiB)->Unit(benchmark::kMillisecond);

// A scene of nothing but stray directive names ("@image x", no "=") and one
// "=" at its very end: every stray sends the reader to that "=".
void BM_GetDirectiveStrayNames10MiB(benchmark::State& state) {
    std::string scene = "[Strays]\r\n";
    while (scene.size() < 10u * 1024 * 1024) scene += "@image x\r\n";
    scene += "@image = last.bmp\r\n";
    HeadlessHost host;
    SceneTable table(host);
    table.loadText(scene);
    for (auto _ : state) benchmark::DoNotOptimize(table.GetDirective("Strays", "@image"));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(scene.size()));
}
BENCHMARK(BM_GetDirectiveStrayNames10MiB)->Unit(benchmark::kMillisecond);

void BM_Decipher2MiB(benchmark::State& state) {
    const std::string text = makeBigGame();
    HeadlessHost host;
    for (auto _ : state) {
        EventPump pump(host, 64 * 1024);
        benchmark::DoNotOptimize(DecipherScript(text, &pump));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_Decipher2MiB)->Unit(benchmark::kMillisecond);

void BM_FileDigest16MiB(benchmark::State& state) {
    std::string data(16 * 1024 * 1024, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 2654435761u >> 24);
    const std::string path = tempFile("parvel-bench-digest.bin", data);
    HeadlessHost host;
    for (auto _ : state) benchmark::DoNotOptimize(FileDigest(host, path));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(data.size()));
}
BENCHMARK(BM_FileDigest16MiB)->Unit(benchmark::kMillisecond);

// 10,000 reads spread over the whole table, as a long play session makes them.
void BM_GetDirective10000On700Scenes(benchmark::State& state) {
    HeadlessHost host;
    SceneTable table(host);
    table.loadText(makeBigGame());
    const char* directives[] = {"@description", "@option3", "@link6", "@music", "@sound"};
    for (auto _ : state) {
        for (int i = 0; i < 10000; ++i) {
            const std::string scene = "Scene" + std::to_string((i * 131) % 698 + 1);
            benchmark::DoNotOptimize(table.GetDirective(scene, directives[i % 5]));
        }
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_GetDirective10000On700Scenes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
