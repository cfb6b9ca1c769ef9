#include "Encipher.h"
#include "GameFixture.h"
#include "Paths.h"
#include "StoryMap.h"

using namespace parvel::story;
using StoryGraphTest = GameFixture;

namespace {

// Every edge as "FROM -kind[n] 'label'-> TO", TO being "?name" when the
// target is not a scene and "+" marking a way into the next file.
std::vector<std::string> edgeLines(const StoryGraph& g) {
    std::vector<std::string> out;
    for (const Edge& e : g.edges) {
        std::string s = g.displayName(e.from) + " -" + kindName(e.kind);
        if (e.option) s += std::to_string(e.option);
        if (!e.label.empty()) s += " '" + e.label + "'";
        s += std::string(e.chained ? "+" : "") + "-> " +
             (e.to >= 0 ? g.displayName(e.to) : "?" + e.target);
        out.push_back(s);
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> names(const StoryGraph& g, const std::vector<int>& scenes) {
    std::vector<std::string> out;
    for (int s : scenes) out.push_back(g.displayName(s));
    return out;
}

using Lines = std::vector<std::string>;

// A game with a way of every kind, a chain into a second file that leads
// back, and the cases where the player's carried state decides a target.
constexpr const char* kGame =
    "[Setup]\n@firstscene = Start\n[Title]\n@name = Kinds\n"
    "[Start]\n@option1 = Walk on\n@Link1 = Hall\n@option2 = Gamble\n@Link2 = random\n"
    "@randomLink = (Room)2\n@option3 =\n@Link3 = Nowhere\n@option4 = Through the door\n@Link4 = "
    "Yard\n"
    "@linkGo4 = TRUE\n@nextGfile = two.txt\n@option5 = Stay\n@Link5 = Start\n"
    "@X = 10\n@hotspots = 30(\"A hatch\",M,Y,Cellar),60(\"Wall\",R,NO,!)\n"
    "[Hall]\n@winscene = Won\n@losescene = Lost\n@option1 = Fight\n@Link1 = Arena\n"
    "[Arena]\n@herohit = 5\n@enemyhit = RAN(3-1)\n"
    "[Room1]\n@option1 = Dice\n@Link1 = RANDOM\n"
    "[Room2]\n@option1 = Back\n@Link1 = start\n"
    "[Cellar]\n[Won]\n[Lost]\n"
    "[Orphan]\n@option1 = Again\n@Link1 = Orphan\n";
constexpr const char* kSecond =
    "[Setup]\n@firstscene = Yard\n"
    "[Yard]\n@nextGfile = Gamefile.txt\n@linkGo1 = TRUE\n@option1 = Home\n@Link1 = Hall\n"
    "[Cellar]\n@description = Dark\\nand damp\n@image = damp.bmp\n@anim = a.bmp(1), b.bmp\n";

const Lines kEdges = {
    "Arena -lose-> Lost",
    "Arena -win-> Won",
    "Hall -option1 'Fight'-> Arena",
    "Orphan -option1 'Again'-> Orphan",
    // No scene had a prefix before Room1, and it names none: "1" or "2".
    "Room1 -random1 'Dice'-> ?1",
    "Room1 -random1 'Dice'-> ?2",
    "Room2 -option1 'Back'-> Start",
    // A hot spot keeps the pending next file, whatever @linkGo says.
    "Start -hotspot 'A hatch'+-> Cellar (two.txt)",
    "Start -option1 'Walk on'-> Hall",
    "Start -option4 'Through the door'+-> Yard (two.txt)",
    "Start -option5 'Stay'-> Start",
    "Start -random2 'Gamble'-> Room1",
    "Start -random2 'Gamble'-> Room2",
    "Yard (two.txt) -option1 'Home'+-> Hall",
};

}  // namespace

TEST_F(StoryGraphTest, EdgesOfEveryKindAcrossTwoFiles) {
    const auto game = writeGame(kGame);
    writeGame(kSecond, "two.txt");
    const auto g = buildStoryGraph(game);
    ASSERT_EQ(g.files.size(), 2u);  // the chain back loads nothing again
    EXPECT_EQ(g.files[1].name, "two.txt");
    EXPECT_EQ(g.title, "Kinds");
    EXPECT_EQ(g.displayName(g.start), "Start");
    EXPECT_EQ(edgeLines(g), kEdges);

    const auto& cellar = g.scenes.back();
    EXPECT_EQ(g.displayName(static_cast<int>(g.scenes.size()) - 1), "Cellar (two.txt)");
    EXPECT_EQ(cellar.description, "Dark\nand damp");
    EXPECT_EQ(cellar.pictures, (Lines{"damp.bmp", "a.bmp", "b.bmp"}));

    const auto a = analyseStory(g);
    EXPECT_EQ(a.storyCount, 11);
    EXPECT_EQ(names(g, a.unreachable), (Lines{"Cellar", "Orphan"}));
    EXPECT_EQ(names(g, a.noWayOut), (Lines{"Room1", "Cellar", "Won", "Lost", "Cellar (two.txt)"}));
    ASSERT_EQ(a.traps.size(), 1u);
    EXPECT_EQ(names(g, a.traps[0]), Lines{"Orphan"});
    EXPECT_EQ(names(g, a.randomOnly), (Lines{"Room1", "Room2"}));
    EXPECT_EQ(a.undefinedEdges.size(), 2u);
    EXPECT_EQ(analysisReport(g, a),
              (Lines{"scenes: 11 in 2 files, edges: 14", "first scene: Start",
                     "unreachable: Cellar, Orphan",
                     "undefined targets: Room1 -> '1' (random), Room1 -> '2' (random)",
                     "no way out: Room1, Cellar, Won, Lost, Cellar (two.txt)", "no exit: Orphan",
                     "only through random links: Room1, Room2"}));
}

TEST_F(StoryGraphTest, EncipheredGameHasTheSameStory) {
    writeGame(kGame, "game/Gamefile.txt");
    writeGame(kSecond, "game/two.txt");
    const auto out = (dir / "enciphered").string();
    ASSERT_TRUE(parvel::encipherGame((dir / "game").string(), out).ok());
    const auto g = buildStoryGraph(out + "/GameFile.Cgm");
    ASSERT_EQ(g.files.size(), 2u);
    EXPECT_TRUE(g.files[0].enciphered);
    // The plain file's chain back to "Gamefile.txt" now names GameFile.Cgm.
    EXPECT_EQ(edgeLines(g), kEdges);
    EXPECT_TRUE(g.missingFiles.empty());
}

TEST_F(StoryGraphTest, FightsTakeTheScenesDeclaredBeforeThem) {
    // Arena's own @winscene counts only after its hits; Cave is entered
    // from two scenes declaring different win scenes, so both are possible.
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n[A]\n@winscene = W1\n@option1 = x\n@Link1 = Cave\n@option2 = "
        "y\n@Link2 = B\n"
        "[B]\n@winscene = W2\n@option1 = x\n@Link1 = Cave\n"
        "[Cave]\n@enemyhit = 3\n@winscene = W3\n@option1 = on\n@Link1 = Arena\n"
        "[Arena]\n@enemyhit = 3\n[W1]\n[W2]\n[W3]\n[Lonely]\n@herohit = 1\n");
    const auto g = buildStoryGraph(game);
    EXPECT_EQ(edgeLines(g), (Lines{"A -option1 'x'-> Cave", "A -option2 'y'-> B", "Arena -win-> W3",
                                   "B -option1 'x'-> Cave", "Cave -option1 'on'-> Arena",
                                   "Cave -win-> W1", "Cave -win-> W2", "Lonely -lose-> ?"}));
}

TEST_F(StoryGraphTest, CoverageOfAWalkthrough) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = Start\n[Start]\n@option1 = a\n@Link1 = A\n@option2 = b\n@Link2 = "
        "B\n"
        "[A]\n@option1 = back\n@Link1 = Start\n[B]\n");
    const auto walk =
        writeFile("walk.txt", "open\nclick\nwait 1\noption 1\nwait 1\noption 1\nwait 1\n");
    const auto played = playedScenes(game, walk);
    ASSERT_TRUE(played.ok());
    EXPECT_EQ(*played, (Lines{"Start", "A", "Start"}));
    const auto g = buildStoryGraph(game);
    const auto a = analyseStory(g);
    const auto c = coverRuns(g, a, {*played});
    EXPECT_EQ(coverageSummary(c), "scenes visited: 2 of 3 (66 %), edges: 2 of 3 (66 %)");
    EXPECT_EQ(names(g, c.unvisited), Lines{"B"});
    EXPECT_FALSE(playedScenes(game, (dir / "none.txt").string()).ok());
}

