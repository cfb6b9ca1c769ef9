// The walking sprite and its hot spots.

#include "SceneLists.h"
#include "SceneRunner.h"
#include "WalkRules.h"
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
    m_player.recordWalk();
    m_shared.ChosenOption = 1;
    m_shared.OptionChosen = true;
    return Flow::EndScene;
}

SceneRunner::Flow SceneRunner::moveSprite() {
    auto& s = m_scene.sprite;
    const bool plain = m_player.m_game.enciphered != 1;
    const double step = s.step + m_host.settings().SpriteSpeedBonus;
    auto& layer = m_render.LayerBitmaps[0];
    auto show = [&](int entry) {
        if (plain) loadPicture(layer, entryPath(m_scene.layer, entry));
        else m_render.LayerFrame = static_cast<std::int16_t>(entry);
    };
    auto spot = [&](int i) -> const HotSpot& { return m_scene.hotSpots[static_cast<size_t>(i)]; };

    WalkKeys keys{m_shared.WalkRight, m_shared.WalkLeft, m_shared.WalkKeyHeld, m_shared.ActionKey};
    const WalkTick t = walkTick(s, m_scene.layer.counter, m_scene.layer.count, m_scene.hotSpots,
                                step, keys, plain ? WalkRules::Plain : WalkRules::Enciphered);
    m_shared.WalkRight = keys.right;
    m_shared.WalkLeft = keys.left;
    if (t.actionSpot) return leaveBy(spot(t.actionSpot));
    for (int k = 0; k < t.moveCount; ++k) {
        const WalkMove& m = t.moves[static_cast<size_t>(k)];
        for (int j = 0; j < m.shownCount; ++j) {
            const HotSpot& h = spot(m.shown[static_cast<size_t>(j)]);
            if (readingAloud() && h.text != m_host.caption(Control::Label2) && !Trim(h.text).empty())
                m_host.speak(h.text);
            m_host.setCaption(Control::Label2, h.text);
        }
        if (m.leave) return leaveBy(spot(m.leave));
        show(m.entry);
    }
    if (t.standing) show(*t.standing);
    return Flow::Next;
}

}  // namespace parvel
