// The demo's walkthroughs, played headless as authors play them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "E2eSupport.h"

namespace {

std::vector<std::string> play(const std::string& game, const std::string& input) {
    int status = -1;
    auto lines = runLines(quoted(TAVI_EXE) + " play " + quoted(game) + " --input " +
                              quoted(std::string(DEMO_DIR) + "/" + input) + " --seed 1",
                          &status);
    EXPECT_EQ(status, 0);
    return lines;
}

// Scene lines as they happen, without the snapshot blocks' own.
std::vector<std::string> scenes(const std::vector<std::string>& lines) {
    std::vector<bool> inBlock(lines.size(), false);
    for (size_t i = 0; i + 14 < lines.size(); ++i)
        if (lines[i].rfind("scene: ", 0) == 0 && lines[i + 1].rfind("title: ", 0) == 0 &&
            lines[i + 2].rfind("text: ", 0) == 0 && lines[i + 14].rfind("sprite: ", 0) == 0)
            for (size_t k = i; k < i + 15; ++k) inBlock[k] = true;
    std::vector<std::string> out;
    for (size_t i = 0; i < lines.size(); ++i)
        if (!inBlock[i] && lines[i].rfind("scene: ", 0) == 0) out.push_back(lines[i].substr(7));
    return out;
}

std::vector<std::string> upTo(std::vector<std::string> route, const std::string& last) {
    route.erase(std::find(route.begin(), route.end(), last) + 1, route.end());
    return route;
}

const std::string kPlain = std::string(DEMO_DIR) + "/Gamefile.txt";
const std::string kEnciphered = std::string(DEMO_ENCIPHERED) + "/GameFile.Cgm";

// To the fight; its blows depend on the random numbers drawn before it.
const std::vector<std::string> kRouteToTheFight = {
    "Dusk", "Dusk", "Road", "Cellar", "Road", "Gate", "Fog1", "Gate", "Fog2", "Gate", "Vision",
    "Gate", "Courtyard", "Fight"};

}  // namespace

TEST(DemoWalkthrough, TitleScreenShowsTheCredits) {
    const auto blocks = snapshots(play(kPlain, "walkthrough.txt"));
    ASSERT_FALSE(blocks.empty());
    EXPECT_EQ(blocks[0],
              (std::vector<std::string>{
                  "scene: ", "title: Parvel - The Lantern Road",
                  "text: Parvel - The Lantern Road\\nDecember 2026 1.0\\nAuthor: The Parvel "
                  "team\\n\\nArtist: The Parvel team\\nProduced by: Parvel\\n(parvel@example.org)"
                  "\\nFree to play and share",
                  "option1: ", "option2: ", "option3: ", "option4: ", "option5: ", "option6: ",
                  "hero:  #000000", "heromax: ", "enemy:  #000000", "enemymax: ", "frames: 0 0 0",
                  "sprite: off"}));
}

TEST(DemoWalkthrough, PlainGameReachesTheWinningEnding) {
    const auto lines = play(kPlain, "walkthrough.txt");
    auto route = kRouteToTheFight;
    for (const char* s : {"Strike", "Flask", "Strike", "Strike", "Strike", "Dawn"}) route.push_back(s);
    EXPECT_EQ(scenes(lines), route);
    const auto blocks = snapshots(lines);
    ASSERT_FALSE(blocks.empty());
    const auto& gate = *std::find_if(blocks.begin(), blocks.end(),
                                     [](const auto& b) { return b[0] == "scene: Gate"; });
    EXPECT_EQ(gate[3], "option1: (a) Go through the gate");
    EXPECT_EQ(gate[8], "option6: (z) Go home to bed");
    const auto& end = blocks.back();
    EXPECT_EQ(end[0], "scene: Dawn");
    EXPECT_EQ(end[2],
              "text: The wolf slinks away into the dark. You sit by the well and keep the lantern "
              "burning.\\nAt dawn the road goes on, gold and open.\\n\\nTHE END");
    // The cellar's sound sequence, each sound after the one before has
    // ended, until the player climbs out.
    std::vector<std::string> sequence;
    for (const auto& l : lines)
        for (const char* name : {"drip.wav", "plink.wav"})
            if (l.rfind("sound: ", 0) == 0 && l.size() > 10 &&
                l.compare(l.size() - std::strlen(name), std::strlen(name), name) == 0)
                sequence.push_back(name);
    EXPECT_EQ(sequence, (std::vector<std::string>{"drip.wav", "plink.wav", "drip.wav", "drip.wav",
                                                  "plink.wav", "drip.wav", "drip.wav", "plink.wav"}));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "media: status mpeg mode"), lines.end());
}

TEST(DemoWalkthrough, PlainGameReachesTheLosingEnding) {
    const auto lines = play(kPlain, "walkthrough-lose.txt");
    EXPECT_EQ(scenes(lines), (std::vector<std::string>{"Dusk", "Road", "Gate", "Home", "Dusk",
                                                       "Road", "Gate", "Courtyard", "Run",
                                                       "Fallen"}));
    const auto blocks = snapshots(lines);
    ASSERT_FALSE(blocks.empty());
    EXPECT_EQ(blocks.back()[2],
              "text: The wolf is faster. The lantern falls and rolls into the grass,\\nand the "
              "dark closes in.\\n\\nTHE END");
    EXPECT_EQ(blocks.back()[9], "hero:  #FF0000");
}

TEST(DemoWalkthrough, EncipheredGamePlaysTheSameRoute) {
    const auto lines = play(kEnciphered, "walkthrough.txt");
    const auto route = scenes(lines);
    EXPECT_EQ(upTo(route, "Fight"), kRouteToTheFight);
    EXPECT_EQ(route.back(), "Dawn");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "title: Decrypting...Please Wait"), lines.end());
    const auto blocks = snapshots(lines);
    ASSERT_FALSE(blocks.empty());
    EXPECT_EQ(blocks.back()[0], "scene: Dawn");
    // Preparing the enciphered frames names the window "Tavicast".
    EXPECT_EQ(blocks.back()[1], "title: Tavicast");
    EXPECT_EQ(scenes(play(kEnciphered, "walkthrough-lose.txt")).back(), "Fallen");
}
