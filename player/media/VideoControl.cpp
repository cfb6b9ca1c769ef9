// Video clips under the alias "mpeg".
#include <cmath>
#include <limits>

#include "MediaSystem.h"
#include "Vb.h"

namespace parvel {

namespace {
std::int64_t wholeNumber(std::string_view s) {
    const double v = std::nearbyint(vb::Val(s));
    if (!(v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max()))
        return 0;
    return static_cast<std::int64_t>(v);
}
}  // namespace

std::string MediaSystem::OpenVideo(std::int32_t parentHandle, std::string_view path,
                                   std::string_view deviceType) {
    // The command layer takes any path as it stands (spaces too), so there is
    // no short form to make; nor is the text cut short, which would only turn
    // a long path into a failed open.
    const std::string command = "open " + std::string(path) + " type " + std::string(deviceType) +
                                " Alias mpeg parent " + std::to_string(parentHandle) +
                                " Style 1073741824";
    return report(send(command));
}

std::string MediaSystem::PlayVideo(std::string_view from, std::string_view to) {
    const std::int64_t first = from.empty() ? 1 : wholeNumber(from);
    const std::int64_t last = to.empty() ? VideoLength() : wholeNumber(to);
    return report(send("play mpeg from " + std::to_string(first) + " to " + std::to_string(last)));
}

std::string MediaSystem::CloseVideo() { return report(send("Close mpeg")); }

std::string MediaSystem::StopVideo() { return report(send("Stop mpeg")); }

std::string MediaSystem::VideoMode() {
    std::string reply;
    if (send("status mpeg mode", &reply) != 0) return "ERROR";
    return reply;
}

std::int32_t MediaSystem::VideoLength() {
    std::string ignored;
    send("set mpeg time format frames", &ignored);
    std::string reply;
    if (send("status mpeg length", &reply) != 0) return -1;
    return static_cast<std::int32_t>(wholeNumber(vb::LTrim(reply)));
}

}  // namespace parvel
