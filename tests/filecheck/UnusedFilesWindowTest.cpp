// The unused-files window: captions, lists, the status line, the picture
// preview, and staying usable while a long check runs.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <iostream>

#include "UnusedFilesWindow.h"
#include "GameFolder.h"

using namespace parvel;
using namespace parvel::ui;

namespace {

// A headless host whose event passes also run the Qt event loop, as the
// main window's do, with a hook to act "during" a check.
class PumpingHost : public HeadlessHost {
public:
    void processEvents() override {
        HeadlessHost::processEvents();
        ++passes;
        QCoreApplication::processEvents();
        if (hook) hook();
    }
    std::function<void()> hook;
    long passes = 0;
};

QStringList items(const QListWidget* l) {
    QStringList s;
    for (int i = 0; i < l->count(); ++i) s << l->item(i)->text();
    return s;
}

void writeBmp(GameFolder& g, const std::string& relative, int w, int h, QRgb colour) {
    const std::string p = g.file(relative);
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    ASSERT_TRUE(img.save(QString::fromStdString(p), "BMP"));
}

}  // namespace

TEST(UnusedFilesWindow, CaptionsAsDesigned) {
    UnusedFilesWindow form;
    EXPECT_EQ(form.windowTitle(), "Unused Files...");
    EXPECT_EQ(form.Text1->text(), "Status: Idle");
    EXPECT_EQ(form.Label1->text(), "Unused Images");
    EXPECT_EQ(form.Label2->text(), "Unused Sounds");
    EXPECT_EQ(form.List1->count(), 0);
    EXPECT_EQ(form.List2->count(), 0);
}

TEST(UnusedFilesWindow, CheckFillsBothListsAndEndsWithDone) {
    GameFolder g("form4");
    writeSampleGame(g);
    PumpingHost host;
    LoadedGame loaded(g.path("game/Gamefile.txt"), host);
    UnusedFilesWindow form;
    form.show();
    (void)form.CheckFiles(loaded.game, loaded.table, host);
    EXPECT_EQ(items(form.List1), (QStringList{"commented.bmp", "hero1.clp", "hero5.bmp", "manr4.bmp",
                                              "old.clp", "sub.bmp", "wood.bmp"}));
    EXPECT_EQ(items(form.List2), (QStringList{"boom.wav", "battle.mid"}));
    EXPECT_EQ(form.Text1->text(), "DONE");
    form.clearLists();
    EXPECT_EQ(form.List1->count(), 0);
    EXPECT_EQ(form.List2->count(), 0);
    EXPECT_EQ(form.Text1->text(), "DONE");
}

TEST(UnusedFilesWindow, ClickedPictureIsShownUnreadableOneKeepsThePrevious) {
    GameFolder g("preview");
    g.script("Gamefile.txt", "[Setup]\n@imagedir = Pics\n[A]\n@image = none.bmp\n");
    writeBmp(g, "Pics/Blue.bmp", 20, 10, qRgb(0, 0, 255));
    g.file("Pics/broken.bmp", "BM not really a bitmap");
    g.file("Pics/coded.clP", std::string(100, '\x5A'));
    PumpingHost host;
    LoadedGame loaded(g.path("Gamefile.txt"), host);
    UnusedFilesWindow form;
    (void)form.CheckFiles(loaded.game, loaded.table, host);
    ASSERT_EQ(items(form.List1), (QStringList{"blue.bmp", "broken.bmp", "coded.clp"}));
    form.List1_Click(form.List1->item(0));
    const QImage shown = form.Image1->pixmap().toImage();
    ASSERT_EQ(shown.size(), QSize(20, 10));
    EXPECT_EQ(QColor(shown.pixel(5, 5)), QColor(0, 0, 255));
    form.List1_Click(form.List1->item(1));
    EXPECT_EQ(form.Image1->pixmap().size(), QSize(20, 10));
    form.List1_Click(form.List1->item(2));
    EXPECT_EQ(form.Image1->pixmap().toImage().pixel(5, 5), shown.pixel(5, 5));
}

TEST(UnusedFilesWindow, NewCheckEndsTheOneStillRunning) {
    GameFolder g("nested");
    writeSampleGame(g);
    PumpingHost host;
    LoadedGame loaded(g.path("game/Gamefile.txt"), host);
    UnusedFilesWindow form;
    bool nested = false;
    host.hook = [&] {
        // As if "Check Files..." were chosen again while the first check runs.
        if (nested || form.Text1->text() != "Checking directories") return;
        nested = true;
        form.clearLists();
        (void)form.CheckFiles(loaded.game, loaded.table, host);
    };
    (void)form.CheckFiles(loaded.game, loaded.table, host);
    ASSERT_TRUE(nested);
    EXPECT_EQ(items(form.List1), (QStringList{"commented.bmp", "hero1.clp", "hero5.bmp", "manr4.bmp",
                                              "old.clp", "sub.bmp", "wood.bmp"}));
    EXPECT_EQ(items(form.List2), (QStringList{"boom.wav", "battle.mid"}));
    EXPECT_EQ(form.Text1->text(), "DONE");
}

TEST(UnusedFilesWindow, FiveThousandFilesWithTheWindowResponsive) {
    GameFolder g("many");
    std::string script = "[Setup]\n@imagedir = pics\n@sounddir = snd\n";
    for (int s = 0; s < 100; ++s) {
        script += "[Scene" + std::to_string(s) + "]\n@image = Pic" + std::to_string(s * 40) +
                  ".bmp\n@sound = Snd" + std::to_string(s * 10) + ".wav\n";
    }
    g.script("Gamefile.txt", script);
    for (int i = 0; i < 4000; ++i) g.file("pics/pic" + std::to_string(i) + ".BMP");
    for (int i = 0; i < 1000; ++i) g.file("snd/snd" + std::to_string(i) + ".wav");
    writeBmp(g, "pics/Aaa.bmp", 8, 8, qRgb(255, 0, 0));

    PumpingHost host;
    LoadedGame loaded(g.path("Gamefile.txt"), host);
    UnusedFilesWindow form;
    form.show();
    // Click the first listed picture while the check is still running.
    QString statusAtClick;
    host.hook = [&] {
        if (!statusAtClick.isEmpty() || form.List1->count() == 0) return;
        statusAtClick = form.Text1->text();
        form.List1_Click(form.List1->item(0));
    };
    QElapsedTimer t;
    t.start();
    const auto r = form.CheckFiles(loaded.game, loaded.table, host);
    const auto ms = t.elapsed();
    std::cout << "[ figure   ] unused-files check of 5001 files: " << ms << " ms, "
              << host.passes << " event passes\n";
    ::testing::Test::RecordProperty("check_ms", static_cast<int>(ms));

    EXPECT_EQ(r.pictures.size(), 4001u - 100u);  // "Pic0".."Pic3960" step 40 are used
    EXPECT_EQ(r.sounds.size(), 900u);
    EXPECT_EQ(form.List1->count(), 3901);
    EXPECT_EQ(form.List2->count(), 900);
    EXPECT_EQ(statusAtClick, "Checking directories");
    EXPECT_EQ(form.Image1->pixmap().size(), QSize(8, 8));
    // Events ran for every entry, and once more for every one listed.
    EXPECT_GE(host.passes, 5001 + 3901 + 900);
}
