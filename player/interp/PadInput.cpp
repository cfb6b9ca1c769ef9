#include "PadInput.h"

#include "Player.h"
#include "Vb.h"

namespace parvel {

namespace {

constexpr std::string_view kButtonNames[kPadButtonCount] = {"a",
                                                            "b",
                                                            "x",
                                                            "y",
                                                            "back",
                                                            "guide",
                                                            "start",
                                                            "leftstick",
                                                            "rightstick",
                                                            "leftshoulder",
                                                            "rightshoulder",
                                                            "dpup",
                                                            "dpdown",
                                                            "dpleft",
                                                            "dpright"};
constexpr std::string_view kAxisNames[kPadAxisCount] = {"leftx",  "lefty",       "rightx",
                                                        "righty", "lefttrigger", "righttrigger"};
constexpr int kOptionKeys[6] = {key::A, key::S, key::D, key::F, key::G, key::Z};
constexpr int kUp = 38, kDown = 40;
// Half way out counts as pushed; the stick must come back past a quarter to
// let go, so a stick resting near the edge does not chatter.
constexpr int kPress = 16384, kRelease = 8192;

}  // namespace

std::optional<PadButton> padButtonNamed(std::string_view name) {
    const std::string lower = vb::LCase(name);
    for (int i = 0; i < kPadButtonCount; ++i)
        if (kButtonNames[i] == lower) return static_cast<PadButton>(i);
    return std::nullopt;
}

std::optional<PadAxis> padAxisNamed(std::string_view name) {
    const std::string lower = vb::LCase(name);
    for (int i = 0; i < kPadAxisCount; ++i)
        if (kAxisNames[i] == lower) return static_cast<PadAxis>(i);
    return std::nullopt;
}

unsigned& PadMapper::holders(int code) {
    switch (code) {
        case key::Left:
            return m_left;
        case key::Right:
            return m_right;
        case kUp:
            return m_up;
        case kDown:
            return m_down;
        default:
            return m_ctrl;
    }
}

void PadMapper::hold(int code, Source source, bool on) {
    unsigned& h = holders(code);
    const bool was = h != 0;
    h = on ? (h | source) : (h & ~unsigned(source));
    if (was != (h != 0) && key) key(code, h != 0);
}

void PadMapper::button(PadButton b, bool down) {
    const int i = static_cast<int>(b);
    if (i < 0 || i >= kPadButtonCount || m_buttons[i] == down) return;
    m_buttons[i] = down;
    switch (b) {
        case PadButton::A:
        case PadButton::B:
        case PadButton::X:
        case PadButton::Y:
        case PadButton::LeftShoulder:
        case PadButton::RightShoulder: {
            const int option = b == PadButton::LeftShoulder    ? 5
                               : b == PadButton::RightShoulder ? 6
                                                               : i + 1;
            if (key) key(kOptionKeys[option - 1], down);
            break;
        }
        case PadButton::DpadLeft:
            hold(key::Left, Dpad, down);
            break;
        case PadButton::DpadRight:
            hold(key::Right, Dpad, down);
            break;
        case PadButton::DpadUp:
            hold(kUp, Dpad, down);
            break;
        case PadButton::DpadDown:
            hold(kDown, Dpad, down);
            break;
        case PadButton::Start:
            if (down && click) click();
            break;
        default:
            break;
    }
}

void PadMapper::stick(int negativeCode, int positiveCode, int value) {
    const bool neg = holders(negativeCode) & Stick, pos = holders(positiveCode) & Stick;
    hold(negativeCode, Stick, neg ? value < -kRelease : value <= -kPress);
    hold(positiveCode, Stick, pos ? value > kRelease : value >= kPress);
}

void PadMapper::axis(PadAxis a, int value) {
    switch (a) {
        case PadAxis::LeftX:
            stick(key::Left, key::Right, value);
            break;
        case PadAxis::LeftY:
            stick(kUp, kDown, value);
            break;
        case PadAxis::TriggerLeft:
        case PadAxis::TriggerRight: {
            const Source s = a == PadAxis::TriggerLeft ? LeftTrigger : RightTrigger;
            hold(key::Ctrl, s, (m_ctrl & s) ? value > kRelease : value >= kPress);
            break;
        }
        default:
            break;
    }
}

void PadMapper::releaseAll() {
    for (int i = 0; i < kPadButtonCount; ++i)
        if (m_buttons[i]) button(static_cast<PadButton>(i), false);
    for (int code : {key::Left, key::Right, kUp, kDown, key::Ctrl})
        for (Source s : {Dpad, Stick, LeftTrigger, RightTrigger}) hold(code, s, false);
}

}  // namespace parvel
