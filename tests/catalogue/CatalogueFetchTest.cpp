// Fetches from a local server: the bytes on the wire, the titles shown,
// the names listed, and every way a fetch can end.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>

#include "CatalogueFetch.h"
#include "CatalogueTestPages.h"
#include "PageServer.h"
#include "QtTestApp.h"

using namespace parvel::catalogue;

namespace {

class RecordingView : public FetchView {
public:
    void setTitle(const std::string& t) override { titles.push_back(t); }
    void clearList() override {
        names.clear();
        ++clears;
    }
    void addName(const std::string& n) override {
        names.push_back(n);
        if (onAdd) onAdd();
    }
    void processEvents() override {
        ++eventPasses;
        QCoreApplication::processEvents();
    }
    std::string title() const { return titles.empty() ? std::string() : titles.back(); }

    std::vector<std::string> titles;
    std::vector<std::string> names;
    std::function<void()> onAdd;
    int clears = 0;
    int eventPasses = 0;
};

struct Fixture {
    explicit Fixture(quint16 port, const std::string& host = "127.0.0.1") : fetch(view) {
        fetch.setHosts({host, "web.test", host});
        fetch.setPort(port);
    }
    bool finish(int ms = 5000) {
        return waitFor([&] { return !fetch.busy(); }, ms);
    }
    RecordingView view;
    CatalogueFetch fetch;
};

bool startsWith(const std::string& s, std::string_view p) { return s.rfind(p, 0) == 0; }

}  // namespace

TEST(Fetch, SendsExactlyTheRequestBytes) {
    for (const PageRequest& page : {kNewGamesPage, kGameListPage, kEnhancedPage}) {
        PageServer server(PageServer::Mode::Serve, cataloguePage());
        Fixture f(server.port());
        f.fetch.start(page);
        ASSERT_TRUE(f.finish());
        EXPECT_EQ(server.request(), "GET " + std::string(page.path) +
                                        " HTTP/1.0\r\nAccept: */*\r\nAccept: text/html\r\n\r\n");
        EXPECT_EQ(server.connections(), 1);
    }
}

TEST(Fetch, CataloguePageListsNamesAndCountsThem) {
    PageServer server(PageServer::Mode::Serve, cataloguePage());
    Fixture f(server.port());
    f.fetch.start(kGameListPage);
    ASSERT_TRUE(f.finish());
    EXPECT_EQ(f.view.names,
              (std::vector<std::string>{"Castle Quest", "Frog &amp; Toad", "Castle Quest", "Moon"}));
    EXPECT_EQ(f.view.title(), "Games found: 4");
    // The count climbs one name at a time.
    const auto n = f.view.titles.size();
    ASSERT_GE(n, 4u);
    EXPECT_EQ(f.view.titles[n - 4], "Games found: 1");
    EXPECT_EQ(f.view.titles[n - 2], "Games found: 3");
    EXPECT_EQ(f.fetch.pageText(), cataloguePage());
    EXPECT_EQ(f.fetch.pageKind(), PageKind::Catalogue);
}

TEST(Fetch, EnhancedPageUsesItsOwnLayout) {
    PageServer server(PageServer::Mode::Serve, enhancedPage());
    Fixture f(server.port());
    f.fetch.start(kEnhancedPage);
    ASSERT_TRUE(f.finish());
    EXPECT_EQ(f.view.names, (std::vector<std::string>{"Star Quest", "Tigh", "Deep Sea"}));
    EXPECT_EQ(f.view.title(), "Games found: 3");
    EXPECT_EQ(f.fetch.pageKind(), PageKind::Enhanced);
}

TEST(Fetch, ProgressTitlesCycleThroughFourSteps) {
    const std::string page = cataloguePage();
    PageServer server(PageServer::Mode::Serve, page);
    const int piece = static_cast<int>(page.size() / 6) + 1;  // six data events
    server.setPieces(piece, 60);
    Fixture f(server.port());
    f.fetch.start(kNewGamesPage);
    ASSERT_TRUE(f.finish());
    std::vector<std::string> progress;
    for (const auto& t : f.view.titles)
        if (startsWith(t, "Downloading")) progress.push_back(t);
    ASSERT_EQ(progress.size(), 6u);
    const std::string dots[] = {"Downloading    ", "Downloading.   ", "Downloading..  ",
                                "Downloading... ", "Downloading    ", "Downloading.   "};
    for (size_t i = 0; i < 6; ++i) {
        const size_t length = std::min(page.size(), (i + 1) * static_cast<size_t>(piece));
        EXPECT_EQ(progress[i], dots[i] + std::to_string(length) + " bytes");
    }
    // The step is not reset by the next fetch: it goes on from step 2.
    PageServer again(PageServer::Mode::Serve, cataloguePage());
    f.fetch.setPort(again.port());
    const size_t before = f.view.titles.size();
    f.fetch.start(kNewGamesPage);
    ASSERT_TRUE(f.finish());
    std::string next;
    for (size_t i = before; i < f.view.titles.size() && next.empty(); ++i)
        if (startsWith(f.view.titles[i], "Downloading")) next = f.view.titles[i];
    EXPECT_TRUE(startsWith(next, "Downloading..  ")) << next;
}

TEST(Fetch, PageWithoutEntriesLeavesTheDownloadTitle) {
    const std::string page = "HTTP/1.0 200 OK\r\n\r\n<HTML>nothing new</HTML>";
    PageServer server(PageServer::Mode::Serve, page);
    Fixture f(server.port());
    f.fetch.start(kNewGamesPage);
    ASSERT_TRUE(f.finish());
    EXPECT_TRUE(f.view.names.empty());
    EXPECT_EQ(f.view.title(), "Downloading    " + std::to_string(page.size()) + " bytes");
}