TEST_F(StoryGraphTest, MapPageNeedsNoNetwork) {
    const auto game = writeGame(kGame);
    writeGame(kSecond, "two.txt");
    const auto g = buildStoryGraph(game);
    const auto a = analyseStory(g);
    const auto out = (dir / "map").string();
    ASSERT_TRUE(writeStoryMap(g, a, nullptr, out).ok());
    const std::string dot = *parvel::readWholeFile(out + "/map.dot");
    EXPECT_NE(dot.find("n2 [id=\"scene_2\", label=\"Start\""), std::string::npos) << dot;
    EXPECT_NE(dot.find("label=\"1?\""),
              std::string::npos);  // Room1's random target that is no scene
    const std::string svg = *parvel::readWholeFile(out + "/map.svg");
    EXPECT_NE(svg.find("<g id=\"scene_2\" class=\"node\">"), std::string::npos);
    const std::string html = *parvel::readWholeFile(out + "/index.html");
    EXPECT_NE(html.find("<g id=\"scene_2\" class=\"node\">"), std::string::npos);
    EXPECT_NE(html.find("\"text\":\"Dark\\nand damp\""), std::string::npos);
    for (const char* remote : {"<script src", "<link", "url(", "<img", "@import", "src=\"http"})
        EXPECT_EQ(html.find(remote), std::string::npos) << remote;
}

