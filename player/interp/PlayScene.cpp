#include <algorithm>
#include <cmath>

#include "Logging.h"
#include "MediaSystem.h"
#include "Paths.h"
#include "SceneRunner.h"
#include "TextCodec.h"
#include "Vb.h"

namespace parvel {

using namespace vb;

// The scene commands, in the order every pass asks for them. Each step
// reads its commands through GetDirective and applies them; values read in
// one step may be applied in a later one, as the combat rows show.
const SceneRunner::SetupStep SceneRunner::kSetupSteps[] = {
    {"@nextGfile @linkGo1..6 @description", &SceneRunner::readTextCommands},
    {"@maxHeroHP", &SceneRunner::readHeroMaximum},
    {"@music", &SceneRunner::readMusic},
    {"@HPup @HPenemyUp @MaxenemyHP @herohit @enemyhit @winscene @losescene",
     &SceneRunner::readCombatCommands},
    {"@media", &SceneRunner::readMedia},
    {"(hero hit, enemy hit, win and lose scenes)", &SceneRunner::applyHits},
    {"@sound @soundloop @multiSound @multiSoundLoop", &SceneRunner::readSounds},
    {"@randomLink @option1..6", &SceneRunner::readOptions},
    {"@image @animspeed @animLoop @layeranim @layerloop @layeranim2 @layerloop2 @anim "
     "@Fade @percentFade @FadeSteps",
     &SceneRunner::readAnimationCommands},
    {"@Link1..6", &SceneRunner::readLinks},
    {"@X @hotspots @Y @xmove @standingsprite @walkingsprite", &SceneRunner::readSpriteCommands},
};

SceneRunner::SceneRunner(Player& player, int generation)
    : m_player(player),
      m_host(player.m_host),
      m_table(player.m_table),
      m_shared(player.m_shared),
      m_scene(player.m_scene),
      m_combat(player.m_combat),
      m_render(*player.m_render),
      m_media(player.m_media),
      m_generation(generation) {}

std::string SceneRunner::get(std::string_view directive) {
    return m_table.GetDirective(m_scene.name, directive);
}

std::string SceneRunner::native(std::string_view scriptText) const {
    return cp1252ToUtf8(scriptText);
}

void SceneRunner::emitEvent(const std::string& line) {
    if (m_player.onEvent) m_player.onEvent(line);
}

void SceneRunner::PlayScene(std::string scene) {
    m_scene.name = std::move(scene);
    for (;;) {
        if (stopped()) return;
        chainGameFile();
        emitEvent("scene: " + m_scene.name);
        qCDebug(lcInterp) << "scene" << m_scene.name.c_str();
        resetScene();

        Flow flow = Flow::Next;
        for (const auto& step : kSetupSteps) {
            flow = (this->*step.run)();
            if (flow == Flow::Next && stopped()) flow = Flow::Stop;
            if (flow != Flow::Next) break;
        }
        if (flow == Flow::Fatal || flow == Flow::Stop) return;
        if (flow == Flow::EndScene) continue;  // a fall: the next pass plays the win or lose scene

        parseLists();
        if (m_player.m_game.enciphered == 1) preloadEncipheredFrames();
        if (stopped()) return;
        startSounds();

        flow = frameLoop();
        if (flow == Flow::Stop || flow == Flow::Fatal) return;
        endPass();
    }
}

void SceneRunner::chainGameFile() {
    if (!m_shared.NextGamePending) return;
    // The next file sits beside the current one; the target scene chosen in
    // the old file is looked up in the new one.
    GameScript& game = m_player.m_game;
    game.path = folderOf(game.path) + native(m_shared.NextGameFile);
    m_table.LoadGameScript(game);
    m_render.enciphered = game.enciphered;
    m_shared.NextGamePending = false;
}

void SceneRunner::resetScene() {
    m_host.setDescriptionLayout(false, 89);
    m_render.LayersActive = 0;
    m_render.FadeState.FadeStepCount = 0;
    if (m_media) {
        auto& q = m_media->multiSoundQueue();
        q.active = false;
        q.position = 0;
        q.count = 0;
        q.passLimit = 0;
        m_media->setDirectories(m_player.m_setup.soundDir, m_player.m_setup.musicDir);
    }
    m_scene.anim.clear();
    m_scene.layer.clear();
    m_scene.layer2.clear();
    m_scene.anim.loopCount = m_scene.layer.loopCount = m_scene.layer2.loopCount = "1";
    m_scene.hotSpots.fill(HotSpot{});
    m_scene.sprite = WalkingSprite{};
    m_scene.imagePath.clear();
    m_scene.animText.clear();
    m_scene.layerText.clear();
    m_scene.layer2Text.clear();
    for (int k = 1; k <= 6; ++k) m_host.setCaption(optionLabel(k), "");
}

SceneRunner::Flow SceneRunner::frameLoop() {
    startFrameCounters();
    bool firstTick = true;
    m_host.focusPicture();
    for (;;) {
        const Flow f = tick(firstTick);
        if (f != Flow::Next) return f;
        if (m_shared.OptionChosen) return Flow::EndScene;
    }
}

SceneRunner::Flow SceneRunner::tick(bool& firstTick) {
    while (!m_scene.mediaName.empty()) {
        const Flow f = videoPhase();
        if (f != Flow::Next) return f;
    }
    if (m_shared.OptionChosen) return Flow::EndScene;

    ++m_scene.anim.counter;
    ++m_scene.layer.counter;
    ++m_scene.layer2.counter;
    checkMusic();
    advanceCounters();
    if (m_media && m_media->multiSoundQueue().active) m_media->PollMultiSound();
    m_shared.InterpreterRunning = true;

    const Micros tickStart = m_host.now();
    if (!firstTick) {
        auto delay = CDbl(m_scene.FrameDelay);
        // A zero, negative or unreadable delay would spin the frame loop;
        // no scene is meant to draw more than a hundred frames a second.
        const double seconds = delay ? std::max(*delay, 0.01) : 0.166;
        sleepUntil(m_host, tickStart + static_cast<Micros>(std::llround(seconds * kMicrosPerSecond)),
                   [&] { return m_shared.OptionChosen || stopped(); });
        if (stopped()) return Flow::Stop;
        if (m_shared.OptionChosen) return Flow::EndScene;
    }
    firstTick = false;

    const Flow f = tickPictures();
    if (f != Flow::Next) return f;
    m_player.Render();
    m_host.processEvents();
    if (stopped()) return Flow::Stop;
    return Flow::Next;
}

void SceneRunner::endPass() {
    m_shared.OptionChosen = false;
    m_shared.PreviousScene = m_scene.name;
    m_scene.PreviousListKey = UCase(m_scene.animText) + UCase(m_scene.layerText) +
                              UCase(m_scene.layer2Text);
    const int k = m_shared.ChosenOption;
    if (k >= 0 && k <= 6) m_scene.name = m_shared.LinkTargets[static_cast<size_t>(k)];
}

}  // namespace parvel
