#include "WalkRules.h"

#include <cmath>

#include "Vb.h"

namespace parvel {

using vb::UCase;

int WalkTick::leave() const {
    if (actionSpot) return actionSpot;
    return moveCount > 0 ? moves[static_cast<size_t>(moveCount - 1)].leave : 0;
}

int actionKeySpot(double x, const HotSpots& spots) {
    for (int i = 1; i <= 4; ++i) {
        const HotSpot& h = spots[static_cast<size_t>(i)];
        if (std::abs(x - h.x) <= 5 && UCase(h.action) == "Y") return i;
    }
    return 0;
}

namespace {

// One walking direction; `dir` is +1 right, -1 left, `blocks` the direction
// text that undoes a move this way and `firstEntry` the entry before this
// direction's walking frames.
WalkMove walkOneWay(WalkingSprite& s, int cycleEnd, const HotSpots& spots, double step,
                    bool& flag, int& counter, int dir, const char* blocks, int firstEntry,
                    const WalkKeys& keys, bool plain) {
    WalkMove m;
    s.moving = true;
    ++counter;
    if (counter > cycleEnd) {
        counter = 0;
        s.moving = false;
        if (!keys.held) flag = false;
    }
    s.x += dir * step;
    for (int i = 1; i <= 4; ++i) {
        const HotSpot& h = spots[static_cast<size_t>(i)];
        const bool crossed =
            dir > 0 ? (h.x < s.x && s.x < h.x + step + 1) : (h.x - step - 1 < s.x && s.x < h.x);
        if (!crossed) continue;
        m.passed |= 1u << i;
        if (!plain) {
            // Enciphered games take every hot spot they pass, without texts
            // or blocking; but "!" names no scene, and following it would
            // strand the player on an undefined one.
            if (h.target == "!") continue;
            flag = false;
            m.leave = i;
            return m;
        }
        s.lastCrossed = i;
        if (UCase(h.direction) == blocks) s.x -= dir * step;
        m.shown[static_cast<size_t>(m.shownCount++)] = i;
        if (UCase(h.action) == "Y" && !keys.action) continue;
        if (h.target != "!") {
            flag = false;
            m.leave = i;
            return m;
        }
    }
    const bool blocked =
        s.lastCrossed > 0 && UCase(spots[static_cast<size_t>(s.lastCrossed)].direction) == blocks;
    m.entry = plain && blocked ? 1 : firstEntry + counter;
    return m;
}

}  // namespace

WalkTick walkTick(WalkingSprite& s, int& overlayCounter, int overlayCount, const HotSpots& spots,
                  double step, WalkKeys& keys, WalkRules rules) {
    WalkTick t;
    const bool plain = rules == WalkRules::Plain;
    const int S = s.standing, W = s.walking;
    if (plain && keys.action) {
        if (int i = actionKeySpot(s.x, spots)) {
            keys.right = false;
            t.actionSpot = i;
            return t;
        }
    }
    const int cycleEnd = overlayCount - S - W;
    if (keys.right) {
        WalkMove& m = t.moves[static_cast<size_t>(t.moveCount++)];
        m = walkOneWay(s, cycleEnd, spots, step, keys.right, s.rightCounter, +1, "R", S, keys, plain);
        if (m.leave) return t;
    }
    if (keys.left) {
        WalkMove& m = t.moves[static_cast<size_t>(t.moveCount++)];
        m = walkOneWay(s, cycleEnd, spots, step, keys.left, s.leftCounter, -1, "L", S + W, keys,
                       plain);
        if (m.leave) return t;
    }
    s.lastCrossed = 0;

    if (!s.moving) {
        if (overlayCounter > S) {
            if (keys.held) {
                if (keys.right) overlayCounter = S + 1;
                if (keys.left) overlayCounter = S + W + 1;
            } else {
                overlayCounter = 1;
            }
        }
        t.standing = overlayCounter;
    }
    return t;
}

}  // namespace parvel
