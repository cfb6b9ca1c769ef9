// Saves in play: a saved game goes on exactly as the game that was saved,
// Back returns to the scene before as it was, and bad saves change nothing.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "Replay.h"
#include "SaveSlots.h"

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace {

const std::string kDemo = PARVEL_SOURCE_DIR "/games/demo/";
const std::string kEnciphered = PARVEL_BINARY_DIR "/games/demo-enciphered/GameFile.Cgm";

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

// The commands of a walkthrough file, comments and blank lines left out.
Lines commands(const std::string& file) {
    Lines out;
    std::istringstream in(readText(file));
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') out.push_back(line);
    return out;
}

class Saves : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("parvel-saves-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
               "-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    Lines play(const std::string& game, const Lines& input) {
        std::string text;
        for (const auto& l : input) text += l + "\n";
        auto steps = parvel::parseReplay(text);
        EXPECT_TRUE(steps.ok());
        Lines out;
        if (steps.ok())
            parvel::runReplay(game, *steps, 1, [&](std::string_view l) { out.emplace_back(l); }, {}, false,
                              (dir / "saves").string());
        return out;
    }

    // Each snapshot also writes its picture, so pictures are compared too.
    Lines withPictures(Lines input, const std::string& run) {
        Lines out;
        int n = 0;
        for (auto& l : input) {
            out.push_back(l);
            if (l == "snapshot") out.push_back("picture " + (dir / (run + std::to_string(n++) + ".png")).string());
        }
        return out;
    }

    // Save right after command `cut` of the walkthrough and go on; then load
    // in a fresh run and go on the same way. Both go on identically.
    void expectSameAfterLoad(const std::string& game, const Lines& walk, size_t cut) {
        const Lines rest = Lines(walk.begin() + static_cast<long>(cut), walk.end());
        Lines first(walk.begin(), walk.begin() + static_cast<long>(cut));
        first.push_back("save s");
        for (const auto& l : withPictures(rest, "a")) first.push_back(l);
        Lines second{"load s"};
        for (const auto& l : withPictures(rest, "b")) second.push_back(l);

        const Lines one = play(game, first);
        const Lines two = play(game, second);
        const auto saved = std::find(one.begin(), one.end(), "saved: s");
        ASSERT_NE(saved, one.end()) << walk[cut - 1];
        auto start = std::find_if(std::make_reverse_iterator(saved), one.rend(),
                                  [](const std::string& l) { return l.rfind("scene: ", 0) == 0; });
        ASSERT_NE(start, one.rend());
        Lines expected(std::prev(start.base()), saved);
        expected.insert(expected.end(), std::next(saved), one.end());

        const auto loaded = std::find(two.begin(), two.end(), "loaded: s");
        ASSERT_NE(loaded, two.end());
        const auto scene = std::find_if(loaded, two.end(), [](const std::string& l) { return l.rfind("scene: ", 0) == 0; });
        EXPECT_EQ(Lines(scene, two.end()), expected) << "saved after command " << cut << ": " << walk[cut - 1];
        for (int n = 0; fs::exists(dir / ("a" + std::to_string(n) + ".png")); ++n)
            EXPECT_EQ(readText(dir / ("b" + std::to_string(n) + ".png")), readText(dir / ("a" + std::to_string(n) + ".png")))
                << "picture " << n << " after command " << cut;
        fs::remove_all(dir / "saves");
    }

    fs::path dir;
};

}  // namespace

// Music playing, random links, a chained game file and a fight: every scene
// the walkthrough enters is a save point.
TEST_F(Saves, ALoadedGameGoesOnAsTheSavedOneDid) {
    const Lines walk = commands(kDemo + "walkthrough.txt");
    for (size_t i = 0; i < walk.size(); ++i)
        if (walk[i].rfind("option", 0) == 0) expectSameAfterLoad(kDemo + "Gamefile.txt", walk, i + 1);
}

TEST_F(Saves, ALoadedEncipheredGameGoesOnAsTheSavedOneDid) {
    if (!fs::exists(kEnciphered)) GTEST_SKIP() << "no enciphered demo built";
    const Lines walk = commands(kDemo + "walkthrough-enciphered.txt");
    int tried = 0;
    for (size_t i = 0; i < walk.size() && tried < 4; ++i)
        if (walk[i] == "option 1" && ++tried) expectSameAfterLoad(kEnciphered, walk, i + 1);
}

