#pragma once
// A local web server for the fetch tests: it records the request bytes and
// answers with a canned page, in timed pieces, or not at all.

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <string>

class PageServer : public QObject {
public:
    enum class Mode { Serve, Silent, CloseAtOnce };

    explicit PageServer(Mode mode = Mode::Serve, std::string page = {})
        : m_mode(mode), m_page(std::move(page)) {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] { accept(); });
    }

    quint16 port() const { return m_server.serverPort(); }
    // Sends the page in pieces of `bytes`, one every `ms` milliseconds.
    void setPieces(int bytes, int ms) {
        m_pieceBytes = bytes;
        m_pieceMs = ms;
    }
    const std::string& request() const { return m_request; }
    int connections() const { return m_connections; }
    bool answered() const { return m_answered; }

private:
    void accept() {
        while (QTcpSocket* s = m_server.nextPendingConnection()) {
            ++m_connections;
            if (m_mode == Mode::CloseAtOnce) {
                s->disconnectFromHost();
                continue;
            }
            m_request.clear();
            connect(s, &QTcpSocket::readyRead, this, [this, s] {
                const QByteArray b = s->readAll();
                m_request.append(b.constData(), static_cast<size_t>(b.size()));
                if (m_mode == Mode::Serve && !m_sending &&
                    m_request.find("\r\n\r\n") != std::string::npos)
                    send(s);
            });
        }
    }

    void send(QTcpSocket* s) {
        m_sending = true;
        if (m_pieceBytes <= 0) {
            s->write(m_page.data(), static_cast<qint64>(m_page.size()));
            s->disconnectFromHost();
            m_answered = true;
            return;
        }
        auto* timer = new QTimer(this);
        auto offset = std::make_shared<size_t>(0);
        QPointer<QTcpSocket> sock(s);
        connect(timer, &QTimer::timeout, this, [this, timer, offset, sock] {
            if (!sock) {
                timer->deleteLater();
                return;
            }
            const size_t n = std::min(static_cast<size_t>(m_pieceBytes), m_page.size() - *offset);
            sock->write(m_page.data() + *offset, static_cast<qint64>(n));
            sock->flush();
            *offset += n;
            if (*offset >= m_page.size()) {
                sock->disconnectFromHost();
                m_answered = true;
                timer->stop();
                timer->deleteLater();
            }
        });
        timer->start(m_pieceMs);
    }

    QTcpServer m_server;
    Mode m_mode;
    std::string m_page;
    std::string m_request;
    int m_pieceBytes = 0;
    int m_pieceMs = 0;
    int m_connections = 0;
    bool m_sending = false;
    bool m_answered = false;
};
