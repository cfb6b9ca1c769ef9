#include "WalkMap.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <set>

#include "Vb.h"

namespace parvel {

using vb::UCase;

namespace {

// Enough for any picture the player shows at any stride; a scene that
// yields more (a tiny fractional step) is reported as cut.
constexpr std::size_t kPlaceLimit = 4096;

bool leadsOut(const HotSpot& h) { return h.target != "!"; }
bool present(const HotSpot& h) { return h.x != -1000; }

// One key press from `x`: walks until the cycle ends or a hot spot leads
// out. Returns the place it stops on, or nothing when it left the scene.
std::optional<double> press(const WalkScene& scene, double x, double step, bool right,
                            WalkRules rules, WalkReach& reach) {
    WalkingSprite s;
    s.x = x;
    s.step = scene.step;
    s.standing = scene.standing;
    s.walking = scene.walking;
    int counter = 1;
    WalkKeys keys;
    (right ? keys.right : keys.left) = true;
    // A cycle ends after at most 50 entries; a few ticks more cost nothing.
    for (int tick = 0; tick < 64; ++tick) {
        const WalkTick t = walkTick(s, counter, scene.overlayCount, scene.spots, step, keys, rules);
        for (int k = 0; k < t.moveCount; ++k) {
            const WalkMove& m = t.moves[static_cast<size_t>(k)];
            for (size_t i = 1; i <= 4; ++i)
                if (m.passed & (1u << i)) reach.passed[i] = true;
        }
        if (int i = t.leave()) {
            reach.passed[static_cast<size_t>(i)] = reach.taken[static_cast<size_t>(i)] = true;
            return std::nullopt;
        }
        if (!keys.right && !keys.left) return s.x;
    }
    return s.x;
}

}  // namespace

WalkReach exploreWalk(const WalkScene& scene, int speedBonus, WalkRules rules, double low,
                      double high) {
    WalkReach reach;
    const double step = scene.step + speedBonus;
    std::set<double> seen{scene.x};
    std::deque<double> todo{scene.x};
    while (!todo.empty()) {
        const double x = todo.front();
        todo.pop_front();
        if (rules == WalkRules::Plain)
            if (int i = actionKeySpot(x, scene.spots)) reach.ctrlTaken[static_cast<size_t>(i)] = true;
        if (x < low || x > high) continue;
        for (bool right : {true, false}) {
            const auto next = press(scene, x, step, right, rules, reach);
            if (!next || seen.count(*next)) continue;
            if (seen.size() >= kPlaceLimit) {
                reach.cut = true;
                continue;
            }
            seen.insert(*next);
            todo.push_back(*next);
        }
    }
    reach.places.assign(seen.begin(), seen.end());
    return reach;
}

namespace {

std::string spotName(const HotSpots& spots, int i) {
    return "hot spot " + std::to_string(i) + " (x " +
           std::to_string(spots[static_cast<size_t>(i)].x) + ")";
}

std::string speedList(const std::vector<int>& bonuses) {
    std::string out;
    for (size_t k = 0; k < bonuses.size(); ++k) {
        if (k) out += k + 1 == bonuses.size() ? " and " : ", ";
        out += bonuses[k] == 0 ? "normal" : "+" + std::to_string(bonuses[k]);
    }
    return out;
}

// Why the walk never gets to hot spot `i`: the nearest hot spot between the
// places reached and it that stops the walker.
std::string whyUnreached(const WalkScene& scene, const WalkReach& reach, int i, WalkRules rules) {
    const HotSpots& spots = scene.spots;
    const double x = spots[static_cast<size_t>(i)].x;
    if (reach.places.empty()) return "the walker never stands anywhere";
    const bool beyondRight = x > reach.places.back();
    const double edge = beyondRight ? reach.places.back() : reach.places.front();
    int stopper = 0;
    for (int j = 1; j <= 4; ++j) {
        const HotSpot& h = spots[static_cast<size_t>(j)];
        if (j == i || !present(h)) continue;
        const bool between = beyondRight ? (h.x >= edge && h.x <= x) : (h.x <= edge && h.x >= x);
        if (!between) continue;
        const bool stops = reach.taken[static_cast<size_t>(j)] ||
                           (rules == WalkRules::Plain &&
                            UCase(h.direction) == (beyondRight ? "R" : "L"));
        if (!stops) continue;
        if (!stopper || std::abs(h.x - edge) < std::abs(spots[static_cast<size_t>(stopper)].x - edge))
            stopper = j;
    }
    if (!stopper) return "the walk never gets there";
    const HotSpot& s = spots[static_cast<size_t>(stopper)];
    if (reach.taken[static_cast<size_t>(stopper)]) {
        if (rules == WalkRules::Enciphered)
            return "passed on the way: in an enciphered game " + spotName(spots, stopper) +
                   " takes the walker to " + s.target + " first";
        return spotName(spots, stopper) + " leads out to " + s.target + " first";
    }
    return "behind " + spotName(spots, stopper) + ", which blocks the way";
}

}  // namespace

std::vector<SpotWarning> walkWarnings(const WalkScene& scene, WalkRules rules, double low,
                                      double high) {
    std::vector<SpotWarning> out;
    std::vector<WalkReach> reaches;
    for (int bonus : kSpriteSpeedBonuses) reaches.push_back(exploreWalk(scene, bonus, rules, low, high));
    const bool plain = rules == WalkRules::Plain;
    for (int i = 1; i <= 4; ++i) {
        const HotSpot& h = scene.spots[static_cast<size_t>(i)];
        if (!present(h)) continue;
        const auto k = static_cast<size_t>(i);
        const std::string name = spotName(scene.spots, i);
        auto at = [&](auto&& pred) {
            std::vector<int> bonuses;
            for (size_t r = 0; r < reaches.size(); ++r)
                if (pred(reaches[r])) bonuses.push_back(kSpriteSpeedBonuses[r]);
            return bonuses;
        };
        const auto unreached = at([&](const WalkReach& r) { return !r.passed[k] && !r.ctrlTaken[k]; });
        if (!unreached.empty()) {
            std::string m = name + " can never be reached";
            if (unreached.size() < reaches.size()) m += " at the " + speedList(unreached) + " speed";
            const size_t first = static_cast<size_t>(
                std::find(std::begin(kSpriteSpeedBonuses), std::end(kSpriteSpeedBonuses), unreached[0]) -
                std::begin(kSpriteSpeedBonuses));
            out.push_back({i, m + ": " + whyUnreached(scene, reaches[first], i, rules)});
            if (unreached.size() == reaches.size()) continue;
        }
        if (plain && UCase(h.action) == "Y" && leadsOut(h)) {
            const auto outside = at([&](const WalkReach& r) { return r.passed[k] && !r.ctrlTaken[k]; });
            if (!outside.empty()) {
                std::string m = name + " lies between strides and outside every Ctrl window";
                if (outside.size() < reaches.size()) m += " at the " + speedList(outside) + " speed";
                out.push_back({i, m + ": Ctrl takes it only while walking over it"});
            }
        }
        if (!plain && leadsOut(h) && UCase(h.action) == "Y")
            out.push_back({i, name + " is taken as soon as the walker passes it: an enciphered game "
                                     "has no Ctrl"});
        if (!plain && !leadsOut(h) &&
            (!vb::Trim(h.text).empty() || UCase(h.direction) == "R" || UCase(h.direction) == "L"))
            out.push_back({i, name + " does nothing in an enciphered game: no text, no blocking"});
    }
    return out;
}

}  // namespace parvel
