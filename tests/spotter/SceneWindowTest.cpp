// The demo game's walking scene in Spotter: read through the player's
// readers, walked and marked by the player's rules (checked against `tavi
// play`), warned about, and written back to the script.

#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMouseEvent>
#include <QProcess>
#include <QTest>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>

#include "BmpReader.h"
#include "SceneWindow.h"
#include "WalkingScene.h"

using namespace spotter;
namespace fs = std::filesystem;

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "test_spotter_scene";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);  // never destroyed, as in SpotterWindowTest
    return *a;
}

const std::string kPlain = DEMO_DIR "/Gamefile.txt";
const std::string kEnciphered = DEMO_ENCIPHERED "/GameFile.Cgm";

std::string readAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

// Plays `input` with tavi and returns its output lines.
QStringList tavi(const std::string& game, const QString& input) {
    QTemporaryDir dir;
    const QString in = dir.filePath("input.txt");
    QFile f(in);
    f.open(QIODevice::WriteOnly);
    f.write(input.toUtf8());
    f.close();
    QProcess p;
    p.start(TAVI_EXE, {"play", QString::fromStdString(game), "--input", in, "--seed", "1"});
    p.waitForFinished(60000);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput()).split('\n');
}

// The road from the title screen, at a sprite speed.
QString toTheRoad(int bonus) { return QString("open\nclick\nwait 4\noption 1\nwait 4\nmenu speed%1\n").arg(bonus); }

// Every x the sprite stands on in the road after each press of `key`.
std::set<double> standsAfter(const std::string& game, int bonus, const QStringList& keys) {
    QString input = toTheRoad(bonus) + "snapshot\n";
    for (const QString& k : keys) input += "key " + k + "\nwait 1\nsnapshot\n";
    std::set<double> xs;
    QString scene;
    for (const QString& line : tavi(game, input)) {
        if (line.startsWith("scene: ")) scene = line.mid(7);
        if (line.startsWith("sprite: on ") && scene == "Road") xs.insert(line.split(' ')[2].toDouble());
    }
    return xs;
}

class SceneSpotter : public testing::Test {
protected:
    void SetUp() override {
        app();
        window = std::make_unique<SceneWindow>("");
        window->onMessage = [this](const QString& m) { messages << m; };
    }
    void open(const std::string& game) {
        ASSERT_EQ(window->openScene(QString::fromStdString(game), "Road"), "");
    }
    QPoint onSpot(int x, int y = 40) const {
        const int z = window->view()->zoom();
        return {x * z + z / 2, y * z};
    }
    void mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, at, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(window->view(), &e);
    }

    std::unique_ptr<SceneWindow> window;
    QStringList messages;
};

}  // namespace

TEST_F(SceneSpotter, ShowsTheRoadThroughThePlayersReadersPlainOrEnciphered) {
    const QImage road = *parvel::render::readBmpFile(DEMO_DIR "/pics/road.bmp");
    const QImage hero = *parvel::render::readBmpFile(DEMO_DIR "/pics/hero1.bmp");
    // Centred as the player centres it: halves round to even.
    const QRect sprite(int(std::nearbyint(100 - hero.width() / 2.0)),
                       int(std::nearbyint(79 - hero.height() / 2.0)), hero.width(), hero.height());
    QTemporaryDir dir;
    for (const std::string& game : {kPlain, kEnciphered}) {
        SCOPED_TRACE(game);
        open(game);
        const WalkingScene& s = *window->scene();
        EXPECT_EQ(s.enciphered, game == kEnciphered);
        EXPECT_EQ(s.walk.x, 100);
        EXPECT_EQ(s.y, 79);
        EXPECT_EQ(s.walk.step, 4);
        EXPECT_EQ(s.walk.overlayCount, 10);
        EXPECT_EQ(s.spotCount, 4);
        EXPECT_EQ(s.walk.spots[4].target, "Gate");
        EXPECT_TRUE(s.problems.empty()) << s.problems.front();
        EXPECT_EQ(s.frame(1), hero.convertToFormat(s.frame(1).format()));
        if (game == kPlain) {
            EXPECT_EQ(s.background, road.convertToFormat(s.background.format()));
        }

        // The whole background as the player shows it (the enciphered
        // picture's trailer shows in its top row there too), with the
        // standing sprite centred on (100, 79), white see-through.
        const QString shot = dir.filePath("road.bmp");
        tavi(game, toTheRoad(0) + "picture " + shot + "\n");
        const QImage player = *parvel::render::readBmpFile(shot.toStdString());
        const QImage shown = window->composed();
        ASSERT_EQ(shown.size(), road.size());
        for (int y = 0; y < road.height(); ++y)
            for (int x = 0; x < road.width(); ++x) {
                QRgb want = sprite.contains(x, y) ? s.background.pixel(x, y) : player.pixel(x, y);
                const QRgb h = sprite.contains(x, y) ? hero.pixel(x - sprite.x(), y - sprite.y()) : 0;
                if (sprite.contains(x, y) && (h & 0xFFFFFF) != 0xFFFFFF) want = h;
                ASSERT_EQ(shown.pixel(x, y) & 0xFFFFFF, want & 0xFFFFFF) << x << "," << y;
            }
    }
    window->copyDirectives();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              "@X = 100\r\n@Y = 79\r\n@xmove = 4\r\n@hotspots = 12(\"A ditch full of black water. No way "
              "round it.\",L,NO,!),48(\"A trapdoor in the verge. Hold Ctrl to lift it.\",M,Y,Cellar),"
              "76(\"The milestone reads: GATE \u2014 ONE MILE.\",M,NO,!),166(\"The gate stands "
              "ajar.\",M,NO,Gate)\r\n");
}

