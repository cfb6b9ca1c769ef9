// The player core without a window: how long opening a game takes, what the
// process holds afterwards, whether memory grows over 1,000 scene changes,
// and how evenly animation ticks come on a real clock (targets: open a
// 700-scene game in 50 ms or less, RSS 80 MiB or less, no growth, and an
// animated scene at 5 % of one core or less).

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "BigGame.h"
#include "HeadlessHost.h"
#include "Player.h"
#include "TestFiles.h"

namespace fs = std::filesystem;
using namespace parvel;

namespace {

double rssMiB() {
    std::ifstream f("/proc/self/status");
    for (std::string line; std::getline(f, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

fs::path scratch() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("parvel-bench-" + std::to_string(::getpid()));
        fs::create_directories(d / "pics");
        return d;
    }();
    return dir;
}

void writeFile(const fs::path& p, const std::string& bytes) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f << bytes;
}

using parvel::testing::crlf;
using parvel::testing::solidBmp;

// Ten scenes in a ring, each with a background animation and two layers at
// FAST (twelve ticks a second).
std::string animatedGame() {
    const fs::path dir = scratch();
    for (int i = 0; i < 4; ++i) {
        writeFile(dir / "pics" / ("bg" + std::to_string(i) + ".bmp"),
                  solidBmp(280, 200, 0x400000u * static_cast<unsigned>(i + 1)));
        writeFile(dir / "pics" / ("l" + std::to_string(i) + ".bmp"), solidBmp(40 + 8 * i, 40, 0x102030));
        writeFile(dir / "pics" / ("m" + std::to_string(i) + ".bmp"), solidBmp(24, 24 + 6 * i, 0x302010));
    }
    std::string text = "[Setup]\n@firstscene = S1\n@imagedir = pics\n\n[Title]\n@name = Bench\n\n";
    for (int i = 1; i <= 10; ++i)
        text += "[S" + std::to_string(i) + "]\n@description = Scene " + std::to_string(i) +
                "\n@anim = bg0.bmp, bg1.bmp, bg2.bmp, bg3.bmp\n@animLoop = FOREVER\n"
                "@animspeed = FAST\n@layeranim = l0.bmp, l1.bmp, l2.bmp, l3.bmp\n"
                "@layerloop = FOREVER\n@layerspeed = FAST\n@layeranim2 = m0.bmp, m1.bmp, m2.bmp, m3.bmp\n"
                "@layerloop2 = FOREVER\n@layerspeed2 = FAST\n@option1 = Next\n@link1 = S" +
                std::to_string(i % 10 + 1) + "\n\n";
    const fs::path game = dir / "Anim.txt";
    writeFile(game, crlf(text));
    return game.string();
}

void openGame(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        HeadlessHost host;
        Player player(host, nullptr);
        player.openGame(path);
        benchmark::DoNotOptimize(player.sceneTable().lastLoadCount());
    }
    HeadlessHost host;
    Player player(host, nullptr);
    player.openGame(path);
    state.counters["scenes"] = player.sceneTable().lastLoadCount();
    state.counters["rss_mib"] = rssMiB();
}

void BM_OpenGame700Scenes2MiB(benchmark::State& state) {
    const fs::path game = scratch() / "Big.txt";
    writeFile(game, makeBigGame());
    openGame(state, game.string());
}
BENCHMARK(BM_OpenGame700Scenes2MiB)->Unit(benchmark::kMillisecond);

void BM_OpenDemo(benchmark::State& state) {
    const std::string demo = PARVEL_SOURCE_DIR "/games/demo/Gamefile.txt";
    if (!fs::exists(demo)) {
        state.SkipWithError("no demo game");
        return;
    }
    openGame(state, demo);
}
BENCHMARK(BM_OpenDemo)->Unit(benchmark::kMillisecond);

// 1,000 scene changes on the virtual clock, one every 0.1 s of game time.
// The first 100 warm the picture cache; growth is counted after them.
void BM_ThousandSceneChanges(benchmark::State& state) {
    const std::string game = animatedGame();
    double before = 0, after = 0;
    int scenes = 0;
    for (auto _ : state) {
        HeadlessHost host;
        Player player(host, nullptr);
        player.onEvent = [&](std::string_view l) { scenes += l.rfind("scene: ", 0) == 0; };
        player.startUp();
        host.schedule(1, [&] { player.openGame(game); });
        host.schedule(2, [&] { player.click(); });
        for (int i = 1; i <= 1100; ++i)
            host.schedule(100'000 * i, [&player, &before, i] {
                if (i == 100) before = rssMiB();
                player.optionClick(1);
            });
        host.schedule(100'000 * 1101, [&] {
            after = rssMiB();
            host.quitNow();
        });
        player.MainLoop();
    }
    state.counters["rss_before_mib"] = before;
    state.counters["rss_after_mib"] = after;
    state.counters["growth_kib"] = (after - before) * 1024;
    state.counters["scenes"] = scenes;
}
BENCHMARK(BM_ThousandSceneChanges)->Unit(benchmark::kMillisecond)->Iterations(1);

// The headless host on the wall clock: the frame loop sleeps as it would in
// the window, so CPU time and tick spacing are real.
class RealClockHost : public HeadlessHost {
public:
    RealClockHost() : m_start(std::chrono::steady_clock::now()) {}
    Micros now() const override {
        return std::chrono::duration_cast<std::chrono::microseconds>(
                   std::chrono::steady_clock::now() - m_start)
            .count();
    }
    void waitUntil(Micros deadline) override {
        const Micros left = deadline - now();
        if (left > 0) std::this_thread::sleep_for(std::chrono::microseconds(left));
        processEvents();
    }
    void pictureChanged() override {
        HeadlessHost::pictureChanged();
        ticks.push_back(now());
        if (now() > endAt) quitNow();
    }
    std::vector<Micros> ticks;
    Micros endAt = 0;

private:
    std::chrono::steady_clock::time_point m_start;
};

double cpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void BM_AnimatedSceneRealClock(benchmark::State& state) {
    const std::string game = animatedGame();
    for (auto _ : state) {
        RealClockHost host;
        Player player(host, nullptr);
        player.startUp();
        player.openGame(game);
        player.requestStart("S1");
        const Micros begin = host.now();
        const Micros warm = begin + 1'000'000;
        host.endAt = warm + 5'000'000;
        const double cpu0 = cpuSeconds();
        player.MainLoop();
        const double cpu = cpuSeconds() - cpu0;
        const double wall = static_cast<double>(host.now() - begin) / 1e6;
        // Tick spacing after the first second, against 1/12 s.
        std::vector<double> gaps;
        for (size_t i = 1; i < host.ticks.size(); ++i)
            if (host.ticks[i - 1] >= warm)
                gaps.push_back(static_cast<double>(host.ticks[i] - host.ticks[i - 1]) / 1000.0);
        double sum = 0, sq = 0, worst = 0;
        const double want = 1000.0 / 12;
        for (double g : gaps) {
            sum += g;
            sq += (g - want) * (g - want);
            worst = std::max(worst, std::abs(g - want));
        }
        const double n = gaps.empty() ? 1 : static_cast<double>(gaps.size());
        state.counters["cpu_percent"] = 100 * cpu / wall;
        state.counters["ticks"] = static_cast<double>(gaps.size());
        state.counters["mean_gap_ms"] = sum / n;
        state.counters["jitter_rms_ms"] = std::sqrt(sq / n);
        state.counters["worst_ms"] = worst;
        state.counters["rss_mib"] = rssMiB();
    }
}
BENCHMARK(BM_AnimatedSceneRealClock)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
