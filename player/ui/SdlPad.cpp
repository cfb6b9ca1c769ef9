// The controller module: SDL's game controller subsystem, without its audio
// or video. Built as libparvel_pad.so.
#include <SDL.h>

#include <map>

#include "PadBackend.h"

namespace parvel::ui {

namespace {

class SdlPad : public PadBackend {
public:
    ~SdlPad() override {
        for (auto& [id, c] : m_open) SDL_GameControllerClose(c);
        if (m_virtual >= 0) SDL_JoystickDetachVirtual(m_virtual);
        if (m_started) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }

    bool start(std::string& why) override {
        if (m_started) return true;
        // The window owns Ctrl+C and SIGTERM; there is no SDL window to be
        // in front of, so a pad counts whatever has the focus.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
            why = SDL_GetError();
            return false;
        }
        m_started = true;
        return true;
    }

    void poll(std::vector<PadEvent>& out) override {
        if (!m_started) return;
        SDL_GameControllerUpdate();
        SDL_PumpEvents();
        SDL_Event e;
        while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_CONTROLLERAXISMOTION,
                              SDL_CONTROLLERDEVICEREMAPPED) > 0) {
            switch (e.type) {
                case SDL_CONTROLLERDEVICEADDED:
                    if (SDL_GameController* c = SDL_GameControllerOpen(e.cdevice.which)) {
                        m_open[SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c))] = c;
                        out.push_back({PadEvent::Added, 0, 0});
                    }
                    break;
                case SDL_CONTROLLERDEVICEREMOVED:
                    if (auto it = m_open.find(e.cdevice.which); it != m_open.end()) {
                        SDL_GameControllerClose(it->second);
                        m_open.erase(it);
                        out.push_back({PadEvent::Removed, 0, 0});
                    }
                    break;
                case SDL_CONTROLLERBUTTONDOWN:
                case SDL_CONTROLLERBUTTONUP:
                    out.push_back(
                        {PadEvent::Button, e.cbutton.button, e.type == SDL_CONTROLLERBUTTONDOWN});
                    break;
                case SDL_CONTROLLERAXISMOTION:
                    out.push_back({PadEvent::Axis, e.caxis.axis, e.caxis.value});
                    break;
                default:
                    break;
            }
        }
        // Joystick-level and other events are not ours to keep.
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }

    int controllers() const override { return static_cast<int>(m_open.size()); }

    bool attachVirtual() override {
        if (!m_started || m_virtual >= 0) return m_virtual >= 0;
        m_virtual =
            SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                      SDL_CONTROLLER_BUTTON_MAX, 0);
        if (m_virtual < 0) return false;
        m_joystick = SDL_JoystickOpen(m_virtual);
        return m_joystick != nullptr;
    }

    void setVirtualButton(int button, bool down) override {
        if (m_joystick)
            SDL_JoystickSetVirtualButton(m_joystick, button, down ? SDL_PRESSED : SDL_RELEASED);
    }

    void setVirtualAxis(int axis, int value) override {
        if (m_joystick) SDL_JoystickSetVirtualAxis(m_joystick, axis, static_cast<Sint16>(value));
    }

private:
    bool m_started = false;
    int m_virtual = -1;
    SDL_Joystick* m_joystick = nullptr;
    std::map<SDL_JoystickID, SDL_GameController*> m_open;
};

}  // namespace
}  // namespace parvel::ui

extern "C" __attribute__((visibility("default"))) parvel::ui::PadBackend* parvelPadBackend(
    int abi) {
    if (abi != parvel::ui::kPadModuleAbi) return nullptr;
    static parvel::ui::SdlPad backend;
    return &backend;
}
