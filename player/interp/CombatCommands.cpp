// Hero and enemy hit points: maxima, healing, fixed and random hits, and the
// fall that leads to the win or lose scene.

#include <cmath>

#include "GameSetup.h"
#include "SceneRunner.h"
#include "Vb.h"

namespace parvel {

using namespace vb;

// The colour of the points label by the share of the maximum left.
std::optional<Colour> HitPointColour(std::int32_t points, std::int32_t maximum) {
    if (maximum == 0) return std::nullopt;  // no share to show; keep the colour
    const double p = static_cast<double>(points) / maximum * 100;
    if (p >= 91) return 65535;
    if (p >= 81) return 8454016;
    if (p >= 71) return 49152;
    if (p >= 61) return 32768;
    if (p >= 51) return 8421376;
    if (p >= 41) return 16776960;
    if (p >= 31) return 33023;
    if (p >= 21) return 8421631;
    return 255;
}

void SceneRunner::showPoints(Control label, std::int32_t points, std::int32_t maximum) {
    m_host.setCaption(label, std::to_string(points));
    if (auto c = HitPointColour(points, maximum)) m_host.setForeColour(label, *c);
}

SceneRunner::Flow SceneRunner::readHeroMaximum() {
    const std::string value = std::string(Trim(get("@maxHeroHP")));
    const auto v = value.empty() ? std::optional<std::int32_t>(0) : CLng(value);
    if (v && *v != 0) m_combat.heroPoints = m_combat.heroMax = *v;
    m_host.setCaption(Control::maxHerol, "");
    if (m_combat.heroMax != 0)
        m_host.setCaption(Control::maxHerol, "/" + std::to_string(m_combat.heroMax));
    if (v && *v != 0 && m_combat.heroPoints != 0) {
        m_host.setCaption(Control::HPherol, std::to_string(m_combat.heroPoints));
        m_host.setForeColour(Control::HPherol, kFreshMaximumColour);
    }
    return Flow::Next;
}

SceneRunner::Flow SceneRunner::readCombatCommands() {
    auto heal = [&](const std::string& value, std::int32_t& points, std::int32_t maximum,
                    Control label) {
        if (value.empty()) return;
        const auto amount =
            UCase(value) == "MAX" ? std::optional<std::int32_t>(maximum - points) : CLng(value);
        if (amount) points = static_cast<std::int32_t>(points + static_cast<std::int64_t>(*amount));
        if (points > maximum) points = maximum;
        showPoints(label, points, maximum);
    };
    heal(std::string(Trim(get("@HPup"))), m_combat.heroPoints, m_combat.heroMax, Control::HPherol);
    heal(std::string(Trim(get("@HPenemyUp"))), m_combat.enemyPoints, m_combat.enemyMax,
         Control::eneHPl);

    const std::string declared = std::string(Trim(get("@MaxenemyHP")));
    if (declared.empty()) m_combat.enemyDeclaredMax = 0;
    else if (auto v = CLng(declared)) m_combat.enemyDeclaredMax = *v;
    if (m_combat.enemyDeclaredMax != 0)
        m_host.setCaption(Control::enemAxl, "/" + std::to_string(m_combat.enemyDeclaredMax));

    m_heroHit = std::string(Trim(get("@herohit")));
    m_enemyHit = std::string(Trim(get("@enemyhit")));
    m_winScene = std::string(Trim(get("@winscene")));
    m_loseScene = std::string(Trim(get("@losescene")));

    if (m_combat.enemyDeclaredMax != 0) {
        m_combat.enemyMax = m_combat.enemyPoints = m_combat.enemyDeclaredMax;
        m_host.setCaption(Control::eneHPl, std::to_string(m_combat.enemyPoints));
        m_host.setForeColour(Control::eneHPl, kFreshMaximumColour);
    }
    return Flow::Next;
}

// A fixed number, or RAN(a-b): the classic Int((a - b + 1) * r + b), drawn
// a random number of times (the last draw counts).
std::optional<std::int32_t> SceneRunner::damageOf(const std::string& value) {
    if (UCase(Left(value, 3)) != "RAN") return CLng(value);
    const long d = InStr(1, value, "-").value_or(0);
    auto aText = Mid(value, 5, d - 5);
    auto bText = Mid(value, d + 1, static_cast<long>(value.size()) - d - 1);
    const auto a = aText ? CDbl(Trim(*aText)) : std::nullopt;
    const auto b = bText ? CDbl(Trim(*bText)) : std::nullopt;
    const double r1 = m_host.random(), r2 = m_host.random();
    const long k = static_cast<long>(std::floor(std::floor(6 * r1 + 1) * r2 + 1));
    const bool numbers = a.has_value() && b.has_value();
    const double hi = a.value_or(0), lo = b.value_or(0);
    std::optional<std::int32_t> damage;
    for (long i = 0; i < k; ++i) {
        const double r = m_host.random();
        if (numbers) damage = CLng(std::floor((hi - lo + 1) * r + lo));
    }
    return damage;
}

SceneRunner::Flow SceneRunner::applyHit(bool hero) {
    const std::string& value = hero ? m_heroHit : m_enemyHit;
    if (value.empty()) return Flow::Next;
    std::int32_t& points = hero ? m_combat.heroPoints : m_combat.enemyPoints;
    const std::int32_t maximum = hero ? m_combat.heroMax : m_combat.enemyMax;
    if (auto damage = damageOf(value))
        points = static_cast<std::int32_t>(points - static_cast<std::int64_t>(*damage));
    showPoints(hero ? Control::HPherol : Control::eneHPl, points, maximum);
    if (points >= 1) return Flow::Next;

    m_combat.heroMax = m_combat.enemyMax = m_combat.heroPoints = m_combat.enemyPoints = 0;
    for (Control c : {Control::maxHerol, Control::enemAxl, Control::HPherol, Control::eneHPl})
        m_host.setCaption(c, "");
    m_host.processEvents();
    const std::string& next = hero ? m_combat.loseScene : m_combat.winScene;
    if (next.empty()) {
        m_host.messageBox(hero ? "Error - NO LOSE SCENE DECLARED!!! - QUITTING"
                               : "Error - NO WIN SCENE DECLARED!!! - QUITTING");
        return Flow::Fatal;
    }
    m_scene.name = next;
    return Flow::EndScene;
}

SceneRunner::Flow SceneRunner::applyHits() {
    if (Flow f = applyHit(true); f != Flow::Next) return f;
    if (Flow f = applyHit(false); f != Flow::Next) return f;
    if (!m_winScene.empty()) m_combat.winScene = m_winScene;
    if (!m_loseScene.empty()) m_combat.loseScene = m_loseScene;
    return Flow::Next;
}

}  // namespace parvel
