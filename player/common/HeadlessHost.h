#pragma once
// A Host without a window: a virtual clock that jumps straight to the next
// deadline, scripted input delivered when that clock reaches it, message
// boxes answered from a queue, labels kept as plain values, and every
// visible event reported as a line.

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
    Micros unobservedUntil() const override;
    double random() override;
    std::string randomState() const override;
    bool setRandomState(std::string_view state) override;
    MsgAnswer messageBox(std::string_view text, MsgButtons buttons = MsgButtons::Ok,
                         std::string_view title = kProgramTitle) override;
    void setTitle(std::string_view text) override;
    std::string title() const override { return m_title; }
    PlayerSettings& settings() override { return m_settings; }
    void quitNow() override;
    bool quitting() const override { return m_quitting; }

    void setCaption(Control c, std::string_view text) override;
    std::string caption(Control c) const override { return m_window.captions[idx(c)]; }
    void setForeColour(Control c, Colour colour) override { m_window.colours[idx(c)] = colour; }
    Colour foreColour(Control c) const override { return m_window.colours[idx(c)]; }
    void setLabelFont(std::string_view family, double points) override;
    void setDescriptionLayout(bool centred, int height) override;
    void setWindowBackground(Colour colour) override { m_window.background = colour; }
    void setWindowPicture(std::string_view path) override { m_window.picture = path; }
    void setSpriteSpeedEnabled(bool e) override { m_window.spriteSpeedEnabled = e; }
    void showVideoArea(bool video) override { m_window.videoShown = video; }
    void focusPicture() override { m_window.pictureFocused = true; }
    void pictureChanged() override { ++m_window.pictureUpdates; }
    // One "speech: LINE" event for each non-blank line of the text.
    void speak(std::string_view text) override;

    // What a window would show.
    struct Window {
        std::string captions[kControlCount];
        Colour colours[kControlCount] = {};
        std::string fontFamily = "MS Sans Serif";
        double fontPoints = 8;
        bool descriptionCentred = false;
        int descriptionHeight = kTitleBlockHeight;
        Colour background = 0;
        std::string picture;
        bool spriteSpeedEnabled = false;
        bool videoShown = false;
        bool pictureFocused = false;
        long pictureUpdates = 0;
    };
    const Window& window() const { return m_window; }

    // Runs `action` as input once the virtual clock reaches `at`. Actions
    // due at the same time run in the order they were scheduled.
    void schedule(Micros at, std::function<void()> action);
    bool hasPendingInput() const { return !m_input.empty(); }
    Micros nextInputTime() const;
    // Answer for the next Yes/No message box (Yes when none is queued).
    void queueAnswer(MsgAnswer a) { m_answers.push_back(a); }
    void advanceClock(Micros by) { m_now += by; }
    // Every frame counts as seen: the player draws each one, as a window
    // would (for comparing against the frames it leaves out otherwise).
    void setEveryFrameSeen(bool on) { m_everyFrameSeen = on; }

    // Event lines ("title: ...", "msgbox: ...", "speech: ..."), Windows-1252 bytes.
    std::function<void(std::string_view)> onEvent;

private:
    static size_t idx(Control c) { return static_cast<size_t>(c); }
    void report(std::string line);
    bool runDueInput();

    Micros m_now = 0;
    std::mt19937 m_rng;
    mutable std::string m_stateText;  // of m_rng, empty when it changed since
    std::string m_title;
    PlayerSettings m_settings;
    bool m_quitting = false;
    std::multimap<Micros, std::function<void()>> m_input;
    std::deque<MsgAnswer> m_answers;
    Window m_window;
    int m_depth = 0;
    bool m_everyFrameSeen = false;
};

}  // namespace parvel
