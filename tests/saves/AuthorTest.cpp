// The author's commands in play: reloading an edited game where play stands
// goes on exactly as loading a save of that scene's start into the edited
// game would; a scene the edit took away gives way to the first scene;
// goto starts any scene as a link would.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "Replay.h"

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace {

const std::string kDemo = PARVEL_SOURCE_DIR "/games/demo/";

std::string readText(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void writeText(const fs::path& p, std::string_view text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

Lines commands(const std::string& file) {
    Lines out;
    std::istringstream in(readText(file));
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') out.push_back(line);
    return out;
}

Lines from(const Lines& lines, const std::string& line) {
    const auto at = std::find(lines.begin(), lines.end(), line);
    return at == lines.end() ? Lines{} : Lines(at, lines.end());
}

std::string field(const Lines& lines, std::string_view name) {
    for (const auto& l : lines)
        if (l.rfind(name, 0) == 0) return l;
    return {};
}

class Author : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("parvel-author-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
               std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // `onLine` sees each event as it happens, so a test can edit the game
    // at a known point of the run.
    Lines play(const std::string& game, const Lines& input,
               const std::function<void(const std::string&)>& onLine = {}) {
        std::string text;
        for (const auto& l : input) text += l + "\n";
        auto steps = parvel::parseReplay(text);
        EXPECT_TRUE(steps.ok()) << (steps.ok() ? "" : steps.error().description);
        Lines out;
        if (steps.ok())
            parvel::runReplay(
                game, *steps, 1,
                [&](std::string_view l) {
                    out.emplace_back(l);
                    if (onLine) onLine(out.back());
                },
                {}, false, (dir / "saves").string());
        return out;
    }

    fs::path dir;
};

constexpr std::string_view kRooms =
    "[Setup]\r\n@firstscene = Start\r\n\r\n[Title]\r\n@name = Rooms\r\n\r\n"
    "[Start]\r\n@description = A bare room.\r\n@maxHeroHP = 20\r\n@option1 = Go east\r\n@Link1 = "
    "East\r\n\r\n"
    "[East]\r\n@description = The east room.\r\n@herohit = 3\r\n@option1 = Go back\r\n@Link1 = "
    "Start\r\n";

}  // namespace

// In a chained file, after a fight's random blows: the edited scene shows
// its new text with the points it had, and play goes on (events, snapshots,
// pictures) exactly as after loading a save of that scene's start.
TEST_F(Author, ReloadGoesOnAsALoadedSaveOfTheSceneStartWould) {
    fs::copy(kDemo, dir / "game", fs::copy_options::recursive);
    const std::string game = (dir / "game" / "Gamefile.txt").string();
    const fs::path chained = dir / "game" / "Gatehouse.txt";
    const std::string before = readText(chained);
    std::string edited = before;
    const std::string old = "You swing the staff and feel it land.";
    ASSERT_NE(edited.find(old), std::string::npos);
    edited.replace(edited.find(old), old.size(), "The staff cracks on the wolf's skull.");

    const Lines walk = commands(kDemo + "walkthrough.txt");
    size_t cut = 0;  // in the fight, then strike once
    for (size_t i = 0; i < walk.size() && !cut; ++i)
        if (walk[i] == "option 1" && i > 60) cut = i + 1;
    ASSERT_GT(cut, 0u);
    Lines first(walk.begin(), walk.begin() + static_cast<long>(cut));
    first.insert(first.end(), {"wait 1", "option 1", "wait 1", "snapshot", "save s", "reload",
                               "wait 1", "snapshot"});
    Lines rest{"option 2", "wait 1", "snapshot", "picture " + (dir / "after.png").string(),
               "option 1", "wait 1", "snapshot"};
    first.insert(first.end(), rest.begin(), rest.end());

    const Lines a = play(game, first, [&](const std::string& line) {
        if (line == "saved: s") writeText(chained, edited);
    });
    const Lines reloaded = from(a, "reloaded: Strike");
    ASSERT_FALSE(reloaded.empty()) << ::testing::PrintToString(a);
    const Lines shownAfter = from(reloaded, "scene: Strike");
    ASSERT_FALSE(shownAfter.empty());
    EXPECT_EQ(field(Lines(shownAfter.begin() + 1, shownAfter.end()), "text: "),
              "text: The staff cracks on the wolf's skull.\\nThe wolf snaps back at you.");
    // The snapshot before the reload, found backwards from "saved: s".
    const auto snap =
        std::find_if(std::make_reverse_iterator(std::find(a.begin(), a.end(), "saved: s")),
                     a.rend(), [](const std::string& l) { return l.rfind("hero: ", 0) == 0; });
    ASSERT_NE(snap, a.rend());
    EXPECT_EQ(field(Lines(shownAfter.begin() + 1, shownAfter.end()), "hero: "), *snap);
    EXPECT_EQ(std::count_if(a.begin(), a.end(),
                            [](const std::string& l) { return l.rfind("msgbox: ", 0) == 0; }),
              0);

    const std::string picture = readText(dir / "after.png");
    Lines second{"load s", "wait 1", "snapshot"};
    second.insert(second.end(), rest.begin(), rest.end());
    const Lines b = play(game, second);
    const Lines loaded = from(b, "loaded: s");
    ASSERT_FALSE(loaded.empty()) << ::testing::PrintToString(b);
    EXPECT_EQ(from(loaded, "scene: Strike"), shownAfter);
    EXPECT_EQ(readText(dir / "after.png"), picture);
    writeText(chained, before);
}

TEST_F(Author, AVanishedSceneGivesWayToTheFirstAndAnEmptyFileChangesNothing) {
    writeText(dir / "game" / "Gamefile.txt", kRooms);
    const std::string game = (dir / "game" / "Gamefile.txt").string();
    std::string withoutEast(kRooms);
    withoutEast.erase(withoutEast.find("[East]"));
    const Lines out = play(game,
                           {"open", "click", "wait 1", "option 1", "wait 1", "save a", "reload",
                            "wait 1", "snapshot", "save b", "reload", "wait 1", "snapshot"},
                           [&](const std::string& line) {
                               if (line == "saved: a")
                                   writeText(game, "");  // an editor half-way through
                               if (line == "saved: b") writeText(game, withoutEast);
                           });
    const Lines expected{"saved: a",
                         "reload: Gamefile.txt holds no scene",
                         "scene: East",
                         "title: Parvel - Rooms",
                         "text: The east room.",
                         "option1: (a) Go back"};
    const Lines kept = from(out, "saved: a");
    ASSERT_GE(kept.size(), expected.size());
    EXPECT_EQ(Lines(kept.begin(), kept.begin() + static_cast<long>(expected.size())), expected);
    const Lines gone = from(out, "saved: b");
    ASSERT_GE(gone.size(), 5u);
    EXPECT_EQ(gone[1], "reloaded: Start (no scene \"East\" any more)");
    EXPECT_EQ(gone[3], "scene: Start");
    EXPECT_EQ(std::count_if(out.begin(), out.end(),
                            [](const std::string& l) { return l.rfind("msgbox: ", 0) == 0; }),
              0);
}

TEST_F(Author, GotoStartsASceneAsALinkWouldAndPointsAreSet) {
    writeText(dir / "game" / "Gamefile.txt", kRooms);
    const std::string game = (dir / "game" / "Gamefile.txt").string();
    const Lines byLink = play(game, {"open", "click", "wait 1", "option 1", "wait 1", "snapshot",
                                     "back", "wait 1", "snapshot"});
    const Lines byGoto = play(game, {"open", "click", "wait 1", "goto east", "wait 1", "snapshot",
                                     "back", "wait 1", "snapshot"});
    EXPECT_EQ(from(byGoto, "scene: East"), from(byLink, "scene: East"));

    // From the title screen, with the points set first, as the Go to Scene dialog does.
    const Lines out = play(game, {"open", "goto Nowhere", "points 10 -", "goto East", "wait 1",
                                  "snapshot", "points 30 4", "snapshot"});
    const Lines started = from(out, "goto: no scene \"Nowhere\"");
    ASSERT_GE(started.size(), 2u) << ::testing::PrintToString(out);
    EXPECT_EQ(started[1], "scene: East");
    const Lines first = from(started, "text: The east room.");
    EXPECT_EQ(field(first, "hero: "), "hero: 7 #008000");  // 10, then East's blow of 3
    EXPECT_EQ(field(first, "heromax: "), "heromax: /10");
    const Lines second = from(Lines(first.begin() + 1, first.end()), "text: The east room.");
    EXPECT_EQ(field(second, "hero: "), "hero: 30 #FFFF00");
    EXPECT_EQ(field(second, "heromax: "), "heromax: /30");
    EXPECT_EQ(field(second, "enemy: "), "enemy: 4 #FFFF00");
    EXPECT_EQ(parvel::parseReplay("points 1 x\n").error().description,
              "line 1: points needs two whole numbers (or -)");
}
