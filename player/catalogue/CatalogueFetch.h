#pragma once
// One page fetch at a time over a plain TCP connection, with the window's
// progress titles, and the scraping that runs when the server has closed.
//
// Event flow (each step a socket event): connected -> page text emptied and
// the request sent; data -> appended, progress title, pending events run;
// peer closed -> socket closed, names scraped into the list. A new fetch at
// any point drops the one in progress. Unlike a bare socket it also ends on
// errors, on time-outs and at the page size limit, each with a title saying
// why.

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>

#include "PageFetch.h"

class QTcpSocket;

namespace parvel::catalogue {

class CatalogueFetch : public QObject, public PageFetch {
    Q_OBJECT
public:
    explicit CatalogueFetch(FetchView& view, QObject* parent = nullptr);
    ~CatalogueFetch() override;

    void setHosts(CatalogueHosts hosts) override { m_hosts = std::move(hosts); }
    const CatalogueHosts& hosts() const override { return m_hosts; }
    void setPort(std::uint16_t port) override { m_port = port; }
    void setTimeouts(int connectMs, int readMs) override;

    void start(const PageRequest& page) override;

    void TrimGames() override;
    void TrimNGames() override;

    PageKind pageKind() const override { return m_kind; }
    const std::string& pageText() const override { return m_page; }
    bool busy() const override { return m_socket != nullptr; }

private:
    void onConnected();
    void onDataArrival();
    void onClose();
    void onSendComplete();
    void onSocketError();
    void onConnectTimeout();
    void onReadTimeout();

    void endOfPage();
    void scrape();
    void stop(const std::string& why);
    void dropSocket();
    void addNames(const std::vector<std::string>& names);
    const std::string& host() const;
    std::string seconds(int ms) const;

    FetchView& m_view;
    CatalogueHosts m_hosts;
    quint16 m_port = kHttpPort;
    int m_connectMs = kConnectTimeoutMs;
    int m_readMs = kReadTimeoutMs;

    QTcpSocket* m_socket = nullptr;  // owned (child); null when idle
    QTimer m_connectTimer;
    QTimer m_readTimer;
    PageKind m_kind = PageKind::Catalogue;
    std::string m_path;
    std::string m_page;
    std::string m_lastTitle;
    std::size_t m_requestBytes = 0;
    std::int64_t m_sent = 0;
    int m_step = 0;  // 1..4 once the first data has come; kept across fetches
    // Bumped by every start: handlers resuming after pending events ran
    // give up when a newer fetch has begun meanwhile.
    std::uint64_t m_generation = 0;
};

}  // namespace parvel::catalogue
