#pragma once
// Read Aloud through the desktop's speech service (speech-dispatcher, at
// the rate and voice the desktop set). Its library is loaded on the first
// thing said, so a player that never reads aloud loads nothing more.

#include <QLibrary>
#include <QString>
#include <functional>

namespace parvel::ui {

class Speaker {
public:
    Speaker() = default;
    ~Speaker();
    Speaker(const Speaker&) = delete;
    Speaker& operator=(const Speaker&) = delete;

    // Why nothing can be spoken here, or empty when the speech library and
    // its service are installed (or the service runs). Looks for the
    // library once; connects to nothing.
    static QString unavailableReason();

    // Said after whatever is being said now.
    void say(const QString& text);
    // Cuts off what is said and everything queued.
    void stop();

    // The service could not be reached: nothing more is said.
    std::function<void(const QString& why)> onFailure;

private:
    bool connect();
    void fail(const QString& why);

    struct Api;
    QLibrary m_library;
    void* m_connection = nullptr;
    const Api* m_api = nullptr;
    bool m_failed = false;
};

}  // namespace parvel::ui
