#pragma once
// A Host without a window: a virtual clock that jumps straight to the next
// deadline, scripted input delivered when that clock reaches it, message
// boxes answered from a queue, and every visible event reported as a line.

#include <deque>
#include <functional>
#include <map>
#include <random>

#include "Host.h"

namespace parvel {

class HeadlessHost : public Host {
public:
    explicit HeadlessHost(std::uint32_t seed = 1);

    void processEvents() override;
    void waitUntil(Micros deadline) override;
    Micros now() const override { return m_now; }
    double random() override;
    MsgAnswer messageBox(std::string_view text, MsgButtons buttons = MsgButtons::Ok,
                         std::string_view title = kProgramTitle) override;
    void setTitle(std::string_view text) override;
    std::string title() const override { return m_title; }
    PlayerSettings& settings() override { return m_settings; }
    void quitNow() override;
    bool quitting() const override { return m_quitting; }

    // Runs `action` as input once the virtual clock reaches `at`. Actions
    // due at the same time run in the order they were scheduled.
    void schedule(Micros at, std::function<void()> action);
    bool hasPendingInput() const { return !m_input.empty(); }
    Micros nextInputTime() const;
    // Answer for the next Yes/No message box (Yes when none is queued).
    void queueAnswer(MsgAnswer a) { m_answers.push_back(a); }
    void advanceClock(Micros by) { m_now += by; }

    // Event lines ("title: ...", "msgbox: ..."), Windows-1252 bytes.
    std::function<void(std::string_view)> onEvent;

private:
    void emit(std::string line);
    bool runDueInput();

    Micros m_now = 0;
    std::mt19937 m_rng;
    std::string m_title;
    PlayerSettings m_settings;
    bool m_quitting = false;
    std::multimap<Micros, std::function<void()>> m_input;
    std::deque<MsgAnswer> m_answers;
    int m_depth = 0;
};

}  // namespace parvel
