#pragma once
// Read Aloud through the desktop's speech service (speech-dispatcher, at
// the rate and voice the desktop set). Its library is loaded on the first
// thing said, so a player that never reads aloud loads nothing more.

#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

namespace parvel::ui {

// Talks to the service on a thread of its own: a service that never
// answers costs the window nothing, and after kAnswerMs without an answer
// it counts as failed.
class Speaker {
public:
    Speaker();
    ~Speaker();
    Speaker(const Speaker&) = delete;
    Speaker& operator=(const Speaker&) = delete;

    static constexpr int kAnswerMs = 4000;

    // Why nothing can be spoken here, or empty when the speech library and
    // its service are installed (or the service runs). Looks for the
    // library once; connects to nothing.
    static QString unavailableReason();

    // Said after whatever is being said now.
    void say(const QString& text);
    // Cuts off what is said and everything queued.
    void stop();
    bool failed() const { return m_failed; }

    // The service could not be reached or did not answer: nothing more is
    // said. Called on the window's thread.
    std::function<void(const QString& why)> onFailure;

    // Shared with the speech thread (Speaker.cpp).
    struct Channel;

private:
    void send(bool cancel, const QString& text);
    void check();
    void fail(const QString& why);

    std::shared_ptr<Channel> m_channel;
    QTimer m_watch;
    bool m_failed = false;
    bool m_started = false;  // the speech thread runs
};

}  // namespace parvel::ui
