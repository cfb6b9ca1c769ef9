// The real parvel on a real X server (Xvfb): the title screen of a
// generated game, grabbed from the screen.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <fstream>

#include "OwnWorld.h"
#include "ProgramPictures.h"

using namespace parvel::ui;

namespace {

void writeFile(const QString& path, const std::string& bytes) {
    std::ofstream out(path.toStdString(), std::ios::binary);
    out << bytes;
}

// Where Picture1's top edge sits on screen (the menu bar is above it), or
// -1 when the start-up picture is not found whole at x = 40.
int findStartPicture(const QImage& shot) {
    for (int top = 0; top < 80; ++top) {
        bool all = true;
        for (int y = 0; y < kStartPictureHeight && all; ++y)
            for (int x = 0; x < kProgramPictureWidth && all; ++x) {
                const QRgb p = shot.pixel(40 + x, top + y);
                const Rgb want = startPicturePixel(x, y);
                all = qRed(p) == want.r && qGreen(p) == want.g && qBlue(p) == want.b;
            }
        if (all) return top;
    }
    return -1;
}

}  // namespace

TEST(WindowOnX11, TitleScreenShowsTheStartPictureAndTheGamesColours) {
    if (!parvel::testing::haveXvfb()) GTEST_SKIP() << "Xvfb is not installed";

    // The player in a folder of its own, so its settings file lands there.
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("bin"));
    ASSERT_TRUE(QDir(dir.path()).mkpath("game"));
    const QString bin = dir.path() + "/bin/";
    parvel::testing::ownProgramFolder(PARVEL_BINARY_DIR "/player/ui/parvel", bin.toStdString());

    const QString game = dir.path() + "/game/Gamefile.txt";
    writeFile(game,
              "[Setup]\r\n@firstscene = Start\r\n@bkColor = 000000064\r\n@fntColor = 255000000\r\n"
              "@font = DejaVu Sans\r\n@fntSize = 12\r\n\r\n[Title]\r\n@name = Red Letters\r\n"
              "@author = WWWWWWWW\r\n\r\n[Start]\r\n@description = Hi\r\n");
    const QString shot = dir.path() + "/shot.png";

    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    for (const char* sub : {"home", "config", "data", "cache"}) QDir(dir.path()).mkpath(sub);
    env.insert("HOME", dir.path() + "/home");
    env.insert("XDG_CONFIG_HOME", dir.path() + "/config");
    env.insert("XDG_DATA_HOME", dir.path() + "/data");
    env.insert("XDG_CACHE_HOME", dir.path() + "/cache");
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::MergedChannels);
    // Timer1 starts the main loop, which draws the picture, after a second.
    run.start("sh", {PARVEL_SOURCE_DIR "/tests/support/own_display.sh", "400x600x24", "sh", "-c",
                     "\"$1\" \"$2\" & p=$!; \"$3\" 3000 \"$4\"; r=$?; kill $p; wait $p; exit $r", "sh",
                     bin + "parvel", game, QStringLiteral(PARVEL_TEST_BINARY_DIR "/grab_screen"), shot});
    ASSERT_TRUE(run.waitForFinished(60000));
    ASSERT_EQ(run.exitCode(), 0) << run.readAll().toStdString();

    QImage image(shot);
    ASSERT_FALSE(image.isNull());
    const int top = findStartPicture(image);
    ASSERT_GE(top, 0) << "start-up picture not on screen";

    // Label2 at (0, 120) of the client area: red title text on dark blue.
    int red = 0, background = 0;
    for (int y = top + 120; y < top + 257; ++y)
        for (int x = 0; x < 275; ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c == QColor(255, 0, 0)) ++red;
            if (c == QColor(0, 0, 64)) ++background;
        }
    EXPECT_GT(red, 50);
    EXPECT_GT(background, 20000);
    // Settings went to the program folder: "LstDir" when the game opened,
    // the switches when the kill closed the window.
    QFile ini(bin + "Parvel.ini");
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(ini.readAll().toStdString(),
              "[Parvel]\r\nLstDir=" + dir.path().toStdString() +
                  "/game/\r\nShowErrors=False\r\nPlaySounds=True\r\nPlayMusic=True\r\n");
}
