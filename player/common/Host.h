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
};

enum class MsgButtons { Ok, YesNo };
enum class MsgAnswer { Ok, Yes, No };

inline constexpr std::string_view kProgramTitle = "Parvel";

class Host {
public:
    virtual ~Host() = default;

    // Handle whatever input is pending; never blocks.
    virtual void processEvents() = 0;
    // Handle input until the monotonic clock reaches `deadline`, sleeping
    // in between (never spinning).
    virtual void waitUntil(Micros deadline) = 0;
    virtual Micros now() const = 0;

    // Uniform in [0, 1), from the one generator of the run.
    virtual double random() = 0;

    virtual MsgAnswer messageBox(std::string_view text, MsgButtons buttons = MsgButtons::Ok,
                                 std::string_view title = kProgramTitle) = 0;
    virtual void setTitle(std::string_view text) = 0;
    virtual std::string title() const = 0;

    virtual PlayerSettings& settings() = 0;

    // Ends the program at once (music closed, settings not saved). After
    // this, `quitting()` is true and long loops must return promptly.
    virtual void quitNow() = 0;
    virtual bool quitting() const = 0;
};

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
