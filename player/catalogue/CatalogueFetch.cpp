#include "CatalogueFetch.h"

#include <QTcpSocket>

#include "CatalogueLog.h"
#include "TextCodec.h"

namespace parvel::catalogue {

namespace {

QString toQString(std::string_view cp1252) {
    return QString::fromStdString(cp1252ToUtf8(cp1252));
}

std::string toCp1252(const QString& s) {
    const std::string utf8 = s.toStdString();
    return utf8ToCp1252(utf8).value_or(utf8);
}

}  // namespace

CatalogueFetch::CatalogueFetch(FetchView& view, QObject* parent) : QObject(parent), m_view(view) {
    m_connectTimer.setSingleShot(true);
    m_readTimer.setSingleShot(true);
    connect(&m_connectTimer, &QTimer::timeout, this, &CatalogueFetch::onConnectTimeout);
    connect(&m_readTimer, &QTimer::timeout, this, &CatalogueFetch::onReadTimeout);
}

CatalogueFetch::~CatalogueFetch() { dropSocket(); }

void CatalogueFetch::setTimeouts(int connectMs, int readMs) {
    m_connectMs = connectMs;
    m_readMs = readMs;
}

const std::string& CatalogueFetch::host() const {
    return m_kind == PageKind::Enhanced ? m_hosts.enhanced : m_hosts.catalogue;
}

std::string CatalogueFetch::seconds(int ms) const {
    return toCp1252(QString::number(ms / 1000.0)) + " s";
}

void CatalogueFetch::start(const PageRequest& page) {
    ++m_generation;
    m_kind = page.kind;
    m_view.clearList();
    m_path = std::string(page.path);
    dropSocket();
    if (host().empty()) {
        m_view.showError(missingHostText(m_kind == PageKind::Enhanced ? kEnhancedHostKey
                                                                      : kCatalogueHostKey));
        return;
    }
    qCDebug(lcCatalogue) << "fetching" << host().c_str() << m_path.c_str();
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &CatalogueFetch::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &CatalogueFetch::onDataArrival);
    connect(m_socket, &QTcpSocket::disconnected, this, &CatalogueFetch::onClose);
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this](qint64 n) {
        m_sent += n;
        if (m_sent >= static_cast<qint64>(m_requestBytes)) onSendComplete();
    });
    connect(m_socket, &QTcpSocket::errorOccurred, this, &CatalogueFetch::onSocketError);
    m_connectTimer.start(m_connectMs);
    m_socket->connectToHost(toQString(host()), m_port);
}

void CatalogueFetch::onConnected() {
    m_connectTimer.stop();
    m_page.clear();
    const std::string request = buildRequest(m_path);
    m_requestBytes = request.size();
    m_sent = 0;
    m_socket->write(request.data(), static_cast<qint64>(request.size()));
    m_readTimer.start(m_readMs);
}

void CatalogueFetch::onDataArrival() {
    const auto generation = m_generation;
    // Data that comes while our own pending-events pass runs raises no new
    // signal, so take whatever is waiting before returning.
    do {
        QByteArray data = m_socket->readAll();
        m_readTimer.start(m_readMs);
        const auto room = kMaxPageBytes - static_cast<std::int64_t>(m_page.size());
        const bool full = data.size() >= room;
        if (full) data.truncate(static_cast<qsizetype>(room));
        m_page.append(data.constData(), static_cast<size_t>(data.size()));
        m_step = m_step % 4 + 1;
        m_lastTitle = progressTitle(m_step, m_page.size());
        m_view.setTitle(m_lastTitle);
        if (full) {
            // Stop reading before events run, so a close arriving meanwhile
            // cannot take the page as complete.
            qCWarning(lcCatalogue) << "page larger than" << kMaxPageBytes << "bytes, cut off";
            dropSocket();
            scrape();
            if (generation != m_generation) return;
            m_lastTitle += " - page cut off at 8 MiB";
            m_view.setTitle(m_lastTitle);
            return;
        }
        m_view.processEvents();
        if (generation != m_generation || !m_socket) return;
        if (data.isEmpty()) {
            endOfPage();
            return;
        }
    } while (m_socket->bytesAvailable() > 0);
}

void CatalogueFetch::onClose() {
    if (!m_socket) return;
    const auto generation = m_generation;
    if (m_socket->bytesAvailable() > 0) {
        onDataArrival();
        if (generation != m_generation || !m_socket) return;
    }
    endOfPage();
}

void CatalogueFetch::onSendComplete() {
    // The page text was emptied just before the request went out, so this
    // finds something only if an answer overtook the send notice.
    if (!m_page.empty()) scrape();
}

void CatalogueFetch::endOfPage() {
    if (m_page.empty()) {
        stop("No answer from " + host());
        return;
    }
    dropSocket();
    scrape();
}

void CatalogueFetch::scrape() {
    if (m_kind == PageKind::Catalogue) TrimGames();
    else TrimNGames();
}

void CatalogueFetch::TrimGames() { addNames(TrimGamesNames(m_page)); }
void CatalogueFetch::TrimNGames() { addNames(TrimNGamesNames(m_page)); }

void CatalogueFetch::addNames(const std::vector<std::string>& names) {
    const auto generation = m_generation;
    int count = 0;
    for (const auto& name : names) {
        if (generation != m_generation) return;  // a newer fetch owns the list now
        m_view.addName(name);
        if (generation != m_generation) return;
        m_lastTitle = gamesFoundTitle(++count);
        m_view.setTitle(m_lastTitle);
        m_view.processEvents();
    }
}

void CatalogueFetch::onSocketError() {
    if (!m_socket) return;
    const auto error = m_socket->error();
    // The peer closing is the normal end of a page; the close handler takes it.
    if (error == QAbstractSocket::RemoteHostClosedError) return;
    qCWarning(lcCatalogue) << "socket error" << error << m_socket->errorString();
    switch (error) {
        case QAbstractSocket::HostNotFoundError:
            stop("Host not found: " + host());
            break;
        case QAbstractSocket::ConnectionRefusedError:
            stop("Connection refused by " + host());
            break;
        default:
            stop("Network error: " + toCp1252(m_socket->errorString()));
            break;
    }
}

void CatalogueFetch::onConnectTimeout() {
    if (m_socket) stop("No connection to " + host() + " after " + seconds(m_connectMs));
}

void CatalogueFetch::onReadTimeout() {
    if (m_socket) stop("No data from " + host() + " for " + seconds(m_readMs));
}

void CatalogueFetch::stop(const std::string& why) {
    dropSocket();
    m_view.showError(why);
}

void CatalogueFetch::dropSocket() {
    m_connectTimer.stop();
    m_readTimer.stop();
    if (!m_socket) return;
    QTcpSocket* s = m_socket;
    m_socket = nullptr;
    s->disconnect(this);
    s->abort();
    // We may be inside one of its own signals.
    s->deleteLater();
}

}  // namespace parvel::catalogue

extern "C" __attribute__((visibility("default"))) parvel::catalogue::PageFetch* parvelNewPageFetch(
    int abi, parvel::catalogue::FetchView& view) {
    if (abi != parvel::catalogue::kPageFetchAbi) return nullptr;
    return new parvel::catalogue::CatalogueFetch(view);
}
