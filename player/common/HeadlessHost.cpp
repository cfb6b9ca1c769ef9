#include "HeadlessHost.h"

#include <sstream>

#include <algorithm>
#include <limits>

namespace parvel {

HeadlessHost::HeadlessHost(std::uint32_t seed) : m_rng(seed) {}

std::string HeadlessHost::randomState() const {
    // Every scene start asks; most scenes draw no number in between.
    if (m_stateText.empty()) {
        std::ostringstream out;
        out << m_rng;
        m_stateText = out.str();
    }
    return m_stateText;
}

bool HeadlessHost::setRandomState(std::string_view state) {
    std::istringstream in{std::string(state)};
    std::mt19937 rng;
    if (!(in >> rng)) return false;
    m_rng = rng;
    m_stateText.clear();
    return true;
}

double HeadlessHost::random() {
    m_stateText.clear();
    // 24 random bits, like a single-precision generator; the same on every
    // platform for a given seed (unlike the standard distributions).
    return static_cast<double>(m_rng() >> 8) / 16777216.0;
}

MsgAnswer HeadlessHost::messageBox(std::string_view text, MsgButtons buttons,
                                   std::string_view) {
    report("msgbox: " + std::string(text));
    if (m_settings.ReadAloud) speak(text);
    if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
    if (m_answers.empty()) return MsgAnswer::Yes;
    auto a = m_answers.front();
    m_answers.pop_front();
    return a;
}

void HeadlessHost::setTitle(std::string_view text) {
    m_title = text;
    report("title: " + m_title);
}

void HeadlessHost::quitNow() { m_quitting = true; }

void HeadlessHost::schedule(Micros at, std::function<void()> action) {
    m_input.emplace(at, std::move(action));
}

Micros HeadlessHost::nextInputTime() const {
    return m_input.empty() ? -1 : m_input.begin()->first;
}

bool HeadlessHost::runDueInput() {
    // Each input runs to its end before the next is delivered, even when it
    // waits (a game loading, a message box): replays stay deterministic
    // whatever the handlers do inside.
    if (m_depth > 0) return false;
    if (m_input.empty() || m_input.begin()->first > m_now || m_quitting) return false;
    auto action = std::move(m_input.begin()->second);
    m_input.erase(m_input.begin());
    ++m_depth;
    action();
    --m_depth;
    return true;
}

Micros HeadlessHost::unobservedUntil() const {
    // Inside an input's own handling the next input waits anyway, but
    // whatever that handling shows may be looked at: claim nothing.
    if (m_depth > 0 || m_quitting || m_everyFrameSeen) return m_now;
    return m_input.empty() ? std::numeric_limits<Micros>::max() : m_input.begin()->first;
}

void HeadlessHost::processEvents() {
    while (runDueInput()) {
    }
}

void HeadlessHost::waitUntil(Micros deadline) {
    bool handled = false;
    while (runDueInput()) handled = true;
    if (handled || m_quitting) return;
    if (m_depth == 0 && !m_input.empty() && m_input.begin()->first <= deadline) {
        m_now = std::max(m_now, m_input.begin()->first);
        processEvents();
        return;
    }
    m_now = std::max(m_now, deadline);
}

void HeadlessHost::setCaption(Control c, std::string_view text) {
    m_window.captions[idx(c)] = text;
}

void HeadlessHost::setLabelFont(std::string_view family, double points) {
    m_window.fontFamily = family;
    m_window.fontPoints = points;
}

void HeadlessHost::setDescriptionLayout(bool centred, int height) {
    m_window.descriptionCentred = centred;
    m_window.descriptionHeight = height;
}

void HeadlessHost::speak(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        if (line.find_first_not_of(" \t") != std::string_view::npos)
            report("speech: " + std::string(line));
        pos = end + 1;
    }
}

void HeadlessHost::report(std::string line) {
    if (onEvent) onEvent(line);
}

}  // namespace parvel