// The map follows the rules of the game's form: an enciphered game takes the
// first hot spot the walker passes, so the hole behind the trapdoor is lost.
TEST_F(StoryGraphTest, HotSpotsFollowTheRulesOfTheGamesForm) {
    writeGame(
        "[Setup]\n@firstscene = Road\n[Road]\n@X = 100\n@xmove = 4\n"
        "@hotspots = 48(\"A trapdoor\",M,Y,Cellar),12(\"A hole\",M,NO,Pit)\n[Cellar]\n[Pit]\n",
        "game/Gamefile.txt");
    const auto plain = buildStoryGraph((dir / "game" / "Gamefile.txt").string());
    EXPECT_EQ(edgeLines(plain),
              (Lines{"Road -hotspot 'A hole'-> Pit", "Road -hotspot 'A trapdoor'-> Cellar"}));
    const auto out = (dir / "enciphered").string();
    ASSERT_TRUE(parvel::encipherGame((dir / "game").string(), out).ok());
    const auto g = buildStoryGraph(out + "/GameFile.Cgm");
    EXPECT_EQ(edgeLines(g), (Lines{"Road -hotspot 'A trapdoor'-> Cellar"}));
    EXPECT_EQ(names(g, analyseStory(g).unreachable), Lines{"Pit"});
}

// A random link that may reach many scenes is one way to a group in the
// drawing, while the graph keeps every edge; long names are cut; past its
// bounds the drawing says what it left out; Graphviz's errors fail the map.
TEST_F(StoryGraphTest, BigStoriesMakeABoundedMap) {
    const std::string longName(300, 'L');
    std::string script = "[Setup]\n@firstscene = S1\n";
    for (int i = 1; i <= 40; ++i)
        script += "[S" + std::to_string(i) +
                  "]\n@randomLink = (S)40\n@option1 = Go\n@Link1 = RANDOM\n"
                  "@option2 = Run\n@Link2 = RANDOM\n";
    script += "@option3 = On\n@Link3 = " + longName + "\n[" + longName + "]\n";
    auto g = buildStoryGraph(writeGame(script));
    auto a = analyseStory(g);
    ASSERT_EQ(g.edges.size(), 40u * 2 * 40 + 1);
    EXPECT_EQ(a.unreachable, std::vector<int>{});
    EXPECT_EQ(a.randomOnly.size(), 39u);  // all but S1, which the first scene is

    const auto out = (dir / "map").string();
    std::string simplified = "stale";
    ASSERT_TRUE(writeStoryMap(g, a, nullptr, out, &simplified).ok());
    EXPECT_EQ(simplified, "");
    const std::string dot = *parvel::readWholeFile(out + "/map.dot");
    size_t ways = 0;
    for (size_t p = dot.find(" -> "); p != std::string::npos; p = dot.find(" -> ", p + 1)) ++ways;
    EXPECT_EQ(ways, 41u);
    EXPECT_NE(dot.find("g0 [id=\"group_0\", label=\"random: S1 … S40: 40 scenes\""),
              std::string::npos)
        << dot;
    EXPECT_EQ(dot.find("group_1"), std::string::npos);
    EXPECT_NE(dot.find("n40 -> g0 [tooltip=\"(a, s) random Go\""), std::string::npos);
    EXPECT_NE(dot.find("label=\"" + std::string(80, 'L') + "…\""), std::string::npos);
    EXPECT_EQ(dot.find(std::string(81, 'L')), std::string::npos);
    const std::string html = *parvel::readWholeFile(out + "/index.html");
    EXPECT_NE(html.find("\"target\":\"S1 … S40: 40 scenes\",\"to\":-1,\"group\":40"),
              std::string::npos);
    EXPECT_EQ(html.find(std::string(1001, 'L')), std::string::npos);

    // 690 scenes whose six options each may reach four: 16,560 ways.
    script = "[Setup]\n@firstscene = S1\n";
    for (int i = 1; i <= 690; ++i) {
        script += "[S" + std::to_string(i) + "]\n@randomLink = (S)4\n";
        for (int o = 1; o <= 6; ++o)
            script +=
                "@option" + std::to_string(o) + " = x\n@Link" + std::to_string(o) + " = RANDOM\n";
    }
    g = buildStoryGraph(writeGame(script, "big.txt"));
    a = analyseStory(g);
    storyDot(g, a, nullptr, &simplified);
    EXPECT_EQ(simplified,
              "the map is simplified: it draws 690 of 690 scenes and 6000 of 16560 ways (the "
              "page lists every scene)");

    // A label this wide makes dot give up on the ways around it, yet it
    // returns success.
    const std::string wide(20000, 'W');
    const auto bad = layoutSvg("digraph { a [label=\"" + wide + "\"]; b [label=\"" + wide +
                               "\"]; s -> a; a -> b; b -> a; a -> a; b -> c; c -> a; }");
    ASSERT_FALSE(bad.ok());
    EXPECT_EQ(
        bad.error().description.rfind("Graphviz could not lay out the graph: Edge length ", 0), 0u)
        << bad.error().description;
}
