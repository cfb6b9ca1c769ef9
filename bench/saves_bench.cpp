// Save and load on the demo's road scene (walking sprite, music playing,
// a fight's points not yet shown): the whole slot write (state, pictures,
// atomic write with fsync) and the whole load (read, check, game files
// read again, pictures decoded, song put back).

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "GameSaves.h"
#include "HeadlessHost.h"
#include "MediaSystem.h"
#include "Player.h"

using namespace parvel;

namespace {

struct DemoOnTheRoad {
    HeadlessHost host{1};
    MediaSystem media{host, [] {
                          MediaOptions o;
                          o.useAudioDevice = false;
                          return o;
                      }()};
    Player player{host, &media};
    QTemporaryDir folder;
    GameSaves saves{player, folder.path().toStdString()};

    DemoOnTheRoad() {
        const std::string game = std::string(PARVEL_SOURCE_DIR) + "/games/demo/Gamefile.txt";
        player.startUp();
        saves.setGame(game);
        host.schedule(1, [&] { player.openGame(game); });
        host.schedule(2, [&] { player.click(); });
        host.schedule(2'000'000, [&] { player.optionClick(1); });
        host.schedule(3'000'000, [&] { host.quitNow(); });
        player.MainLoop();
    }
};

void BM_SaveDemo(benchmark::State& state) {
    DemoOnTheRoad demo;
    for (auto _ : state) benchmark::DoNotOptimize(demo.saves.save("bench"));
}
BENCHMARK(BM_SaveDemo)->Unit(benchmark::kMillisecond);

void BM_LoadDemo(benchmark::State& state) {
    DemoOnTheRoad demo;
    demo.saves.save("bench");
    for (auto _ : state) benchmark::DoNotOptimize(demo.saves.load("bench"));
}
BENCHMARK(BM_LoadDemo)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
