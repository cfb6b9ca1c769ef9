#include <algorithm>
#include <utility>
#include <cmath>
#include <vector>

#include "Integrity.h"
#include "Logging.h"
#include "MediaSystem.h"
#include "PictureCache.h"
#include "Paths.h"
#include "SceneRunner.h"
#include "TextCodec.h"
#include "Vb.h"

namespace parvel {

using namespace vb;
using render::FullFrameRect;

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
    // A restored pass was taken after its wait: it does not wait again.
    int instantPasses = m_player.m_resumePasses.value_or(0);
    bool resumed = m_player.m_resumePasses.has_value();
    m_player.m_resumePasses.reset();
    for (;;) {
        if (stopped()) return;
        // A game may send play round a circle of scenes that never wait
        // (a lose scene that hits the hero again, a hot spot under the
        // sprite's feet). The first such pass in a row is as the game wrote
        // it; from the second on each waits one frame, so the window and the
        // headless clock keep going at the game's pace instead of spinning.
        if (instantPasses >= 2 && !std::exchange(resumed, false)) {
            sleepUntil(m_host, m_host.now() + frameDelay(), [&] { return stopped(); });
            m_host.processEvents();
            if (stopped()) return;
        }
        resumed = false;
        m_passWaited = false;
        chainGameFile();
        if (m_table.FindScene(m_scene.name) == 0) return cannotShow();
        m_player.sceneStarted(m_player.captureState(instantPasses));
        emitEvent("scene: " + m_scene.name);
        qCDebug(lcInterp) << "scene" << m_scene.name.c_str();
        resetScene();
        const CombatState before = m_combat;

        Flow flow = Flow::Next;
        for (const auto& step : kSetupSteps) {
            flow = (this->*step.run)();
            if (flow == Flow::Next && stopped()) flow = Flow::Stop;
            if (flow != Flow::Next) break;
        }
        if (flow == Flow::Fatal || flow == Flow::Stop) return;
        if (flow == Flow::EndScene) {  // a fall: the next pass plays the win or lose scene
            ++instantPasses;
            continue;
        }

        m_player.recordSceneText();
        speakScene(before);
        parseLists();
        if (m_player.m_game.enciphered == 1) preloadEncipheredFrames();
        if (stopped()) return;
        startSounds();
        // A scene that leads to a clip gets the video module ready in the
        // background while it is read, so the clip starts on time without
        // every scene before paying for the module's memory.
        if (m_player.m_namesClips && m_media && leadsToClip()) m_media->prepareVideo();

        flow = frameLoop();
        if (flow == Flow::Stop || flow == Flow::Fatal) return;
        instantPasses = m_passWaited ? 0 : instantPasses + 1;
        endPass();
    }
}

// A scene the game file does not hold: said once, then play stops and the
// window stays free for another game. The title says it as it always has.
void SceneRunner::cannotShow() {
    emitEvent("scene: " + m_scene.name);
    resetScene();
    m_host.setCaption(Control::Label2, "");
    m_host.setTitle(kSceneNotDefined);
    const std::string path = utf8ToCp1252(m_player.m_game.path).value_or(m_player.m_game.path);
    m_host.messageBox("Cannot show the scene \"" + m_scene.name + "\": the game file " + path +
                      " has no such scene. Choose another game with File > Open.");
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
    auto& loaded = m_player.m_loaded;
    std::erase_if(loaded, [&](const auto& f) { return f.first == game.path; });
    loaded.emplace_back(game.path, BytesDigest(readWholeFile(game.path).value_or(std::string())));
}