TEST(Fetch, HugePageIsCutAtEightMegabytes) {
    std::string page = catalogueHead() + catalogueRow("a", "Early Game", "by A", "First.");
    page += std::string(9 * 1024 * 1024, 'x');
    page += catalogueRow("z", "Late Game", "by Z", "Never seen.");
    PageServer server(PageServer::Mode::Serve, page);
    Fixture f(server.port());
    f.fetch.start(kGameListPage);
    ASSERT_TRUE(f.finish(20000));
    EXPECT_EQ(f.fetch.pageText().size(), static_cast<size_t>(kMaxPageBytes));
    EXPECT_EQ(f.fetch.pageText(), page.substr(0, static_cast<size_t>(kMaxPageBytes)));
    EXPECT_EQ(f.view.names, std::vector<std::string>{"Early Game"});
    EXPECT_EQ(f.view.title(), "Games found: 1 - page cut off at 8 MiB");
}

TEST(Fetch, SilentServerEndsAtTheReadTimeout) {
    PageServer server(PageServer::Mode::Silent);
    Fixture f(server.port());
    f.fetch.setTimeouts(2000, 300);
    f.fetch.start(kNewGamesPage);
    ASSERT_TRUE(f.finish());
    EXPECT_EQ(f.view.title(), "No data from 127.0.0.1 for 0.3 s");
    EXPECT_TRUE(f.view.names.empty());
    EXPECT_FALSE(server.request().empty());
}

TEST(Fetch, ServerClosingAtOnceIsReported) {
    PageServer server(PageServer::Mode::CloseAtOnce);
    Fixture f(server.port());
    f.fetch.start(kNewGamesPage);
    ASSERT_TRUE(f.finish());
    EXPECT_EQ(f.view.title(), "No answer from 127.0.0.1");
    EXPECT_TRUE(f.view.names.empty());
}

TEST(Fetch, RefusedConnectionIsReported) {
    quint16 port;
    {
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost);
        port = closed.serverPort();
    }
    Fixture f(port);
    f.fetch.start(kEnhancedPage);
    ASSERT_TRUE(f.finish());
    EXPECT_EQ(f.view.title(), "Connection refused by 127.0.0.1");
}

TEST(Fetch, UnknownHostIsReported) {
    Fixture f(80, "no-such-host.invalid");
    f.fetch.setTimeouts(8000, 1000);
    f.fetch.start(kNewGamesPage);
    ASSERT_TRUE(f.finish(10000));
    // Without a resolver at hand the lookup may also run out of time.
    const std::string t = f.view.title();
    EXPECT_TRUE(t == "Host not found: no-such-host.invalid" ||
                t == "No connection to no-such-host.invalid after 8 s")
        << t;
}

TEST(Fetch, ConnectionThatNeverCompletesTimesOut) {
    // A listening socket with a full accept queue drops further handshakes,
    // so a connect to it hangs.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(fd, 0), 0);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        const int c = ::socket(AF_INET, SOCK_STREAM, 0);
        ::fcntl(c, F_SETFL, O_NONBLOCK);
        ::connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a);
        fillers.push_back(c);
    }
    spin(200);
    Fixture f(ntohs(a.sin_port));
    f.fetch.setTimeouts(400, 5000);
    f.fetch.start(kNewGamesPage);
    EXPECT_TRUE(f.finish());
    EXPECT_EQ(f.view.title(), "No connection to 127.0.0.1 after 0.4 s");
    for (int c : fillers) ::close(c);
    ::close(fd);
}

TEST(Fetch, EmptyHostSaysWhichKeyToSet) {
    RecordingView view;
    CatalogueFetch fetch(view);
    fetch.start(kGameListPage);
    EXPECT_FALSE(fetch.busy());
    EXPECT_EQ(view.title(), "Set CatalogueHost in section [Parvel] of Parvel.ini");
    fetch.setHosts({"cat.test", "", ""});
    fetch.start(kEnhancedPage);
    EXPECT_EQ(view.title(), "Set EnhancedHost in section [Parvel] of Parvel.ini");
    EXPECT_EQ(view.clears, 2);
}

TEST(Fetch, NewFetchDropsTheOneInProgress) {
    PageServer slow(PageServer::Mode::Serve, cataloguePage());
    slow.setPieces(40, 50);
    PageServer fast(PageServer::Mode::Serve, enhancedPage());
    Fixture f(slow.port());
    f.fetch.start(kNewGamesPage);
    ASSERT_TRUE(waitFor([&] { return f.fetch.pageText().size() >= 40; }));
    f.fetch.setPort(fast.port());
    f.fetch.start(kEnhancedPage);
    ASSERT_TRUE(f.finish());
    spin(300);
    EXPECT_EQ(f.view.names, (std::vector<std::string>{"Star Quest", "Tigh", "Deep Sea"}));
    EXPECT_EQ(f.fetch.pageText(), enhancedPage());
    EXPECT_EQ(f.view.title(), "Games found: 3");
}

TEST(Fetch, ClickDuringScrapingStopsTheOldList) {
    PageServer first(PageServer::Mode::Serve, cataloguePage());
    PageServer second(PageServer::Mode::Serve, enhancedPage());
    Fixture f(first.port());
    bool restarted = false;
    f.view.onAdd = [&] {
        // As if the user clicked another button while the list fills.
        if (restarted) return;
        restarted = true;
        f.fetch.setPort(second.port());
        f.fetch.start(kEnhancedPage);
    };
    f.fetch.start(kGameListPage);
    ASSERT_TRUE(waitFor([&] { return restarted && !f.fetch.busy(); }));
    spin(200);
    EXPECT_EQ(f.view.names, (std::vector<std::string>{"Star Quest", "Tigh", "Deep Sea"}));
}