TEST_F(SceneSpotter, MarksAreWhereTaviPlayStandsAndTheKeysWalkTheSame) {
    for (const std::string& game : {kPlain, kEnciphered}) {
        open(game);
        for (int k = 0; k < 3; ++k) {
            const int bonus = parvel::kSpriteSpeedBonuses[k];
            SCOPED_TRACE(game + " +" + std::to_string(bonus));
            const QStringList lefts(12, "left"), rights(12, "right");
            std::set<double> played = standsAfter(game, bonus, lefts + rights);
            played.merge(standsAfter(game, bonus, rights));
            const auto& marks = window->places()[static_cast<size_t>(k)];
            EXPECT_EQ(std::vector<double>(played.begin(), played.end()), marks);
        }
    }
    // The arrow keys walk the sprite as the player does: five lefts reach
    // the ditch and show its text.
    open(kPlain);
    window->view()->setFocus();
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(window->view(), Qt::Key_Left);
        ASSERT_TRUE(window->walking());
        QTRY_VERIFY_WITH_TIMEOUT(!window->walking(), 3000);
    }
    EXPECT_EQ(window->walker().x, 12);
    EXPECT_EQ(window->walkText(), "Walker at x 12: A ditch full of black water. No way round it.");
}

TEST_F(SceneSpotter, WarnsAboutSpotsThatCanNeverBeReached) {
    open(kPlain);
    EXPECT_EQ(window->warnings(),
              QStringList{"hot spot 2 (x 48) lies between strides and outside every Ctrl window at the "
                          "+5 speed: Ctrl takes it only while walking over it"});
    window->addSpot();
    EXPECT_EQ(window->scene()->spotCount, 4);  // at most four
    window->moveSpot(3, 190);                  // the milestone, planted past the gate
    EXPECT_TRUE(window->warnings().contains(
        "hot spot 3 (x 190) can never be reached: hot spot 4 (x 166) leads out to Gate first"))
        << window->warnings().join('\n').toStdString();
    window->setEncipheredRules(true);
    EXPECT_TRUE(window->warnings().contains(
        "hot spot 1 (x 12) can never be reached: passed on the way: in an enciphered game hot spot 2 "
        "(x 48) takes the walker to Cellar first"));
}

TEST_F(SceneSpotter, SavingADraggedSpotRewritesOnlyItsLine) {
    QTemporaryDir dir;
    const std::string game = dir.filePath("Gamefile.txt").toStdString();
    fs::copy_file(kPlain, game);
    fs::create_directory_symlink(DEMO_DIR "/pics", dir.filePath("pics").toStdString());
    const std::string before = readAll(game);
    // Ctrl two strides left of the start: nothing there while the trapdoor lies at 48.
    const QString ctrlAt60 = toTheRoad(0) + "key left\nwait 1\nkey left\nwait 1\nkeydown ctrl\nwait 1\nsnapshot\n";
    EXPECT_FALSE(tavi(game, ctrlAt60).contains("scene: Cellar"));

    open(game);
    mouse(QEvent::MouseButtonPress, onSpot(48), Qt::LeftButton);
    mouse(QEvent::MouseMove, onSpot(55), Qt::LeftButton);
    mouse(QEvent::MouseMove, onSpot(60), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, onSpot(60), Qt::NoButton);
    EXPECT_EQ(window->selectedSpot(), 2);
    EXPECT_EQ(window->scene()->walk.spots[2].x, 60);
    EXPECT_EQ(window->saveToScript(), QString::fromStdString("Saved to " + game + "."));

    const std::string after = readAll(game);
    const std::string oldLine = "@hotspots = 12(\"A ditch full of black water. No way round it.\",L,NO,!),48(";
    const std::string newLine = "@hotspots = 12(\"A ditch full of black water. No way round it.\",L,NO,!),60(";
    std::string expected = before;
    expected.replace(before.find(oldLine), oldLine.size(), newLine);
    EXPECT_EQ(after, expected);  // one line changed, CR LF and all else kept
    EXPECT_TRUE(tavi(game, ctrlAt60).contains("scene: Cellar"));

    // Saved again unchanged: the same bytes.
    EXPECT_EQ(window->saveToScript().left(6), "Saved ");
    EXPECT_EQ(readAll(game), after);

    // An enciphered script is never written.
    open(kEnciphered);
    const std::string cgm = readAll(kEnciphered);
    window->moveSpot(2, 60);
    messages.clear();
    EXPECT_EQ(window->saveToScript(),
              "An enciphered script cannot be saved to: change GameFile.Cgm's plain Gamefile.txt and "
              "encipher it again (tavi encipher).");
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(readAll(kEnciphered), cgm);
}

