#pragma once
// Game controllers: what a pad's buttons and sticks do, as the keys and
// clicks the player already takes. The window feeds it from SDL's game
// controller API; `tavi play` from its pad commands.
//
//   A B X Y, left and right shoulder   options 1 to 6 (the keys A S D F G Z)
//   D-pad and left stick, left/right   walk the sprite (the arrow keys)
//   D-pad and left stick, up/down      move the focus ring (the arrow keys)
//   either trigger                     Ctrl, for hot spots
//   Start                              a click (starts the title screen)

#include <functional>
#include <optional>
#include <string_view>

namespace parvel {

// SDL's numbering of the standard controller's buttons and axes.
enum class PadButton {
    A,
    B,
    X,
    Y,
    Back,
    Guide,
    Start,
    LeftStick,
    RightStick,
    LeftShoulder,
    RightShoulder,
    DpadUp,
    DpadDown,
    DpadLeft,
    DpadRight
};
enum class PadAxis { LeftX, LeftY, RightX, RightY, TriggerLeft, TriggerRight };
inline constexpr int kPadButtonCount = 15;
inline constexpr int kPadAxisCount = 6;

// SDL's names ("a", "leftshoulder", "dpleft", "lefttrigger", ...), any case.
std::optional<PadButton> padButtonNamed(std::string_view name);
std::optional<PadAxis> padAxisNamed(std::string_view name);

class PadMapper {
public:
    // Key codes as Player takes them (key::Left, 'A', 38 for up, 40 for down).
    std::function<void(int code, bool down)> key;
    std::function<void()> click;

    void button(PadButton b, bool down);
    // `value` from -32768 to 32767 (triggers 0 to 32767).
    void axis(PadAxis a, int value);
    // Lets go of everything held (a pad was unplugged).
    void releaseAll();

private:
    // A key is held while any of its sources holds it.
    enum Source : unsigned { Dpad = 1, Stick = 2, LeftTrigger = 4, RightTrigger = 8 };
    void hold(int code, Source source, bool on);
    void stick(int negativeCode, int positiveCode, int value);
    unsigned& holders(int code);

    unsigned m_left = 0, m_right = 0, m_up = 0, m_down = 0, m_ctrl = 0;
    bool m_buttons[kPadButtonCount] = {};
};

}  // namespace parvel