TEST_F(Saves, BackUndoesTheFightAndTheSameChoicesPlayTheSame) {
    const Lines walk = commands(kDemo + "walkthrough.txt");
    // From the fight on: Strike, then the flask.
    size_t cut = 0;  // just after entering the fight
    for (size_t i = 0; i < walk.size() && !cut; ++i)
        if (walk[i] == "option 1" && i > 60) cut = i + 1;
    ASSERT_GT(cut, 0u);
    const Lines rest(walk.begin() + static_cast<long>(cut), walk.end());
    Lines once(walk.begin(), walk.begin() + static_cast<long>(cut));
    once.push_back("snapshot");
    for (const auto& l : rest) once.push_back(l);
    // Play two more scenes, go back twice, and play on as before.
    Lines again(walk.begin(), walk.begin() + static_cast<long>(cut));
    again.insert(again.end(), {"wait 1", "option 1", "wait 1", "option 2", "wait 1", "back", "wait 1", "back", "snapshot"});
    for (const auto& l : rest) again.push_back(l);

    const Lines a = play(kDemo + "Gamefile.txt", once);
    const Lines b = play(kDemo + "Gamefile.txt", again);
    // The snapshot after going back equals the one taken on arrival, points
    // and all, and everything after it is the same.
    auto fromSnapshot = [](const Lines& l, int nth) {
        int seen = 0;
        for (size_t i = 0; i + 1 < l.size(); ++i)
            if (i + 3 < l.size() && l[i].rfind("scene: ", 0) == 0 && l[i + 2].rfind("text: ", 0) == 0 &&
                l[i + 3].rfind("option1: ", 0) == 0 && ++seen == nth)
                return Lines(l.begin() + static_cast<long>(i), l.end());
        return Lines{};
    };
    int snapshotsBefore = 0;
    for (size_t i = 0; i < cut; ++i) snapshotsBefore += walk[i] == "snapshot";
    const Lines afterA = fromSnapshot(a, snapshotsBefore + 1);
    const Lines afterB = fromSnapshot(b, snapshotsBefore + 1);
    ASSERT_FALSE(afterA.empty());
    EXPECT_EQ(afterB, afterA);
}

namespace {

constexpr std::string_view kSmallGame =
    "[Setup]\r\n@firstscene = Start\r\n\r\n[Title]\r\n@name = Two Rooms\r\n\r\n"
    "[Start]\r\n@description = A bare room.\\nA door east.\r\n@option1 = Go east\r\n@Link1 = East\r\n\r\n"
    "[East]\r\n@description = The east room.\r\n@option1 = Go back\r\n@Link1 = Start\r\n";

}  // namespace

TEST_F(Saves, RestartAutosavesAndContinueLandsWhereYouLeft) {
    writeText(dir / "game" / "Gamefile.txt", kSmallGame);
    const std::string game = (dir / "game" / "Gamefile.txt").string();
    const Lines out = play(game, {"open", "click", "wait 1", "option 1", "wait 1", "restart", "open", "wait 1",
                                  "continue", "wait 1", "snapshot", "history", "option 1", "wait 1", "back",
                                  "wait 1", "history"});
    const auto cont = std::find(out.begin(), out.end(), "loaded: autosave");
    ASSERT_NE(cont, out.end());
    EXPECT_EQ(*std::find_if(cont, out.end(), [](const std::string& l) { return l.rfind("scene: ", 0) == 0; }),
              "scene: East");
    const Lines story{"A bare room.", "A door east.", "> (a) Go east", "", "The east room.", ""};
    auto at = std::search(out.begin(), out.end(), story.begin(), story.end());
    EXPECT_NE(at, out.end());
    // Back from Start returns to East as it was: its story ends there again.
    EXPECT_NE(std::search(at + 1, out.end(), story.begin(), story.end()), out.end());

    // Starting afresh from the title keeps the autosave it replaces.
    play(game, {"open", "click", "wait 1"});
    const Lines kept = play(game, {"open", "load previous-autosave", "wait 1", "snapshot"});
    EXPECT_NE(std::find(kept.begin(), kept.end(), "scene: East"), kept.end());
}