TEST_F(SceneSpotter, WithoutASceneTheWholeBackgroundShowsAndTheSpriteFollowsThePointer) {
    const QString road = DEMO_DIR "/pics/road.bmp", hero = DEMO_DIR "/pics/hero1.bmp";
    const QImage bg = *parvel::render::readBmpFile(road.toStdString());
    window->chooseBackground(road);
    EXPECT_EQ(window->composed(), bg.convertToFormat(QImage::Format_RGB32));  // all of it, at once
    window->chooseSprite(hero);
    window->setZoom(3);
    mouse(QEvent::MouseMove, QPoint(57 * 3 + 1, 40 * 3 + 2), Qt::NoButton);
    const QImage shown = window->composed();
    const QImage sprite = *parvel::render::readBmpFile(hero.toStdString());
    const int left = int(std::nearbyint(57 - sprite.width() / 2.0)), top = int(std::nearbyint(40 - sprite.height() / 2.0));
    int covered = 0;
    for (int y = 0; y < bg.height(); ++y)
        for (int x = 0; x < bg.width(); ++x) {
            const bool on = QRect(left, top, sprite.width(), sprite.height()).contains(x, y) &&
                            (sprite.pixel(x - left, y - top) & 0xFFFFFF) != 0xFFFFFF;
            covered += on;
            ASSERT_EQ(shown.pixel(x, y) & 0xFFFFFF,
                      (on ? sprite.pixel(x - left, y - top) : bg.pixel(x, y)) & 0xFFFFFF) << x << "," << y;
        }
    EXPECT_GT(covered, 20);
    EXPECT_EQ(window->view()->size(), QSize(bg.width() * 3, bg.height() * 3 + SceneView::kRulerHeight));
}

TEST(SaveDirectives, ChangesOnlyValuesAndAddsWhatIsMissing) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("Gamefile.txt").toStdString();
    const std::string script =
        "[Setup]\r\n@firstscene = Walk\r\n\r\n[Walk]\r\n//@X = 5\r\n@X  =  100   // the door\r\n"
        "@Y = 56\r\n@option1 = Back\r\n@Link1 = Walk\r\n\r\n[Other]\r\n@X = 100\r\n";
    std::ofstream(path, std::ios::binary) << script;
    std::vector<Directive> d = {{"@X", "120", true}, {"@Y", "56", false}, {"@xmove", "4", true},
                                {"@hotspots", "30(\"A post\",R,NO,!)", true}};
    ASSERT_TRUE(saveDirectives(path, "walk", d).ok());
    EXPECT_EQ(readAll(path),
              "[Setup]\r\n@firstscene = Walk\r\n\r\n[Walk]\r\n//@X = 5\r\n@X  =  120   // the door\r\n"
              "@Y = 56\r\n@xmove = 4\r\n@hotspots = 30(\"A post\",R,NO,!)\r\n@option1 = Back\r\n"
              "@Link1 = Walk\r\n\r\n[Other]\r\n@X = 100\r\n");
    // A scene without sprite commands, opened and saved unchanged, stays as it was.
    auto other = loadWalkingScene(path, "Setup");
    ASSERT_TRUE(other.ok());
    for (const Directive& c : directivesOf(*other)) EXPECT_FALSE(c.changed) << c.name;
    const parvel::Status missing = saveDirectives(path, "Nowhere", d);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().description, "The script no longer has the scene \"Nowhere\".");
}

TEST_F(SceneSpotter, EveryControlIsReachedWithTabAndNamed) {
    open(kPlain);
    window->show();
    QSet<QWidget*> reached;
    QWidget* w = window->view();
    for (int i = 0; i < 200 && !reached.contains(w); ++i, w = w->nextInFocusChain())
        if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) reached.insert(w);
    const auto controls = window->findChildren<QWidget*>();
    int named = 0;
    for (QWidget* c : controls) {
        if (!c->isVisible() || !(c->focusPolicy() & Qt::TabFocus) || !c->isEnabled()) continue;
        // Parts of a control: a list's viewport, a spin or combo box's editor.
        QWidget* parent = c->parentWidget();
        if (qobject_cast<QAbstractScrollArea*>(parent) || qobject_cast<QAbstractSpinBox*>(parent) ||
            qobject_cast<QComboBox*>(parent))
            continue;
        EXPECT_TRUE(reached.contains(c)) << c->metaObject()->className();
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c);
        ASSERT_NE(a, nullptr);
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty())
            << c->metaObject()->className() << " in " << c->parentWidget()->metaObject()->className();
        ++named;
    }
    EXPECT_GE(named, 16);
}
