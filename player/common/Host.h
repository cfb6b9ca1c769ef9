#pragma once
// The one seam between the player's core and whatever shows it.
//
// The interpreter, loaders and checkers never touch the window toolkit; they
// call a Host. The Qt main window is one Host; HeadlessHost (virtual clock,
// scripted input) is another, used by tests and by `tavi play`. All text
// crossing this seam is Windows-1252 bytes, as the scripts hold it.

#include <cstdint>
#include <string>
#include <string_view>

namespace parvel {

// Monotonic time in microseconds.
using Micros = std::int64_t;
inline constexpr Micros kMicrosPerSecond = 1'000'000;

struct PlayerSettings {
    bool ShowErrors = false;
    bool PlaySounds = true;
    bool PlayMusic = true;
    int SpriteSpeedBonus = 0;  // 0, 2 or 5
    bool ReadAloud = false;
    // Percent, 0 to 100; at 100 the samples are untouched.
    int MasterVolume = 100;
    int MusicVolume = 100;
    int SoundVolume = 100;
    bool Mute = false;
};

enum class MsgButtons { Ok, YesNo };

// The main window's labels the core writes to, by their window names.
enum class Control : int {
    Label2 = 0,  // description and title block
    Label3,      // option 1 .. Label8 option 6
    Label4,
    Label5,
    Label6,
    Label7,
    Label8,
    HPherol,   // hero points
    maxHerol,  // "/" and hero maximum
    eneHPl,    // enemy points
    enemAxl,   // "/" and enemy maximum
};
inline constexpr int kControlCount = 11;
// The text labels' designed sizes in pixels. Label2 holds the title block
// until the first scene starts, then the scene text, left-aligned and lower;
// each option has a label of its own.
inline constexpr int kTextLabelWidth = 275, kTitleBlockHeight = 137, kSceneTextHeight = 89;
inline constexpr int kOptionLabelWidth = 265, kOptionLabelHeight = 33;
inline Control optionLabel(int k) { return static_cast<Control>(k); }  // k = 1..6

// Colours as scripts write them: 0x00BBGGRR.
using Colour = std::uint32_t;
enum class MsgAnswer { Ok, Yes, No };

inline constexpr std::string_view kProgramTitle = "Parvel";

class Host {
public:
    virtual ~Host() = default;

    // Handle whatever input is pending; never blocks.
    virtual void processEvents() = 0;
    // Sleep until input arrives or the monotonic clock reaches `deadline`,
    // whichever comes first, and handle that input. Never spins; may
    // return early, so callers loop on their own condition (see sleepUntil).
    virtual void waitUntil(Micros deadline) = 0;
    virtual Micros now() const = 0;
    // Until when nothing can look at the picture: no input, snapshot or
    // picture request arrives before it. A window shows every frame and
    // answers now(); a headless replay knows its next input.
    virtual Micros unobservedUntil() const { return now(); }

    // Uniform in [0, 1), from the one generator of the run.
    virtual double random() = 0;
    // The generator's state as text, and setting it back (saves, going
    // back); false when the text is no state of this generator.
    virtual std::string randomState() const { return {}; }
    virtual bool setRandomState(std::string_view) { return false; }

    virtual MsgAnswer messageBox(std::string_view text, MsgButtons buttons = MsgButtons::Ok,
                                 std::string_view title = kProgramTitle) = 0;
    virtual void setTitle(std::string_view text) = 0;
    virtual std::string title() const = 0;

    virtual PlayerSettings& settings() = 0;

    // The main window's controls. Captions are Windows-1252 bytes with CR
    // as line break.
    virtual void setCaption(Control c, std::string_view text) = 0;
    virtual std::string caption(Control c) const = 0;
    // What a caption and the title keep of a game's text. No window shows
    // more than a few thousand characters, and every copy of a caption (the
    // label, going back, the story so far, saves) would otherwise hold all
    // of a runaway text.
    static constexpr size_t kMaxCaptionBytes = 64 * 1024;
    static constexpr size_t kMaxTitleBytes = 1024;
    static std::string_view captionPart(std::string_view text) { return text.substr(0, kMaxCaptionBytes); }
    virtual void setForeColour(Control c, Colour colour) = 0;
    virtual Colour foreColour(Control c) const = 0;
    // Font of Label2..Label8; size in points, fractions allowed.
    virtual void setLabelFont(std::string_view family, double points) = 0;
    // Label2: centred (title block) or left-aligned (scene text), and height.
    virtual void setDescriptionLayout(bool centred, int height) = 0;
    virtual void setWindowBackground(Colour colour) = 0;
    // A picture file shown behind the window's controls; loading failures
    // keep the previous picture.
    virtual void setWindowPicture(std::string_view path) = 0;
    virtual void setSpriteSpeedEnabled(bool enabled) = 0;
    // true: the video area replaces the picture and takes the focus;
    // false: the picture comes back and takes the focus.
    virtual void showVideoArea(bool video) = 0;
    // The picture area takes the keyboard focus.
    virtual void focusPicture() = 0;
    // The composed picture changed; repaint it.
    virtual void pictureChanged() = 0;

    // Read Aloud: says `text` (line breaks as CR, LF or both) after what is
    // being said already; stopSpeaking cuts everything off. The core calls
    // them only while settings().ReadAloud is on or a screen reader listens;
    // a host that cannot speak ignores them.
    virtual void speak(std::string_view /*text*/) {}
    virtual void stopSpeaking() {}
    // A screen reader is attached: the scene's texts go to it as they would
    // to Read Aloud, whatever the setting.
    virtual bool screenReaderAttached() const { return false; }

    // Ends the program at once (music closed, settings not saved). After
    // this, `quitting()` is true and long loops must return promptly.
    virtual void quitNow() = 0;
    virtual bool quitting() const = 0;
};

// Handles input until `deadline`, or until `stop` says so after some input.
template <class Stop>
void sleepUntil(Host& host, Micros deadline, Stop stop) {
    while (host.now() < deadline && !host.quitting()) {
        host.waitUntil(deadline);
        if (stop()) return;
    }
}
inline void sleepUntil(Host& host, Micros deadline) {
    sleepUntil(host, deadline, [] { return false; });
}

// Lets the host handle input every `chunk` units of work (bytes, passes)
// instead of after every single one, so long loads stay responsive without
// paying for an event pass per byte. Counting work rather than time keeps
// headless replays deterministic.
class EventPump {
public:
    EventPump(Host& host, std::int64_t chunk) : m_host(host), m_chunk(chunk) {}
    void advance(std::int64_t units = 1) {
        m_done += units;
        if (m_done >= m_chunk) {
            m_done = 0;
            m_host.processEvents();
        }
    }

private:
    Host& m_host;
    std::int64_t m_chunk;
    std::int64_t m_done = 0;
};

}  // namespace parvel
