// Read Aloud: what a scene says to a player who cannot see it. The host
// speaks; the core only decides what and when.

#include "SceneRunner.h"
#include "Vb.h"

namespace parvel {

using namespace vb;

namespace {
constexpr const char* kOptionKeys[7] = {"", "a", "s", "d", "f", "g", "z"};

std::string pointsText(const char* who, std::int32_t points, std::int32_t maximum) {
    std::string s = std::string(who) + " " + std::to_string(points);
    if (maximum != 0) s += " of " + std::to_string(maximum);
    return s;
}
}  // namespace

bool SceneRunner::readingAloud() const {
    return m_host.settings().ReadAloud || m_host.screenReaderAttached();
}

// The scene text, then the points a fight changed in this pass, then the
// options with the keys that choose them ("a: Go in, s: Turn back").
void SceneRunner::speakScene(const CombatState& before) {
    if (!readingAloud()) return;
    const std::string text = m_host.caption(Control::Label2);
    if (!Trim(text).empty()) m_host.speak(text);

    std::string points;
    auto addPoints = [&](const char* who, std::int32_t p, std::int32_t m, std::int32_t p0,
                         std::int32_t m0, Control label) {
        if ((p == p0 && m == m0) || m_host.caption(label).empty()) return;
        if (!points.empty()) points += ", ";
        points += pointsText(who, p, m);
    };
    addPoints("Hero", m_combat.heroPoints, m_combat.heroMax, before.heroPoints, before.heroMax,
              Control::HPherol);
    addPoints("Enemy", m_combat.enemyPoints, m_combat.enemyMax, before.enemyPoints, before.enemyMax,
              Control::eneHPl);
    if (!points.empty()) m_host.speak(points);

    std::string options;
    for (int k = 1; k <= 6; ++k) {
        const std::string_view option = Trim(m_scene.optionTexts[static_cast<size_t>(k)]);
        if (option.empty() || m_host.caption(optionLabel(k)).empty()) continue;
        if (!options.empty()) options += ", ";
        options += std::string(kOptionKeys[k]) + ": " + std::string(option);
    }
    if (!options.empty()) m_host.speak(options);

    if (m_scene.sprite.on && !m_player.m_walkAnnounced) {
        m_player.m_walkAnnounced = true;
        m_host.speak("You can walk with the arrow keys");
    }
}

}  // namespace parvel
