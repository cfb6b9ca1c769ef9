#include "HotSpotReach.h"

#include <algorithm>

#include "SceneLists.h"
#include "Vb.h"

namespace parvel::story {

using namespace vb;

namespace {

// The walk is explored a little beyond the outermost hot spot or start:
// further out nothing new can be passed.
std::pair<double, double> bounds(const WalkScene& scene) {
    double low = scene.x, high = scene.x;
    for (int i = 1; i <= 4; ++i) {
        const HotSpot& h = scene.spots[static_cast<size_t>(i)];
        if (h.x == -1000) continue;
        low = std::min<double>(low, h.x);
        high = std::max<double>(high, h.x);
    }
    const double margin = 2 * (std::abs(scene.step) + 5) * std::max(scene.walking, 1) + 10;
    return {low - margin, high + margin};
}

}  // namespace

std::optional<WalkScene> walkSceneOf(const std::function<std::string(std::string_view)>& read,
                                     const std::string& pictureExtension) {
    const std::string x(Trim(read("@X")));
    if (x.empty()) return std::nullopt;
    WalkScene scene;
    if (auto v = CDbl(x)) scene.x = *v;
    parseHotSpots(std::string(Trim(read("@hotspots"))), scene.spots);
    if (auto v = CDbl(Trim(read("@xmove")))) scene.step = *v;
    const std::string frames = spriteFrameList(std::string(Trim(read("@standingsprite"))),
                                               std::string(Trim(read("@walkingsprite"))),
                                               pictureExtension, scene.standing, scene.walking);
    AnimationList layer(50);
    parsePictureList(layer, read("@layeranim") + frames);
    scene.overlayCount = layer.count;
    return scene;
}

std::array<bool, 5> takenSpots(const WalkScene& scene, WalkRules rules) {
    std::array<bool, 5> taken{};
    const auto [low, high] = bounds(scene);
    for (int bonus : kSpriteSpeedBonuses) {
        const WalkReach r = exploreWalk(scene, bonus, rules, low, high);
        for (size_t i = 1; i <= 4; ++i) taken[i] = taken[i] || r.taken[i] || r.ctrlTaken[i];
    }
    return taken;
}

std::vector<SpotWarning> lostOnceEnciphered(const WalkScene& scene) {
    std::vector<SpotWarning> out;
    const auto plain = takenSpots(scene, WalkRules::Plain);
    const auto enciphered = takenSpots(scene, WalkRules::Enciphered);
    std::vector<SpotWarning> why;
    for (int i = 1; i <= 4; ++i) {
        const HotSpot& h = scene.spots[static_cast<size_t>(i)];
        if (!plain[static_cast<size_t>(i)] || enciphered[static_cast<size_t>(i)] || h.target == "!")
            continue;
        if (why.empty()) {
            const auto [low, high] = bounds(scene);
            why = walkWarnings(scene, WalkRules::Enciphered, low, high);
        }
        std::string message = "hot spot " + std::to_string(i) + " (x " + std::to_string(h.x) +
                              ") is never taken once enciphered";
        for (const auto& w : why)
            if (w.spot == i && w.message.find("can never be reached") != std::string::npos) {
                message = w.message;
                break;
            }
        out.push_back({i, message});
    }
    return out;
}

}  // namespace parvel::story
