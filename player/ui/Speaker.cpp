#include "Speaker.h"

#ifdef PARVEL_HAVE_SPEECH
#include <speech-dispatcher/libspeechd.h>
#endif

#include <QFileInfo>
#include <cstdlib>

#include "UiLog.h"

namespace parvel::ui {

namespace {
const char* const kLibrary = "speechd";
constexpr int kLibraryVersion = 2;
}  // namespace

#ifdef PARVEL_HAVE_SPEECH
// The few calls Read Aloud makes, looked up in the library at run time
// with the types its header gives them.
struct Speaker::Api {
    decltype(&spd_open2) open = nullptr;
    decltype(&spd_say) say = nullptr;
    decltype(&spd_cancel) cancel = nullptr;
    decltype(&spd_close) close = nullptr;
};
#else
struct Speaker::Api {};
#endif

Speaker::~Speaker() {
#ifdef PARVEL_HAVE_SPEECH
    if (m_connection) m_api->close(static_cast<SPDConnection*>(m_connection));
    delete m_api;
#endif
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
    m_failed = true;
    qCWarning(lcUi) << "read aloud:" << why;
    if (onFailure) onFailure(why);
}

bool Speaker::connect() {
#ifdef PARVEL_HAVE_SPEECH
    if (m_connection) return true;
    if (m_failed) return false;
    if (const QString why = unavailableReason(); !why.isEmpty()) {
        fail(why);
        return false;
    }
    m_library.setFileNameAndVersion(QString::fromLatin1(kLibrary), kLibraryVersion);
    auto* api = new Api;
    m_api = api;
    if (m_library.load()) {
        api->open = reinterpret_cast<decltype(&spd_open2)>(m_library.resolve("spd_open2"));
        api->say = reinterpret_cast<decltype(&spd_say)>(m_library.resolve("spd_say"));
        api->cancel = reinterpret_cast<decltype(&spd_cancel)>(m_library.resolve("spd_cancel"));
        api->close = reinterpret_cast<decltype(&spd_close)>(m_library.resolve("spd_close"));
    }
    if (!api->open || !api->say || !api->cancel || !api->close) {
        fail(QStringLiteral("the speech-dispatcher library cannot be used: ") +
             m_library.errorString());
        return false;
    }
    char* error = nullptr;
    m_connection = api->open("parvel", "main", nullptr, SPD_MODE_SINGLE, nullptr, 1, &error);
    if (!m_connection) {
        fail(QStringLiteral("speech-dispatcher cannot be reached: ") +
             QString::fromLocal8Bit(error ? error : "no answer"));
        std::free(error);
        return false;
    }
    return true;
#else
    if (!m_failed) fail(unavailableReason());
    return false;
#endif
}

void Speaker::say(const QString& text) {
    if (text.trimmed().isEmpty() || !connect()) return;
#ifdef PARVEL_HAVE_SPEECH
    // Text priority: queued after what is being said, never cutting it off.
    m_api->say(static_cast<SPDConnection*>(m_connection), SPD_TEXT, text.toUtf8().constData());
#endif
}

void Speaker::stop() {
#ifdef PARVEL_HAVE_SPEECH
    if (m_connection) m_api->cancel(static_cast<SPDConnection*>(m_connection));
#endif
}

}  // namespace parvel::ui
