#pragma once
// Game controllers through SDL's game controller API, in a module of its own
// (libparvel_pad.so, entry parvelPadBackend(int abi)) so the player links no
// SDL and loads it only once a controller is plugged in.

#include <string>
#include <vector>

namespace parvel::ui {

inline constexpr int kPadModuleAbi = 1;

struct PadEvent {
    enum Kind { Added, Removed, Button, Axis };
    Kind kind = Added;
    int code = 0;   // button or axis, in SDL's numbering (PadButton, PadAxis)
    int value = 0;  // button: 1 down, 0 up; axis: its position
};

class PadBackend {
public:
    virtual ~PadBackend() = default;
    // Starts SDL's game controller subsystem (and nothing else of SDL).
    virtual bool start(std::string& why) = 0;
    // Pumps SDL and adds what happened since the last call to `out`.
    virtual void poll(std::vector<PadEvent>& out) = 0;
    // Controllers open now.
    virtual int controllers() const = 0;
    // A virtual controller standing in for a real one (tests): attached with
    // its buttons and axes at rest; false when SDL cannot make one.
    virtual bool attachVirtual() = 0;
    virtual void setVirtualButton(int button, bool down) = 0;
    virtual void setVirtualAxis(int axis, int value) = 0;
};

}  // namespace parvel::ui

extern "C" {
using ParvelPadBackendFn = parvel::ui::PadBackend* (*)(int abi);
}
