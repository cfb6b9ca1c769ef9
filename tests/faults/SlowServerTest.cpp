// A web server that answers one byte a second. The fetch must keep the
// event loop turning, show every byte as it comes, end at the read time-out
// when the bytes come slower than that, and give way to a new fetch.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <functional>
#include <memory>

#include "CatalogueFetch.h"

using namespace parvel::catalogue;

namespace {

bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    return done();
}

// Sends `page` one byte at a time: the first at once when the request is
// in, then one every `intervalMs`.
class TrickleServer : public QObject {
public:
    TrickleServer(std::string page, int intervalMs) : m_page(std::move(page)), m_ms(intervalMs) {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) {
                ++m_connections;
                connect(s, &QTcpSocket::readyRead, this, [this, s] {
                    m_request += s->readAll().toStdString();
                    if (!m_started && m_request.find("\r\n\r\n") != std::string::npos) start(s);
                });
                connect(s, &QTcpSocket::disconnected, this, [this] { ++m_hangUps; });
            }
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    int hangUps() const { return m_hangUps; }
    int connections() const { return m_connections; }
    size_t sent() const { return m_sent; }

private:
    void start(QTcpSocket* s) {
        m_started = true;
        QPointer<QTcpSocket> sock(s);
        auto sendOne = [this, sock] {
            if (!sock || sock->state() != QAbstractSocket::ConnectedState || m_sent >= m_page.size())
                return;
            sock->write(m_page.data() + m_sent, 1);
            sock->flush();
            ++m_sent;
        };
        sendOne();
        connect(&m_timer, &QTimer::timeout, this, sendOne);
        m_timer.start(m_ms);
    }

    QTcpServer m_server;
    QTimer m_timer;
    std::string m_page;
    std::string m_request;
    int m_ms;
    bool m_started = false;
    size_t m_sent = 0;
    int m_connections = 0;
    int m_hangUps = 0;
};

class RecordingView : public FetchView {
public:
    void setTitle(const std::string& t) override { titles.push_back(t); }
    void clearList() override { names.clear(); }
    void addName(const std::string& n) override { names.push_back(n); }
    void processEvents() override { QCoreApplication::processEvents(); }
    std::vector<std::string> progress() const {
        std::vector<std::string> out;
        for (const auto& t : titles)
            if (t.rfind("Downloading", 0) == 0) out.push_back(t);
        return out;
    }
    std::vector<std::string> titles;
    std::vector<std::string> names;
};

const std::string kPage =
    "HTTP/1.0 200 OK\r\n\r\n<TR><TD><B><A HREF=\"/tshow/pages/slow.html\">Slow</A>by X<BR>y</TD>";

}  // namespace

TEST(SlowServer, EachByteShowsAndTheWindowKeepsRunning) {
    TrickleServer server(kPage, 1000);
    RecordingView view;
    CatalogueFetch fetch(view);
    fetch.setHosts({"127.0.0.1", "web.test", "127.0.0.1"});
    fetch.setPort(server.port());
    fetch.setTimeouts(2000, 1800);

    // A window timer that must keep firing while the page crawls in.
    int ticks = 0;
    QTimer window;
    QObject::connect(&window, &QTimer::timeout, [&] { ++ticks; });
    window.start(100);

    fetch.start(kNewGamesPage);
    ASSERT_TRUE(waitFor([&] { return view.progress().size() >= 3; }, 10000));
    EXPECT_TRUE(fetch.busy());
    EXPECT_EQ(view.progress(), (std::vector<std::string>{"Downloading    1 bytes",
                                                         "Downloading.   2 bytes",
                                                         "Downloading..  3 bytes"}));
    EXPECT_EQ(fetch.pageText(), "HTT");
    EXPECT_GE(ticks, 10);  // about 20 in two seconds; any starvation shows as a handful

    // The user asks again (here: the enhanced page, which has no host):
    // the crawling connection is dropped at once.
    fetch.setHosts({"127.0.0.1", "web.test", ""});
    fetch.start(kEnhancedPage);
    EXPECT_FALSE(fetch.busy());
    EXPECT_EQ(view.titles.back(), missingHostText(kEnhancedHostKey));
    EXPECT_TRUE(waitFor([&] { return server.hangUps() == 1; }, 5000));
    const size_t sent = server.sent();
    EXPECT_LE(sent, 5u);
}

TEST(SlowServer, BytesSlowerThanTheReadTimeoutEndTheFetch) {
    TrickleServer server(kPage, 1000);
    RecordingView view;
    CatalogueFetch fetch(view);
    fetch.setHosts({"127.0.0.1", "web.test", "127.0.0.1"});
    fetch.setPort(server.port());
    fetch.setTimeouts(2000, 400);
    fetch.start(kGameListPage);
    ASSERT_TRUE(waitFor([&] { return !fetch.busy(); }, 5000));
    EXPECT_EQ(view.progress(), std::vector<std::string>{"Downloading    1 bytes"});
    EXPECT_EQ(view.titles.back(), "No data from 127.0.0.1 for 0.4 s");
    EXPECT_TRUE(view.names.empty());
    EXPECT_TRUE(waitFor([&] { return server.hangUps() == 1; }, 5000));
    EXPECT_EQ(server.connections(), 1);
}
