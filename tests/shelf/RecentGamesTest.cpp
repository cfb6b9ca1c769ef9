// The recent-games list and the shelf's cache file.

#include <gtest/gtest.h>

#include "ShelfData.h"

using namespace parvel::shelf;

namespace {
std::vector<std::string> files(const std::vector<RecentGame>& games) {
    std::vector<std::string> out;
    for (const auto& g : games) out.push_back(g.gameFile);
    return out;
}
}  // namespace

TEST(RecentGames, NewestFirstWithoutDuplicatesAndTenInTheMenu) {
    RecentGames r;
    for (int i = 1; i <= 12; ++i) r.played("/g/" + std::to_string(i), QString::number(i), i * 1000);
    r.played("/g/5", QStringLiteral("Five"), 99000);
    const auto menu = r.menu();
    EXPECT_EQ(files(menu), (std::vector<std::string>{"/g/5", "/g/12", "/g/11", "/g/10", "/g/9",
                                                     "/g/8", "/g/7", "/g/6", "/g/4", "/g/3"}));
    EXPECT_EQ(menu[0].name, QStringLiteral("Five"));
    // Games past the menu keep their time for the shelf.
    EXPECT_EQ(r.lastPlayed("/g/1"), 1000);
    r.remove("/g/12");
    EXPECT_EQ(r.menu()[1].gameFile, "/g/11");
    EXPECT_EQ(r.lastPlayed("/g/12"), std::nullopt);
}

TEST(RecentGames, SurvivesItsFileAndRepairsAHandEditedOne) {
    RecentGames r;
    r.played("/a/Gamefile.txt", QStringLiteral("Ä game"), 1'700'000'000'123);
    r.played("/b/GameFile.Cgm", QStringLiteral("B"), 1'700'000'000'999);
    const RecentGames back = RecentGames::fromJson(r.toJson());
    EXPECT_EQ(files(back.menu()), (std::vector<std::string>{"/b/GameFile.Cgm", "/a/Gamefile.txt"}));
    EXPECT_EQ(back.menu()[1].name, QStringLiteral("Ä game"));
    EXPECT_EQ(back.lastPlayed("/a/Gamefile.txt"), 1'700'000'000'123);

    const RecentGames edited = RecentGames::fromJson(
        R"({"recent":[{"file":"/x","name":"X"},{"file":"/x","name":"again"},{"name":"no file"}]})");
    ASSERT_EQ(edited.menu().size(), 1u);
    EXPECT_EQ(edited.menu()[0].name, QStringLiteral("X"));
    EXPECT_TRUE(RecentGames::fromJson("garbage").menu().empty());
}

TEST(ShelfCacheFile, KeepsFoldersGamesAndThumbnails) {
    ShelfState s;
    s.folders = {"/games", "/media/cd"};
    QImage thumb(2, 1, QImage::Format_RGB32);
    thumb.setPixel(0, 0, qRgb(1, 2, 3));
    thumb.setPixel(1, 0, qRgb(200, 100, 50));
    s.games.push_back({"/games/a/Gamefile.txt",
                       QStringLiteral("A"),
                       thumb,
                       {12, 3'000'000'000'000'000'001},
                       "/games/a/p.bmp",
                       {99, 5},
                       {}});
    // A folder whose name is no UTF-8 keeps its bytes.
    s.folders.push_back("/media/\xff\xfe");
    s.games.push_back({"/media/\xff\xfe/b/Gamefile.txt", QStringLiteral("B"), QImage(), {1, 2}, "",
                       {}, QStringLiteral("Cannot start: the first scene \"X\" is not defined")});
    s.skipped = 3;
    const ShelfState back = shelfFromJson(shelfToJson(s));
    EXPECT_EQ(back.folders, s.folders);
    EXPECT_EQ(back.skipped, 3);
    ASSERT_EQ(back.games.size(), 2u);
    EXPECT_EQ(back.games[1].gameFile, "/media/\xff\xfe/b/Gamefile.txt");
    EXPECT_EQ(back.games[1].problem, s.games[1].problem);
    EXPECT_EQ(back.games[0].gameStamp, (FileStamp{12, 3'000'000'000'000'000'001}));
    EXPECT_EQ(back.games[0].pictureStamp, (FileStamp{99, 5}));
    EXPECT_EQ(back.games[0].picture, "/games/a/p.bmp");
    EXPECT_EQ(back.games[0].thumbnail.pixel(1, 0), qRgb(200, 100, 50));
    EXPECT_TRUE(back.games[1].thumbnail.isNull());
    EXPECT_TRUE(shelfFromJson("{").games.empty());
}

TEST(ShelfPaths, EveryByteSurvivesTheTripThroughTextAndShowsAsTheSystemShowsIt) {
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    for (const std::string& bytes :
         {std::string("/m/\xff\xfe"), std::string("a\xc3\xa9"), std::string("\xed\xa0\x80"),
          std::string("\xf0\x9f\x98\x80"), std::string("\xc0\xaf\xe2\x82"),
          std::string("\xf4\x90\x80\x80"), all})
        EXPECT_EQ(pathBytes(pathText(bytes)), bytes);
    EXPECT_EQ(pathText("a\xc3\xa9\xf0\x9f\x98\x80"), QString::fromUtf8("a\xc3\xa9\xf0\x9f\x98\x80"));
    EXPECT_EQ(pathShown("/m/\xff"), QString::fromUtf8("/m/\xef\xbf\xbd"));
}

TEST(ShelfNames, AreOneLineOfAtMostTwoHundredCharacters) {
    const std::string huge = "Huge " + std::string(300, '\xe9') + std::string(1 << 20, '\0') + "tail";
    const QString name = boundedName(huge);
    ASSERT_EQ(name.size(), kMaxNameLength + 1);
    EXPECT_TRUE(name.startsWith(QString::fromUtf8("Huge \xc3\xa9\xc3\xa9")));
    EXPECT_EQ(name.back(), QChar(0x2026));
    EXPECT_EQ(boundedName(std::string("\t Tab\x01name ") + '\0' + "rest"), "Tab name");
    EXPECT_EQ(boundedName(std::string(kMaxNameLength, 'x') + std::string(10, '\0') + "y"),
              QString(kMaxNameLength, 'x'));
    // The cache and the recent list bound what they read.
    const QByteArray longName(1 << 20, 'n');
    const ShelfState cached = shelfFromJson(R"({"games":[{"file":"/g/Gamefile.txt","name":")" +
                                            longName + R"("}]})");
    ASSERT_EQ(cached.games.size(), 1u);
    EXPECT_EQ(cached.games[0].name.size(), kMaxNameLength + 1);
    RecentGames r;
    r.played("/g/Gamefile.txt", QString(longName), 1);
    EXPECT_EQ(RecentGames::fromJson(r.toJson()).menu()[0].name.size(), kMaxNameLength + 1);
}
