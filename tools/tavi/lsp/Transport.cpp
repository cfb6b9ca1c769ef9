// Content-Length framing over file descriptors, and the server's loop: it
// sleeps in poll() until input arrives or debounced work falls due.

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "Server.h"

namespace parvel::lsp {

namespace {

constexpr size_t kMaxHeader = 64 * 1024;
constexpr long long kMaxBody = 256ll * 1024 * 1024;

void writeAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // the client went away; reading will see the end
        done += static_cast<size_t>(n);
    }
}

// The Content-Length of a header block, -1 when it has none that reads.
long long contentLength(const std::string& header) {
    long long length = -1;
    size_t at = 0;
    while (at < header.size()) {
        size_t end = header.find("\r\n", at);
        if (end == std::string::npos) end = header.size();
        const std::string line = header.substr(at, end - at);
        at = end + 2;
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name = line.substr(0, colon);
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (name != "content-length") continue;
        const std::string value = line.substr(colon + 1);
        char* stop = nullptr;
        const long long n = std::strtoll(value.c_str(), &stop, 10);
        while (stop && (*stop == ' ' || *stop == '\t')) ++stop;
        length = (stop && *stop == '\0' && n >= 0 &&
                  value.find_first_of("0123456789") != std::string::npos)
                     ? n
                     : -1;
    }
    return length;
}

}  // namespace

int runServer(int inFd, int outFd) {
    Server server([outFd](const QByteArray& body) {
        writeAll(outFd, "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
                            body.toStdString());
    });
    std::string buffer;
    long long skip = 0;  // bytes of a refused body still to come
    char chunk[65536];
    for (;;) {
        int timeout = -1;
        if (auto due = server.nextDeadline()) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(*due - Server::Clock::now());
            timeout = static_cast<int>(std::max<long long>(0, left.count()));
        }
        pollfd p[2] = {{inFd, POLLIN, 0}, {server.wakeFd(), POLLIN, 0}};
        const int ready = ::poll(p, server.wakeFd() >= 0 ? 2 : 1, timeout);
        if (ready < 0 && errno != EINTR) break;
        if (ready > 0 && p[1].revents) server.finishLint();
        if (ready > 0 && p[0].revents) {
            const ssize_t n = ::read(inFd, chunk, sizeof chunk);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n <= 0) break;  // end of input: the client is gone
            size_t from = 0;
            if (skip > 0) {
                from = static_cast<size_t>(std::min<long long>(skip, n));
                skip -= static_cast<long long>(from);
            }
            buffer.append(chunk + from, static_cast<size_t>(n) - from);
            for (;;) {
                const size_t end = buffer.find("\r\n\r\n");
                if (end == std::string::npos) {
                    if (buffer.size() > kMaxHeader) {
                        server.replyParseError("no message header end in " +
                                               QString::number(kMaxHeader) + " bytes");
                        buffer.clear();
                    }
                    break;
                }
                const long long length = contentLength(buffer.substr(0, end));
                if (length < 0) {
                    server.replyParseError("message header without a Content-Length");
                    buffer.erase(0, end + 4);
                    continue;
                }
                if (length > kMaxBody) {
                    server.replyParseError("message longer than " + QString::number(kMaxBody) +
                                           " bytes");
                    const long long have = static_cast<long long>(buffer.size() - end - 4);
                    skip = length - std::min(length, have);
                    buffer.erase(0, end + 4 + static_cast<size_t>(std::min(length, have)));
                    continue;
                }
                if (buffer.size() - end - 4 < static_cast<size_t>(length)) break;
                const QByteArray body(buffer.data() + end + 4, static_cast<qsizetype>(length));
                buffer.erase(0, end + 4 + static_cast<size_t>(length));
                server.handleMessage(body);
                if (server.exitRequested()) return server.exitCode();
            }
        }
        server.runDue();
    }
    return server.exitCode();
}

}  // namespace parvel::lsp
