#include <gtest/gtest.h>

#include "HeadlessHost.h"
#include "SceneTable.h"
#include "ScriptTestUtil.h"

using namespace parvel;

namespace {

struct Table {
    HeadlessHost host;
    SceneTable table{host};
    std::vector<std::string> events;
    explicit Table(std::string_view text, bool asCrlf = true) {
        host.onEvent = [this](std::string_view l) { events.emplace_back(l); };
        table.loadText(asCrlf ? crlf(text) : std::string(text));
    }
    std::string get(std::string_view scene, std::string_view d) {
        return table.GetDirective(scene, d);
    }
};

}  // namespace

TEST(LoadGameScript, SplitsAtHeadersThatStartALine) {
    Table t("// leading comment\n[Setup]\n@firstscene = a\n\n[a]\n@description = x [not] a header\n"
            " [indented]\n@option1 = go");
    ASSERT_EQ(t.table.lastLoadCount(), 2);
    EXPECT_EQ(t.table.name(1), "Setup");
    EXPECT_EQ(t.table.text(1), "[Setup]\r\n@firstscene = a\r\n\r\n");
    EXPECT_EQ(t.table.name(2), "a");
    EXPECT_EQ(t.table.text(2),
              "[a]\r\n@description = x [not] a header\r\n [indented]\r\n@option1 = go");
}

TEST(LoadGameScript, NamesKeepCaseAndSpaces) {
    Table t("[ Intro ]\n@a = 1\n[Odd]Name]\n@a = 2\n");
    EXPECT_EQ(t.table.name(1), " Intro ");
    EXPECT_EQ(t.table.name(2), "Odd");
    EXPECT_EQ(t.table.FindScene(" intro "), 1);
    EXPECT_EQ(t.table.FindScene("Intro"), 0);
}

TEST(LoadGameScript, TextBeforeTheFirstBracketIsIgnoredUnlessItHoldsOne) {
    Table t("note [x] here\n[Real]\n@a = 1\n");
    EXPECT_EQ(t.table.lastLoadCount(), 2);
    EXPECT_EQ(t.table.name(1), "x");
    EXPECT_EQ(t.table.text(1), "[x] here\r\n");
}

TEST(LoadGameScript, LfOnlyFileIsOneScene) {
    Table t("[One]\n@a = 1\n[Two]\n@a = 2\n", false);
    EXPECT_EQ(t.table.lastLoadCount(), 1);
    EXPECT_EQ(t.table.name(1), "One");
    EXPECT_EQ(t.table.FindScene("Two"), 0);
}

TEST(LoadGameScript, HugeFilesLoadWithoutRescanning) {
    // 50 MiB without a header, then the same with one header at its very end.
    std::string text(50 * 1024 * 1024, 'x');
    Table none(text, false);
    EXPECT_EQ(none.table.lastLoadCount(), 0);
    text += "[Late]\r\n@v = 1";
    Table late(text, false);
    EXPECT_EQ(late.table.lastLoadCount(), 1);
    EXPECT_EQ(late.get("Late", "@v"), "1");
}

TEST(LoadGameScript, FileWithoutBracketsLoadsNothing) {
    Table t("no scenes at all\n");
    EXPECT_EQ(t.table.lastLoadCount(), 0);
    EXPECT_EQ(t.table.FindScene("x"), 0);
}

TEST(LoadGameScript, KeepsAtMost700ScenesAndTheLastRunsToThe701stHeader) {
    std::string text;
    for (int i = 1; i <= 702; ++i) text += "[S" + std::to_string(i) + "]\n@n = " + std::to_string(i) + "\n";
    Table t(text);
    EXPECT_EQ(t.table.lastLoadCount(), 700);
    EXPECT_EQ(t.table.text(700), "[S700]\r\n@n = 700\r\n");
    EXPECT_EQ(t.get("S700", "@n"), "700");
    EXPECT_EQ(t.get("S701", "@n"), "");
    EXPECT_EQ(t.events.back(), "title: ERROR - SCENE NOT DEFINED!");
}

TEST(LoadGameScript, SmallerLoadKeepsTheSlotsAboveIt) {
    HeadlessHost host;
    SceneTable table(host);
    table.loadText(crlf("[A]\n@v = 1\n[B]\n@v = 2\n[C]\n@v = 3\n"));
    table.loadText(crlf("[X]\n@v = 9\n"));
    EXPECT_EQ(table.lastLoadCount(), 1);
    EXPECT_EQ(table.FindScene("X"), 1);
    EXPECT_EQ(table.FindScene("A"), 0);
    EXPECT_EQ(table.FindScene("C"), 3);
    EXPECT_EQ(table.GetDirective("C", "@v"), "3");
}