void SceneRunner::resetScene() {
    m_host.setDescriptionLayout(false, kSceneTextHeight);
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
    m_drawn = {};
    m_coverKnown = false;
    bool firstTick = true;
    m_host.focusPicture();
    m_deferred.clear();
    for (;;) {
        const bool first = firstTick;
        Flow f = tick(firstTick);
        if (first && f == Flow::Next) m_player.sceneShown();
        if (f == Flow::Next && m_shared.OptionChosen) f = Flow::EndScene;
        if (f != Flow::Next) {
            drawDeferredOverlays();
            return f;
        }
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
        m_passWaited = true;
        const Micros delay = frameDelay();
        sleepUntil(m_host, tickStart + delay,
                   [&] { return m_shared.OptionChosen || stopped(); });
        if (stopped()) return Flow::Stop;
        if (m_shared.OptionChosen) return Flow::EndScene;
        switch (unseenFrame(tickStart + delay + delay)) {
            case Unseen::No: break;
            case Unseen::Skip: return skipFrame();
            case Unseen::DeferOverlays: deferOverlays(); return skipFrame();
        }
    }
    firstTick = false;
    drawDeferredOverlays();
    m_drawn = currentFrame();

    const Flow f = tickPictures();
    if (f != Flow::Next) return f;
    m_player.Render();
    m_host.processEvents();
    if (stopped()) return Flow::Stop;
    return Flow::Next;
}

SceneRunner::DrawnFrame SceneRunner::currentFrame() const {
    return {m_render.AnimFrame, m_render.LayerFrame, m_render.Layer2Frame, true};
}

// Headless play draws no frame that nothing looks at. A frame can be left
// out when the next one is drawn before any input, snapshot or picture can
// see it, and drawing the next one gives exactly the picture that drawing
// both would have: either it repeats the frame drawn last (which drawing
// again does not change), or every background the scene can show covers the
// whole back buffer, so the next frame paints over all of this one. Whatever
// else a tick does (counters, loop counts, music checks, the sound sequence)
// still happens tick by tick.
SceneRunner::Unseen SceneRunner::unseenFrame(Micros nextFrameDrawn) {
    const Micros unseen = m_host.unobservedUntil();
    if (unseen <= m_host.now()) return Unseen::No;  // a window shows every frame
    if (m_host.settings().ShowErrors) return Unseen::No;  // a failing load is reported every tick
    if (m_scene.sprite.on || !m_drawn.valid) return Unseen::No;
    const auto& fade = m_render.FadeState;
    if (fade.FadeSwitch != "FALSE") {
        // Past its step limit a fade blends with alpha 0: backgrounds and the
        // finished picture no longer change, and only the overlays still
        // draw, into the back buffer, where the next scene will find them.
        return fade.FadeStepCount >= fade.FadeStepLimit ? Unseen::DeferOverlays : Unseen::No;
    }
    const DrawnFrame now = currentFrame();
    if (now.anim == m_drawn.anim && now.layer == m_drawn.layer && now.layer2 == m_drawn.layer2)
        return Unseen::Skip;
    return unseen > nextFrameDrawn && backgroundsCover() ? Unseen::Skip : Unseen::No;
}

// The overlays of a frame left out while a finished fade holds the picture.
// A transparent draw of a picture at its place is undone by nothing but
// later draws, and a later draw of the same picture repaints every pixel the
// earlier one did: so only each picture's last draw is kept, in the order of
// those last draws, and the back buffer ends exactly as drawing every frame
// would have left it.
void SceneRunner::deferOverlays() {
    if (m_render.LayersActive != -1) return;
    const bool plain = m_player.m_game.enciphered != 1;
    auto keep = [&](int list, const AnimationList& l, int frame) {
        DeferredOverlay d{list, frame, plain ? entryPath(l, frame) : std::string()};
        std::erase_if(m_deferred, [&](const DeferredOverlay& o) {
            return o.list == d.list && (plain ? o.path == d.path : o.frame == d.frame);
        });
        m_deferred.push_back(std::move(d));
    };
    keep(1, m_scene.layer, m_render.LayerFrame);
    keep(2, m_scene.layer2, m_render.Layer2Frame);
}

