// The shelf's scan of 10,000 folders holding 500 games (target: listed in
// at most 2 s): first without a cache, then with the cache of a previous
// scan, as every later opening of the window runs.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "ShelfScan.h"
#include "TestFiles.h"

namespace fs = std::filesystem;
using namespace parvel;

namespace {

void put(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// 50 collections of 10 discs; each disc holds one game (script of 40
// scenes, a 200 x 115 picture) in a folder with its own "pics" and
// "sounds" folders, and 15 empty folders of extras: 10,000 folders in all.
struct Collection {
    fs::path root =
        fs::temp_directory_path() / ("parvel-bench-shelf-" + std::to_string(::getpid()));
    int folders = 1;
    Collection() {
        fs::remove_all(root);
        const std::string picture = testing::solidBmp(200, 115, 0x336699);
        std::string scenes;
        for (int s = 0; s < 40; ++s)
            scenes += "[S" + std::to_string(s) +
                      "]\n@desc=Scene text that runs on a while.\n@image=p.bmp\n";
        for (int c = 0; c < 50; ++c) {
            const fs::path shelf = root / ("Collection " + std::to_string(c));
            ++folders;
            for (int d = 0; d < 10; ++d) {
                const fs::path disc = shelf / ("Disc" + std::to_string(d));
                const fs::path game = disc / "Game";
                put(game / "Gamefile.txt",
                    testing::crlf("[Setup]\n@imagedir=pics\n@firstscene=S0\n[Title]\n@name=Game " +
                                  std::to_string(c * 10 + d) + "\n" + scenes));
                put(game / "pics" / "p.bmp", picture);
                fs::create_directories(game / "sounds");
                folders += 4;
                for (int x = 0; x < 15; ++x)
                    fs::create_directories(disc / "extras" / std::to_string(x));
                folders += 16;
            }
        }
    }
    ~Collection() { fs::remove_all(root); }
};

Collection& collection() {
    static Collection c;
    return c;
}

void BM_ShelfScan10000Folders500Games(benchmark::State& state) {
    const Collection& c = collection();
    shelf::ScanReport last;
    for (auto _ : state) last = shelf::scanShelf({c.root.string()});
    state.counters["folders"] = last.folders;
    state.counters["games"] = static_cast<double>(last.games.size());
    if (last.folders != c.folders || last.games.size() != 500) state.SkipWithError("wrong count");
}
BENCHMARK(BM_ShelfScan10000Folders500Games)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly();

void BM_ShelfRescanWithCache(benchmark::State& state) {
    const Collection& c = collection();
    const shelf::ScanReport first = shelf::scanShelf({c.root.string()});
    shelf::ScanControl control;
    control.known = &first.games;
    shelf::ScanReport last;
    for (auto _ : state) last = shelf::scanShelf({c.root.string()}, control);
    state.counters["games"] = static_cast<double>(last.games.size());
}
BENCHMARK(BM_ShelfRescanWithCache)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly();

}  // namespace

BENCHMARK_MAIN();