TEST(LoadGameScript, MissingFileLoadsNothingSilently) {
    HeadlessHost host;
    std::vector<std::string> events;
    host.onEvent = [&](std::string_view l) { events.emplace_back(l); };
    SceneTable table(host);
    GameScript game;
    game.path = "/nonexistent/parvel/Gamefile.txt";
    table.LoadGameScript(game);
    EXPECT_EQ(table.lastLoadCount(), 0);
    EXPECT_EQ(game.enciphered, 0);
    EXPECT_TRUE(events.empty());
}

TEST(LoadGameScript, SurvivesHostileBytes) {
    std::string junk;
    for (int i = 0; i < 20000; ++i) junk.push_back(static_cast<char>((i * 7919) % 256));
    junk += std::string("\0\0[\r\n[\r\n[]\r\n[", 12);
    Table t(junk, false);
    for (int s = 1; s <= t.table.lastLoadCount(); ++s) (void)t.get(t.table.name(s), "@x");
    SUCCEED();
}

TEST(FindScene, CaseInsensitiveFromNearTheCurrentSlotWithWrap) {
    std::string text;
    for (int i = 1; i <= 40; ++i) text += "[S" + std::to_string(i) + "]\n@n = " + std::to_string(i) + "\n";
    text += "[s5]\n@n = dup\n";  // slot 41, same name as slot 5
    Table t(text);
    EXPECT_EQ(t.table.FindScene("SETUP"), 0);
    EXPECT_EQ(t.table.FindScene("s5"), 5);
    t.table.setCurrentSlot(30);  // search starts at slot 20, wraps to 1
    EXPECT_EQ(t.table.FindScene("S5"), 41);
    EXPECT_EQ(t.table.FindScene("S19"), 19);
    t.table.setCurrentSlot(20);
    EXPECT_EQ(t.table.FindScene("S5"), 5);
}

TEST(GetDirective, FindsNamesWithoutRegardToCaseOrSpacing) {
    Table t("[Setup]\n@musicdir = music\n@music = song.mid\n@Music2=a\n[Intro]\n@Music=a.mid\n");
    EXPECT_EQ(t.table.FindScene("SETUP"), 1);
    EXPECT_EQ(t.table.FindScene("Intro"), 2);
    EXPECT_EQ(t.get("Setup", "@music"), "song.mid");
    EXPECT_EQ(t.get("Setup", "@musicdir"), "music");
    EXPECT_EQ(t.get("Setup", "@MUSIC2"), "a");
    EXPECT_EQ(t.get("intro", "@music"), "a.mid");
    EXPECT_EQ(t.get("Intro", "@sound"), "");
}

TEST(GetDirective, OrderOfLongerAndShorterNamesDoesNotMatter) {
    Table t("[S]\n@music = song.mid\n@musicdir = music\n");
    EXPECT_EQ(t.get("S", "@musicdir"), "music");
    EXPECT_EQ(t.get("S", "@music"), "song.mid");
}

TEST(GetDirective, StrayNamesWithoutEqualsSignAreSkippedUpToTheRealOne) {
    // Each stray is compared with the text up to the next "=" wherever that
    // lies, so a stray line reaches past a later, longer name's "=".
    Table t("[S]\n@image x\n@image\n@image   \n@imagex = 1\n@image  = pic.bmp\n@anim y\n");
    EXPECT_EQ(t.get("S", "@image"), "pic.bmp");
    EXPECT_EQ(t.get("S", "@imagex"), "1");
    EXPECT_EQ(t.get("S", "@anim"), "");  // no "=" after it: the read fails
    Table broken("[S]\n@image   \n= far.bmp\n");
    EXPECT_EQ(broken.get("S", "@image"), "");  // only spaces may stand between name and "="
    std::string strays = "[S]\n";
    for (int i = 0; i < 20000; ++i) strays += "@image x\n";
    Table many(strays + "@image = last.bmp\n");
    EXPECT_EQ(many.get("S", "@image"), "last.bmp");
}