void SceneRunner::drawDeferredOverlays() {
    if (m_deferred.empty()) return;
    const bool plain = m_player.m_game.enciphered != 1;
    for (const auto& d : m_deferred) {
        if (plain) {
            auto picture = m_render.newBitmap();
            m_player.m_pictures->load(*picture, d.path);
            picture->SetTarget(m_render.BackBufferDC());
            picture->DrawRect(FullFrameRect, -1);
            continue;
        }
        const size_t i = static_cast<size_t>(d.frame - 1);
        render::BitmapPtr b;
        if (d.frame >= 1 && d.list == 1 && i < m_render.LayerBitmaps.size()) b = m_render.LayerBitmaps[i];
        if (d.frame >= 1 && d.list == 2 && i < m_render.Layer2Bitmaps.size()) b = m_render.Layer2Bitmaps[i];
        if (b) b->DrawRect(FullFrameRect, -1);
    }
    m_deferred.clear();
    // The pictures a drawn frame would have left loaded.
    if (plain) {
        const std::string image(Trim(m_scene.imagePath));
        loadPicture(m_render.SceneBackground,
                    image.empty() ? entryPath(m_scene.anim, m_render.AnimFrame) : image);
        loadPicture(m_render.LayerBitmaps[0], entryPath(m_scene.layer, m_render.LayerFrame));
        loadPicture(m_render.Layer2Bitmaps[0], entryPath(m_scene.layer2, m_render.Layer2Frame));
    }
}

bool SceneRunner::backgroundsCover() {
    if (m_coverKnown) return m_cover;
    m_coverKnown = true;
    m_cover = false;
    const QImage* buffer = m_render.BackBuffer ? &m_render.BackBuffer->image() : nullptr;
    if (!buffer || buffer->isNull()) return false;
    auto covers = [&](const QImage& bg) {
        return bg.width() >= buffer->width() && bg.height() >= buffer->height();
    };
    if (m_player.m_game.enciphered == 1) {
        if (!Trim(m_scene.imagePath).empty()) return false;  // reloaded every tick
        for (int i = 1; i <= m_scene.anim.count; ++i) {
            const auto& slot = m_render.AnimBitmaps[static_cast<size_t>(i - 1)];
            if (!slot || !covers(slot->image())) return false;
        }
        return m_cover = m_scene.anim.count > 0;
    }
    const std::string image(Trim(m_scene.imagePath));
    std::vector<std::string> paths;
    if (!image.empty()) paths.push_back(image);
    else
        for (int i = m_scene.anim.count == 0 ? 0 : 1; i <= m_scene.anim.count; ++i)
            paths.push_back(entryPath(m_scene.anim, i));
    for (const auto& path : paths) {
        auto decoded = m_player.m_pictures->decoded(path);
        if (!decoded || !*decoded || !covers(decoded->value())) return false;
    }
    return m_cover = true;
}

SceneRunner::Flow SceneRunner::skipFrame() {
    // Enciphered scenes check their background's file on every tick, and
    // that check draws random numbers: it stays.
    if (m_player.m_game.enciphered == 1 && !Trim(m_scene.imagePath).empty() &&
        !loadEncipheredBackground())
        return Flow::Stop;
    return stopped() ? Flow::Stop : Flow::Next;
}

Micros SceneRunner::frameDelay() const {
    // A zero, negative or unreadable delay would spin the frame loop: no
    // scene is meant to draw more than a hundred frames a second. A huge one
    // ("@animspeed = 1e-19" read as frames per second) would overflow the
    // clock: a day between frames is already a still picture.
    constexpr double kFloor = 0.01, kCeiling = 86400;
    const auto delay = CDbl(m_scene.FrameDelay);
    double seconds = delay ? *delay : 0.166;
    if (!(seconds >= kFloor)) seconds = kFloor;  // also NaN
    if (seconds > kCeiling) seconds = kCeiling;
    return static_cast<Micros>(std::llround(seconds * kMicrosPerSecond));
}

void SceneRunner::endPass() {
    leaveScene();
    const int k = m_shared.ChosenOption;
    m_player.recordChoice(k);
    if (k >= 0 && k <= 6) m_scene.name = m_shared.LinkTargets[static_cast<size_t>(k)];
}

void SceneRunner::leaveScene() {
    m_shared.OptionChosen = false;
    m_shared.PreviousScene = m_scene.name;
    m_scene.PreviousListKey = UCase(m_scene.animText) + UCase(m_scene.layerText) +
                              UCase(m_scene.layer2Text);
    m_scene.previousAnimText = m_scene.animText;
    m_scene.previousLayerText = m_scene.layerText;
    m_scene.previousLayer2Text = m_scene.layer2Text;
}

}  // namespace parvel
