// Watching an author's files: writes in place, saves by rename, deletes and
// rewrites each call back once; files next to them coming and going do not.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <filesystem>
#include <fstream>

#include "FileWatch.h"

namespace fs = std::filesystem;

namespace {

void write(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

// Runs the event loop until `calls` reaches `want` or two seconds pass,
// then a little longer to catch calls that should not come.
int settle(int& calls, int want) {
    QElapsedTimer t;
    t.start();
    while (calls < want && t.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    const qint64 until = t.elapsed() + 150;
    while (t.elapsed() < until) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return calls;
}

}  // namespace

TEST(FileWatch, InPlaceRenameAndRewriteEachCallBackAndNeighboursDoNot) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const fs::path dir = fs::temp_directory_path() / ("parvel-watch-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path game = dir / "Gamefile.txt";
    write(game, "[Start]\r\n");
    int calls = 0;
    parvel::FileWatch watch([&] { ++calls; });
    watch.setFiles({game.string(), (dir / "missing.bmp").string()});
    EXPECT_EQ(watch.watched().size(), 2) << "the file and its folder";

    write(game, "[Start]\r\n@description = In place.\r\n");
    EXPECT_EQ(settle(calls, 1), 1);

    write(dir / "Gamefile.txt.tmp", "[Start]\r\n@description = Renamed over.\r\n");
    fs::rename(dir / "Gamefile.txt.tmp", game);
    EXPECT_EQ(settle(calls, 2), 2);
    EXPECT_TRUE(watch.watched().contains(QString::fromStdString(game.string())));
    write(game, "[Start]\r\n@description = In place again.\r\n");
    EXPECT_EQ(settle(calls, 3), 3) << "the new file is watched";

    write(dir / ".Gamefile.txt.swp", "x");
    fs::remove(dir / ".Gamefile.txt.swp");
    EXPECT_EQ(settle(calls, 4), 3) << "a neighbour is no change";

    fs::remove(game);
    EXPECT_EQ(settle(calls, 4), 4);
    write(game, "[Start]\r\n");
    EXPECT_EQ(settle(calls, 5), 5);
    write(dir / "missing.bmp", "BM");
    EXPECT_EQ(settle(calls, 6), 6) << "a file that appears";
    fs::remove_all(dir);
}
