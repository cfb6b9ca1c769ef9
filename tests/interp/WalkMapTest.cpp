// Where a walking scene lets the walker stand, and the hot spots it never
// reaches, on the road of the demo game (x 100, 4 px steps, 2 + 4 frames).

#include <gtest/gtest.h>

#include "SceneLists.h"
#include "WalkMap.h"

using namespace parvel;

namespace {

WalkScene road(const std::string& hotspots) {
    WalkScene s;
    s.x = 100;
    s.step = 4;
    s.standing = 2;
    s.walking = 4;
    s.overlayCount = 10;
    parseHotSpots(hotspots, s.spots);
    return s;
}

const std::string kDemoSpots =
    "12(\"A ditch.\",L,NO,!),48(\"A trapdoor.\",M,Y,Cellar),76(\"The milestone.\",M,NO,!),"
    "166(\"The gate.\",M,NO,Gate)";

std::vector<std::string> messages(const std::vector<SpotWarning>& w) {
    std::vector<std::string> out;
    for (const auto& x : w) out.push_back(std::to_string(x.spot) + ": " + x.message);
    return out;
}

}  // namespace

TEST(WalkMap, StandingPlacesFollowStridesBlocksAndExits) {
    const WalkScene s = road(kDemoSpots);
    // Strides of 5 × 4 px; the ditch stops the walker at 12, from where the
    // strides fall 12 px further on; the gate leads out past 160.
    EXPECT_EQ(exploreWalk(s, 0, WalkRules::Plain, -200, 400).places,
              (std::vector<double>{12, 20, 32, 40, 52, 60, 72, 80, 92, 100, 112, 120, 132, 140, 152, 160}));
    EXPECT_EQ(exploreWalk(s, 5, WalkRules::Plain, -200, 400).places,
              (std::vector<double>{19, 55, 64, 100, 109, 145, 154}));
    // Enciphered: the trapdoor takes the walker as it passes; "!" does nothing.
    const WalkReach e = exploreWalk(s, 0, WalkRules::Enciphered, -200, 400);
    EXPECT_EQ(e.places, (std::vector<double>{60, 80, 100, 120, 140, 160}));
    EXPECT_TRUE(e.taken[2]);
    EXPECT_TRUE(e.taken[4]);
    EXPECT_FALSE(e.passed[1]);
}

TEST(WalkMap, WarnsAboutSpotsNeverReachedOrTaken) {
    EXPECT_EQ(messages(walkWarnings(road(kDemoSpots), WalkRules::Plain, -200, 400)),
              (std::vector<std::string>{
                  "2: hot spot 2 (x 48) lies between strides and outside every Ctrl window at the "
                  "+5 speed: Ctrl takes it only while walking over it"}));
    EXPECT_EQ(
        messages(walkWarnings(road("5(\"x\",M,NO,!),12(\"A ditch.\",L,NO,!),166(\"\",M,NO,Gate),"
                                   "190(\"Past the gate\",M,Y,Cellar)"),
                              WalkRules::Plain, -200, 400)),
        (std::vector<std::string>{
            "1: hot spot 1 (x 5) can never be reached: behind hot spot 2 (x 12), which blocks the way",
            "4: hot spot 4 (x 190) can never be reached: hot spot 3 (x 166) leads out to Gate first"}));
    EXPECT_EQ(messages(walkWarnings(road(kDemoSpots), WalkRules::Enciphered, -200, 400)),
              (std::vector<std::string>{
                  "1: hot spot 1 (x 12) can never be reached: passed on the way: in an enciphered "
                  "game hot spot 2 (x 48) takes the walker to Cellar first",
                  "2: hot spot 2 (x 48) is taken as soon as the walker passes it: an enciphered game "
                  "has no Ctrl",
                  "3: hot spot 3 (x 76) does nothing in an enciphered game: no text, no blocking"}));
}
