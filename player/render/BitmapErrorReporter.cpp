#include "BitmapErrorReporter.h"

namespace parvel::render {

bool HostBitmapReporter::report(std::string_view routine, const Error& error,
                                std::string_view valueLabel, std::string_view value) {
    if (!m_host.settings().ShowErrors) return false;
    m_host.messageBox("ERROR IN " + std::string(routine) + " ROUTINE - " +
                      std::to_string(error.number) + " " + error.description);
    m_host.messageBox(std::string(valueLabel) + " Value - " + std::string(value));
    // The question's spelling is what the users of the old player know.
    return m_host.messageBox("Contiune Cloning?", MsgButtons::YesNo, "Continue?") == MsgAnswer::Yes;
}

bool HostBitmapReporter::onInitError(const Error& error, std::string_view path) {
    return report("INIT", error, "Init", path);
}

bool HostBitmapReporter::onDrawError(const Error& error, long lastDrawResult) {
    return report("DRAW", error, "Draw", std::to_string(lastDrawResult));
}

}  // namespace parvel::render
