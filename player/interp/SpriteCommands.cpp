// The walking sprite and its hot spots.

#include "SceneLists.h"
#include "SceneRunner.h"
#include "Vb.h"

namespace parvel {

using namespace vb;

void SceneRunner::parseHotSpots(std::string h) { parvel::parseHotSpots(std::move(h), m_scene.hotSpots); }

SceneRunner::Flow SceneRunner::readSpriteCommands() {
    const std::string x = std::string(Trim(get("@X")));
    if (x.empty()) {
        m_host.setSpriteSpeedEnabled(false);
        return Flow::Next;
    }
    auto& sprite = m_scene.sprite;
    if (auto v = CDbl(x)) sprite.x = *v;
    m_host.setSpriteSpeedEnabled(true);
    parseHotSpots(std::string(Trim(get("@hotspots"))));
    if (auto y = CDbl(Trim(get("@Y")))) sprite.y = *y;
    if (auto step = CDbl(Trim(get("@xmove")))) sprite.step = *step;
    m_render.LayersActive = -1;
    m_scene.layer.loopCount = "9999";

    const std::string ext = m_player.m_game.enciphered == 1 ? ".clP" : ".bmp";
    const std::string standing(Trim(get("@standingsprite")));
    const std::string walking(Trim(get("@walkingsprite")));
    m_scene.layerText += spriteFrameList(standing, walking, ext, sprite.standing, sprite.walking);
    sprite.on = true;
    return Flow::Next;
}

SceneRunner::Flow SceneRunner::leaveBy(const HotSpot& spot) {
    m_scene.sprite.on = false;
    m_scene.sprite.moving = false;
    m_shared.LinkTargets[1] = spot.target;
    m_shared.ChosenOption = 1;
    m_shared.OptionChosen = true;
    return Flow::EndScene;
}

SceneRunner::Flow SceneRunner::moveSprite() {
    auto& s = m_scene.sprite;
    const bool plain = m_player.m_game.enciphered != 1;
    const double step = s.step + m_host.settings().SpriteSpeedBonus;
    const int S = s.standing, W = s.walking;
    auto& layer = m_render.LayerBitmaps[0];
    auto show = [&](int entry) {
        if (plain) loadPicture(layer, entryPath(m_scene.layer, entry));
        else m_render.LayerFrame = static_cast<std::int16_t>(entry);
    };

    if (plain && m_shared.ActionKey) {
        for (int i = 1; i <= 4; ++i) {
            const HotSpot& h = m_scene.hotSpots[static_cast<size_t>(i)];
            if (std::abs(s.x - h.x) <= 5 && UCase(h.action) == "Y") {
                m_shared.WalkRight = false;
                return leaveBy(h);
            }
        }
    }

    // One walking direction; `dir` is +1 right, -1 left.
    auto walk = [&](bool& flag, int& counter, int dir, const char* blocks,
                    int firstEntry) -> std::optional<Flow> {
        s.moving = true;
        ++counter;
        if (counter > m_scene.layer.count - S - W) {
            counter = 0;
            s.moving = false;
            if (!m_shared.WalkKeyHeld) flag = false;
        }
        s.x += dir * step;
        for (int i = 1; i <= 4; ++i) {
            const HotSpot& h = m_scene.hotSpots[static_cast<size_t>(i)];
            const bool crossed =
                dir > 0 ? (h.x < s.x && s.x < h.x + step + 1) : (h.x - step - 1 < s.x && s.x < h.x);
            if (!crossed) continue;
            if (!plain) {
                // Enciphered games take every hot spot they pass, without
                // texts or blocking; but "!" names no scene, and following
                // it would strand the player on an undefined one.
                if (h.target == "!") continue;
                flag = false;
                return leaveBy(h);
            }
            s.lastCrossed = i;
            if (UCase(h.direction) == blocks) s.x -= dir * step;
            if (readingAloud() && h.text != m_host.caption(Control::Label2) && !Trim(h.text).empty())
                m_host.speak(h.text);
            m_host.setCaption(Control::Label2, h.text);
            if (UCase(h.action) == "Y" && !m_shared.ActionKey) continue;
            if (h.target != "!") {
                flag = false;
                return leaveBy(h);
            }
        }
        const bool blocked =
            s.lastCrossed > 0 &&
            UCase(m_scene.hotSpots[static_cast<size_t>(s.lastCrossed)].direction) == blocks;
        show(plain && blocked ? 1 : firstEntry + counter);
        return std::nullopt;
    };

    if (m_shared.WalkRight)
        if (auto f = walk(m_shared.WalkRight, s.rightCounter, +1, "R", S)) return *f;
    if (m_shared.WalkLeft)
        if (auto f = walk(m_shared.WalkLeft, s.leftCounter, -1, "L", S + W)) return *f;
    s.lastCrossed = 0;

    if (!s.moving) {
        auto& counter = m_scene.layer.counter;
        if (counter > S) {
            if (m_shared.WalkKeyHeld) {
                if (m_shared.WalkRight) counter = S + 1;
                if (m_shared.WalkLeft) counter = S + W + 1;
            } else {
                counter = 1;
            }
        }
        show(counter);
    }
    return Flow::Next;
}

}  // namespace parvel
