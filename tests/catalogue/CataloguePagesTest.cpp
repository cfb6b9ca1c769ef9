// Request bytes, titles, scraping and the double-click questions, on pages
// held in memory.

#include <gtest/gtest.h>

#include <random>

#include "CataloguePages.h"
#include "CatalogueTestPages.h"

using namespace parvel::catalogue;

TEST(Request, ExactBytesForEachPage) {
    EXPECT_EQ(buildRequest(kGameListPage.path),
              "GET /tshow/tavistories.html HTTP/1.0\r\nAccept: */*\r\nAccept: text/html\r\n\r\n");
    EXPECT_EQ(buildRequest(kNewGamesPage.path),
              "GET /tshow/0tshow.html HTTP/1.0\r\nAccept: */*\r\nAccept: text/html\r\n\r\n");
    EXPECT_EQ(buildRequest(kEnhancedPage.path),
              "GET /gaming/parvel/ HTTP/1.0\r\nAccept: */*\r\nAccept: text/html\r\n\r\n");
    EXPECT_EQ(kNewGamesPage.kind, PageKind::Catalogue);
    EXPECT_EQ(kGameListPage.kind, PageKind::Catalogue);
    EXPECT_EQ(kEnhancedPage.kind, PageKind::Enhanced);
    EXPECT_EQ(kHttpPort, 80);
}

TEST(Titles, ProgressStepsKeepTheNumberInPlace) {
    EXPECT_EQ(progressTitle(1, 10), "Downloading    10 bytes");
    EXPECT_EQ(progressTitle(2, 10), "Downloading.   10 bytes");
    EXPECT_EQ(progressTitle(3, 10), "Downloading..  10 bytes");
    EXPECT_EQ(progressTitle(4, 12345), "Downloading... 12345 bytes");
    EXPECT_EQ(gamesFoundTitle(3), "Games found: 3");
    EXPECT_EQ(missingHostText(kCatalogueHostKey),
              "Set CatalogueHost in section [Parvel] of Parvel.ini");
}

TEST(TrimGames, ListsNamesInPageOrderSkippingDollarNames) {
    EXPECT_EQ(TrimGamesNames(cataloguePage()),
              (std::vector<std::string>{"Castle Quest", "Frog &amp; Toad", "Castle Quest", "Moon"}));
}

TEST(TrimGames, NoEntriesNoNames) {
    EXPECT_TRUE(TrimGamesNames("").empty());
    EXPECT_TRUE(TrimGamesNames("HTTP/1.0 404 Not Found\r\n\r\n<HTML>gone</HTML>").empty());
    // The pattern wants upper-case tags and the quote.
    EXPECT_TRUE(TrimGamesNames("<td><b><a href=\"/tshow/pages/x.html\">X</a>").empty());
    EXPECT_TRUE(TrimGamesNames("<TD><B><A HREF=/tshow/pages/x.html>X</A>").empty());
}

TEST(TrimGames, MissingDelimitersGiveEmptyOrCutNames) {
    const std::string pat = "<TD><B><A HREF=\"/tshow/pages/";
    // No "<" after the name: the name cannot be cut out and comes out empty.
    EXPECT_EQ(TrimGamesNames(pat + "a.html\">Unclosed"), std::vector<std::string>{""});
    // No ">" after the pattern: the search restarts at the page's start, so
    // the name is the page's beginning up to its first "<".
    EXPECT_EQ(TrimGamesNames("Head" + pat + "a.html"), std::vector<std::string>{"Head"});
    // A cut-off last entry still yields the names before it.
    EXPECT_EQ(TrimGamesNames(catalogueRow("a", "A", "", "") + pat + "b.html\">B"),
              (std::vector<std::string>{"A", ""}));
}

TEST(TrimNGames, NameEndsTwoCharactersBeforeTheTag) {
    EXPECT_EQ(TrimNGamesNames(enhancedPage()),
              (std::vector<std::string>{"Star Quest", "Tigh", "Deep Sea"}));
    // A name directly followed by "<" or nothing at all comes out empty.
    EXPECT_EQ(TrimNGamesNames("width=125><BR><B><"), std::vector<std::string>{""});
    EXPECT_EQ(TrimNGamesNames("width=125><BR><B>runs off the end"), std::vector<std::string>{""});
}