TEST(GetDirective, CommentsCutValuesAndSlashesDisableCommands) {
    Table t("[S]\n//@sound = x.wav\n@sound = y.wav\n@music = a.mid // theme\n@empty =\n"
            "// @image = off.bmp\n//  @anim = on.bmp\n@tab\t= no\n");
    EXPECT_EQ(t.get("S", "@sound"), "y.wav");
    EXPECT_EQ(t.get("S", "@music"), "a.mid");
    EXPECT_EQ(t.get("S", "@empty"), "");
    EXPECT_EQ(t.get("S", "@image"), "");
    EXPECT_EQ(t.get("S", "@anim"), "on.bmp");
    EXPECT_EQ(t.get("S", "@tab"), "");
}

TEST(GetDirective, ValuesContinueOverLinesNotStartingWithAt) {
    Table t("[S]\n@description = one\ntwo\n// note\n\n@option1 = first\n@option1 = second\n");
    EXPECT_EQ(t.get("S", "@description"), "one two");
    EXPECT_EQ(t.get("S", "@option1"), "first");
    Table u("[S]\n@description = a\nb // cut\nc\n@x = 1\n");
    EXPECT_EQ(u.get("S", "@description"), "a b");
    Table v("[S]\n@last = tail value   ");
    EXPECT_EQ(v.get("S", "@last"), "tail value");
}

TEST(GetDirective, UndefinedSceneSetsTitleAndKeepsCurrentSlot) {
    Table t("[A]\n@v = 1\n[B]\n@v = 2\n");
    EXPECT_EQ(t.get("B", "@v"), "2");
    EXPECT_EQ(t.table.currentSlot(), 2);
    EXPECT_EQ(t.get("Nowhere", "@v"), "");
    EXPECT_EQ(t.table.currentSlot(), 2);
    ASSERT_FALSE(t.events.empty());
    EXPECT_EQ(t.events.back(), "title: ERROR - SCENE NOT DEFINED!");
}

TEST(GetDirective, FailedReadsGiveEmptyTextAndAMessageOnlyWithShowErrors) {
    Table t("[A]\n@noequals\n@v = 1\n");
    EXPECT_EQ(t.get("A", "@v"), "1");
    EXPECT_EQ(t.get("A", "@noequals"), "");  // no "=" after it: a stray occurrence
    EXPECT_EQ(t.get("", "@v"), "");          // an empty name never matches
    EXPECT_TRUE(t.events.empty());
    t.host.settings().ShowErrors = true;
    EXPECT_EQ(t.get("", "@v"), "");
    EXPECT_EQ(t.events.back(), "msgbox: 5 Invalid procedure call or argument");
    // Before any successful read there is no current scene.
    Table u("[A]\n@v = 1\n");
    u.host.settings().ShowErrors = true;
    EXPECT_EQ(u.get("Missing", "@v"), "");
    EXPECT_EQ(u.events.back(), "msgbox: 9 Subscript out of range");
    // A commented-out command on a last line without line break.
    Table w("[A]\n//@v = 1");
    EXPECT_EQ(w.get("A", "@v"), "");
    EXPECT_EQ(w.get("A", "@w"), "");
}

TEST(GetDirective, SceneNamedByEmptyHeaderCanBeReadWithEmptyName) {
    Table t("[]\n@v = 1\n");
    t.table.setCurrentSlot(1);
    EXPECT_EQ(t.get("", "@v"), "1");
}

// A long scene reads exactly as a short one: the same directives found
// (in any case, after strays and comments), the same ones absent, and a
// scene loaded again in the same slot read anew.
TEST(GetDirective, LongScenesReadAsShortOnes) {
    const std::string body =
        "@Image = a.bmp\n// @music = no.mid\n@ANIM=b.bmp\n@animspeed x\n@animspeed = FAST\n"
        "@description = @option1 is in here\n@Xmove = 3\n";
    const std::string pad = std::string(70 * 1024, 'w') + "\n";  // text before the commands
    const char* names[] = {"@image", "@anim", "@animspeed", "@music", "@option1", "@X",
                           "@xmove", "@Link1", "@description", "@nothing"};
    Table shortScene("[S]\n" + body);
    Table longScene("[S]\n" + pad + body);
    for (const char* d : names)
        EXPECT_EQ(longScene.get("S", d), shortScene.get("S", d)) << d;
    EXPECT_EQ(longScene.get("S", "@animspeed"), "FAST");
    EXPECT_EQ(longScene.get("S", "@music"), "");
    longScene.table.loadText(crlf("[S]\n" + pad + "@music = yes.mid\n"));
    EXPECT_EQ(longScene.get("S", "@music"), "yes.mid");
    EXPECT_EQ(longScene.get("S", "@image"), "");
}
