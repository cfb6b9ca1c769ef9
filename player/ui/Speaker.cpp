#include "Speaker.h"

#ifdef PARVEL_HAVE_SPEECH
#include <speech-dispatcher/libspeechd.h>
#endif

#include <QFileInfo>
#include <QLibrary>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

#include "UiLog.h"

namespace parvel::ui {

namespace {
const char* const kLibrary = "speechd";
constexpr int kLibraryVersion = 2;
using Clock = std::chrono::steady_clock;
}  // namespace

// What the window and the speech thread share. The thread may outlive the
// Speaker (stuck in a call to a service that never answers); it owns its
// connection and lets go of the channel when it ends.
struct Speaker::Channel {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::pair<bool, QString>> jobs;  // (cancel, text)
    std::optional<Clock::time_point> busySince;
    QString failure;
    bool quit = false;
};

namespace {

#ifdef PARVEL_HAVE_SPEECH
// Runs on the speech thread: connects on the first job, then says and
// cancels in order. Returns the reason when the service cannot be used.
struct Connection {
    QLibrary library;
    decltype(&spd_open2) open = nullptr;
    decltype(&spd_say) say = nullptr;
    decltype(&spd_cancel) cancel = nullptr;
    decltype(&spd_close) close = nullptr;
    SPDConnection* connection = nullptr;

    ~Connection() {
        if (connection) close(connection);
    }
    QString connect() {
        if (connection) return {};
        library.setFileNameAndVersion(QString::fromLatin1(kLibrary), kLibraryVersion);
        if (library.load()) {
            open = reinterpret_cast<decltype(&spd_open2)>(library.resolve("spd_open2"));
            say = reinterpret_cast<decltype(&spd_say)>(library.resolve("spd_say"));
            cancel = reinterpret_cast<decltype(&spd_cancel)>(library.resolve("spd_cancel"));
            close = reinterpret_cast<decltype(&spd_close)>(library.resolve("spd_close"));
        }
        if (!open || !say || !cancel || !close)
            return QStringLiteral("the speech-dispatcher library cannot be used: ") + library.errorString();
        char* error = nullptr;
        connection = open("parvel", "main", nullptr, SPD_MODE_SINGLE, nullptr, 1, &error);
        if (!connection) {
            const QString why = QStringLiteral("speech-dispatcher cannot be reached: ") +
                                QString::fromLocal8Bit(error ? error : "no answer");
            std::free(error);
            return why;
        }
        return {};
    }
};
#endif

void speechThread(std::shared_ptr<Speaker::Channel> channel) {
#ifdef PARVEL_HAVE_SPEECH
    Connection c;
#endif
    std::unique_lock lock(channel->mutex);
    for (;;) {
        channel->wake.wait(lock, [&] { return channel->quit || !channel->jobs.empty(); });
        if (channel->quit || !channel->failure.isEmpty()) return;
        const auto [cancel, text] = channel->jobs.front();
        channel->jobs.pop_front();
        channel->busySince = Clock::now();
        lock.unlock();
        QString failure;
#ifdef PARVEL_HAVE_SPEECH
        if (cancel) {
            if (c.connection) c.cancel(c.connection);
        } else if (failure = c.connect(); failure.isEmpty()) {
            // Text priority: queued after what is being said, never cutting it off.
            c.say(c.connection, SPD_TEXT, text.toUtf8().constData());
        }
#else
        (void)cancel;
        (void)text;
        failure = Speaker::unavailableReason();
#endif
        lock.lock();
        channel->busySince.reset();
        if (!failure.isEmpty()) {
            channel->failure = failure;
            channel->jobs.clear();
        }
    }
}

}  // namespace

Speaker::Speaker() : m_channel(std::make_shared<Channel>()) {
    m_watch.setInterval(100);
    QObject::connect(&m_watch, &QTimer::timeout, [this] { check(); });
}

Speaker::~Speaker() {
    {
        std::lock_guard lock(m_channel->mutex);
        m_channel->quit = true;
    }
    m_channel->wake.notify_all();
}

QString Speaker::unavailableReason() {
#ifdef PARVEL_HAVE_SPEECH
    static const bool installed = [] {
        QLibrary probe(QString::fromLatin1(kLibrary), kLibraryVersion);
        return probe.load();  // stays loaded: the first thing said needs it anyway
    }();
    // The library alone comes with many desktops; the service it starts
    // when first asked is what speaks. A running one, or one set by address,
    // is taken as it is.
    const auto service = [] {
        if (qEnvironmentVariableIsSet("SPEECHD_ADDRESS")) return true;
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (!runtime.isEmpty() && QFileInfo::exists(runtime + "/speech-dispatcher/speechd.sock"))
            return true;
        return QFileInfo(QStringLiteral(PARVEL_SPEECHD_SERVICE)).isExecutable();
    };
    if (installed && service()) return {};
    return QStringLiteral(
        "Read Aloud needs speech-dispatcher (Debian: speech-dispatcher), "
        "which is not installed.");
#else
    return QStringLiteral("This Parvel was built without speech-dispatcher (libspeechd-dev).");
#endif
}

void Speaker::fail(const QString& why) {
    if (m_failed) return;
    m_failed = true;
    m_watch.stop();
    {
        std::lock_guard lock(m_channel->mutex);
        m_channel->quit = true;
    }
    m_channel->wake.notify_all();
    qCWarning(lcUi) << "read aloud:" << why;
    if (onFailure) onFailure(why);
}

void Speaker::send(bool cancel, const QString& text) {
    if (m_failed) return;
    bool first = false;
    {
        std::lock_guard lock(m_channel->mutex);
        first = !m_started;
        m_started = true;
        m_channel->jobs.emplace_back(cancel, text);
    }
    if (first) std::thread(speechThread, m_channel).detach();
    m_channel->wake.notify_all();
    if (!m_watch.isActive()) m_watch.start();
}

// On the window's thread: a failure the speech thread met, or a call that
// has waited too long for the service.
void Speaker::check() {
    QString failure;
    bool idle = false;
    {
        std::lock_guard lock(m_channel->mutex);
        failure = m_channel->failure;
        if (failure.isEmpty() && m_channel->busySince &&
            Clock::now() - *m_channel->busySince > std::chrono::milliseconds(kAnswerMs))
            failure = QStringLiteral("speech-dispatcher did not answer within %1 seconds").arg(kAnswerMs / 1000);
        idle = m_channel->jobs.empty() && !m_channel->busySince;
    }
    if (!failure.isEmpty()) return fail(failure);
    if (idle) m_watch.stop();
}

void Speaker::say(const QString& text) {
    if (text.trimmed().isEmpty()) return;
    if (const QString why = unavailableReason(); !why.isEmpty()) return fail(why);
    send(false, text);
}

void Speaker::stop() {
    if (m_started) send(true, {});
}

}  // namespace parvel::ui