TEST(Scraping, AnyBytesEndWithoutCrashing) {
    // Pattern pieces shuffled with random bytes: every search must move on.
    const std::string pieces[] = {"<TD><B><A HREF=\"/tshow/pages/", "width=125><BR><B>", "<", ">",
                                  ".html", "$", "<DIV align=center><FONT size=-1>",
                                  "<FONT color=", "\r\n", "x"};
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        std::string page;
        const int n = static_cast<int>(rng() % 40);
        for (int i = 0; i < n; ++i) {
            if (rng() % 3 == 0) page.push_back(static_cast<char>(rng() & 0xFF));
            else page += pieces[rng() % std::size(pieces)];
        }
        const auto a = TrimGamesNames(page);
        const auto b = TrimNGamesNames(page);
        for (const auto& name : a) (void)catalogueOffers(page, name);
        for (const auto& name : b) (void)enhancedOffer(page, name);
        (void)catalogueOffers(page, "");
        (void)enhancedOffer(page, "");
    }
}

TEST(CatalogueOffers, EveryEntryOfTheGameInPageOrder) {
    const auto offers = catalogueOffers(cataloguePage(), "Castle Quest");
    ASSERT_EQ(offers.size(), 2u);
    EXPECT_EQ(offers[0].title, "Parvel");
    EXPECT_EQ(offers[0].pageName, "castle");
    EXPECT_EQ(offers[0].text,
              "Castle Quest written by Jo Smith\rA dark castle.\r"
              "Would you like to visit the download page?");
    EXPECT_EQ(offers[1].pageName, "castle2");
    EXPECT_EQ(offers[1].text,
              "Castle Quest written by Jo Smith\rThe remake.\r"
              "Would you like to visit the download page?");
}

TEST(CatalogueOffers, ExactCaseSensitiveMatchAndNoDollarNames) {
    EXPECT_TRUE(catalogueOffers(cataloguePage(), "castle quest").empty());
    EXPECT_TRUE(catalogueOffers(cataloguePage(), "$Hidden Test").empty());
    EXPECT_TRUE(catalogueOffers(cataloguePage(), "Castle").empty());
    EXPECT_EQ(catalogueOffers(cataloguePage(), "Moon").at(0).pageName, "moon");
}

TEST(EnhancedOffer, FirstMatchWithAuthorAndDescription) {
    const auto offer = enhancedOffer(enhancedPage(), "Star Quest");
    ASSERT_TRUE(offer);
    EXPECT_EQ(offer->title, "Parvel - Visit page?");
    EXPECT_EQ(offer->text,
              "Star Quest written by: Ann Lee\rSpace adventure\r"
              "Would you like to visit the download page?");
    const auto deep = enhancedOffer(enhancedPage(), "Deep Sea");
    ASSERT_TRUE(deep);
    EXPECT_EQ(deep->text,
              "Deep Sea written by: Di Ng\rUnder water\rWould you like to visit the download page?");
    EXPECT_FALSE(enhancedOffer(enhancedPage(), "$Beta"));
    EXPECT_FALSE(enhancedOffer(enhancedPage(), "star quest"));
}

TEST(Urls, HostsAsConfiguredScrapedTextOnlyInThePath) {
    EXPECT_EQ(catalogueGameUrl("web.test", "castle").toString(),
              "http://web.test/tshow/pages/castle.html");
    EXPECT_EQ(enhancedPageUrl("enhanced.test").toString(), "http://enhanced.test/gaming/parvel/");
    EXPECT_EQ(enhancedPageUrl("enhanced.test:8080").toString(),
              "http://enhanced.test:8080/gaming/parvel/");
    const QUrl odd = catalogueGameUrl("web.test", "a b?x=1#top\" & calc");
    EXPECT_EQ(odd.host(), "web.test");
    EXPECT_EQ(odd.scheme(), "http");
    EXPECT_TRUE(odd.query().isEmpty());
    EXPECT_TRUE(odd.fragment().isEmpty());
    EXPECT_EQ(odd.path(), "/tshow/pages/a b?x=1#top\" & calc.html");
    EXPECT_EQ(odd.toEncoded(), "http://web.test/tshow/pages/a%20b%3Fx=1%23top%22%20&%20calc.html");
}