TEST_F(Saves, BadSavesSayWhyAndChangeNothing) {
    writeText(dir / "game" / "Gamefile.txt", kSmallGame);
    const std::string game = (dir / "game" / "Gamefile.txt").string();
    play(game, {"open", "click", "wait 1", "save good", "option 1", "wait 1", "save east"});
    parvel::SaveSlots slots((dir / "saves").string());
    slots.setGame(game);
    const std::string good = *slots.readBytes("good");
    const fs::path folder = slots.folder();
    writeText(folder / "cut.sav", good.substr(0, good.size() / 2));
    writeText(folder / "junk.sav", "\x00\x01 not a save");
    std::string newer = good;
    newer.replace(0, 13, "Parvel save 9");
    writeText(folder / "newer.sav", newer);
    parvel::SaveSlots other((dir / "saves").string());
    other.setGame((dir / "other" / "Gamefile.txt").string());
    std::string foreign = good;
    const std::string from = "game=" + game, to = "game=" + (dir / "other" / "Gamefile.txt").string();
    foreign.replace(foreign.find(from), from.size(), to);
    writeText(folder / "foreign.sav", foreign);  // check line now wrong: reads as damaged
    const Lines out = play(game, {"open", "load none", "load cut", "load junk", "load newer", "load foreign",
                                  "snapshot"});
    auto msg = [&](const char* slot, const char* why) {
        return "msgbox: Cannot load the save \"" + std::string(slot) + "\": " + why + ".";
    };
    Lines msgs;
    for (const auto& l : out)
        if (l.rfind("msgbox: ", 0) == 0) msgs.push_back(l);
    EXPECT_EQ(msgs, (Lines{msg("none", "there is no such save"), msg("cut", "it is damaged (cut off or garbled)"),
                           msg("junk", "it is not a Parvel save"),
                           msg("newer", "it was made by a newer version of Parvel"),
                           msg("foreign", "it is damaged (cut off or garbled)")}));
    EXPECT_EQ(std::count_if(out.begin(), out.end(), [](const std::string& l) { return l.rfind("scene: ", 0) == 0; }),
              1);  // only the snapshot's: nothing started playing
    EXPECT_EQ(*slots.readBytes("good"), good);

    // The author renames a scene: the save naming it cannot play, the other one loads with a warning.
    std::string edited(kSmallGame);
    edited.replace(edited.find("[East]"), 6, "[Eastern]");
    writeText(dir / "game" / "Gamefile.txt", edited);
    const Lines after = play(game, {"open", "load east", "load good", "wait 1", "snapshot"});
    const Lines expected{msg("east", "the game has no scene \"East\" any more"),
                         "msgbox: The game has changed since the save \"good\" was made. It goes on from "
                         "scene \"Start\", but may not play on as before.",
                         "loaded: good"};
    EXPECT_NE(std::search(after.begin(), after.end(), expected.begin(), expected.end()), after.end())
        << ::testing::PrintToString(after);
}

// A shared save with a picture layout the player never writes (1 bit per
// pixel here) and a correct check line: refused like any damaged save, by
// Load and Continue alike, instead of drawing 32-bit pixels into it.
TEST_F(Saves, ACraftedSaveIsRefusedAsDamaged) {
    writeText(dir / "game" / "Gamefile.txt", kSmallGame);
    const std::string game = (dir / "game" / "Gamefile.txt").string();
    play(game, {"open", "click", "wait 1", "save good"});
    parvel::SaveSlots slots((dir / "saves").string());
    slots.setGame(game);
    auto state = parvel::readSave(*slots.readBytes("good")).state;
    ASSERT_TRUE(state);
    state->pictureFormat = 3;
    for (const char* slot : {"crafted", "autosave"})
        writeText(slots.fileOf(slot), parvel::writeSave(*state));
    const Lines out = play(game, {"open", "load crafted", "continue", "wait 1", "snapshot"});
    const Lines expected{
        "msgbox: Cannot load the save \"crafted\": it is damaged (cut off or garbled).",
        "msgbox: Cannot load the save \"autosave\": it is damaged (cut off or garbled)."};
    EXPECT_NE(std::search(out.begin(), out.end(), expected.begin(), expected.end()), out.end())
        << ::testing::PrintToString(out);
    EXPECT_EQ(std::count(out.begin(), out.end(), "scene: Start"), 0);  // nothing started playing
}

TEST_F(Saves, AnUnwritableSavesFolderIsToldOnceAndPlayGoesOn) {
    writeText(dir / "game" / "Gamefile.txt", kSmallGame);
    writeText(dir / "saves", "a file where the folder should be");
    const Lines out = play((dir / "game" / "Gamefile.txt").string(),
                           {"open", "click", "wait 1", "option 1", "wait 1", "option 1", "wait 1", "save mine"});
    Lines msgs, scenes;
    for (const auto& l : out) {
        if (l.rfind("msgbox: ", 0) == 0) msgs.push_back(l);
        if (l.rfind("scene: ", 0) == 0) scenes.push_back(l);
    }
    parvel::SaveSlots slots((dir / "saves").string());
    slots.setGame((dir / "game" / "Gamefile.txt").string());
    EXPECT_EQ(msgs, (Lines{"msgbox: Cannot save \"mine\": Not a directory.",
                           "msgbox: Cannot keep the autosave in " + slots.folder() +
                               ": Not a directory. Play goes on without it."}));
    EXPECT_EQ(scenes, (Lines{"scene: Start", "scene: East", "scene: Start"}));
}
