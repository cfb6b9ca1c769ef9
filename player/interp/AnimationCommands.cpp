// Background picture or animation, the two overlay animations, their loop
// counts and speed, the fade-in, and the pictures loaded on every tick.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <unordered_map>

#include "BmpReader.h"
#include "Integrity.h"
#include "MediaSystem.h"
#include "Paths.h"
#include "PictureCache.h"
#include "SceneLists.h"
#include "SceneRunner.h"
#include "Vb.h"

namespace parvel {

using namespace vb;
using render::FullFrameRect;

namespace {

// Loop counts are texts that the old player did arithmetic on; a text that
// is no number makes the statement using it fail.
std::optional<double> loopValue(const std::string& loop) { return CDbl(loop); }

}  // namespace

SceneRunner::Flow SceneRunner::readAnimationCommands() {
    const std::string image = get("@image");
    m_scene.imagePath = image.empty() ? "" : m_player.m_setup.imageDir + native(image);

    std::string speed = get("@animspeed");
    const std::string t = std::string(Trim(speed)), upper = UCase(t);
    if (t.empty()) speed = ".166";
    else if (upper == "SLOW") speed = "1";
    else if (upper == "MEDIUM") speed = ".166";
    else if (upper == "FAST") speed = ".083";
    // Texts above "1" in a character comparison are frames per second
    // ("2", "12", "1.5"); ".5" and "0.5" are seconds.
    if (std::string(Trim(speed)) > "1") {
        if (auto fps = CDbl(speed); fps && *fps != 0) {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%.17g", 1 / *fps);
            speed = buf;
        }
    }
    m_scene.FrameDelay = speed;

    std::string animLoop = std::string(Trim(get("@animLoop")));
    if (animLoop == "0" || animLoop.empty() || UCase(animLoop) == "ONE") animLoop = "1";
    else if (UCase(animLoop) == "FOREVER") animLoop = "9999";
    m_scene.anim.loopCount = animLoop;

    auto overlayLoop = [](std::string v) {
        v = std::string(Trim(v));
        if (UCase(v) == "FOREVER") return std::string("9999");
        return v.empty() ? std::string("1") : v;
    };
    m_scene.layerText = get("@layeranim");
    m_scene.layer.loopCount = overlayLoop(get("@layerloop"));
    m_scene.layer2Text = get("@layeranim2");
    m_scene.layer2.loopCount = overlayLoop(get("@layerloop2"));
    m_scene.animText = get("@anim");
    m_scene.layerText = get("@layeranim");
    m_scene.layer2Text = get("@layeranim2");
    if (!Trim(m_scene.layerText).empty() || !Trim(m_scene.layer2Text).empty())
        m_render.LayersActive = -1;

    auto& fade = m_render.FadeState;
    const std::string fadeSwitch = std::string(Trim(get("@Fade")));
    fade.FadeSwitch = fadeSwitch.empty() ? "FALSE" : fadeSwitch;
    const std::string alpha = std::string(Trim(get("@percentFade")));
    fade.FadeAlpha = alpha.empty() ? "50" : alpha;
    const std::string steps = std::string(Trim(get("@FadeSteps")));
    if (steps.empty()) fade.FadeStepLimit = -1;
    else if (auto n = CInt(steps)) fade.FadeStepLimit = *n;
    return Flow::Next;
}

void SceneRunner::parseList(AnimationList& list, const std::string& text,
                            std::string_view message) {
    if (!parsePictureList(list, text) && m_host.settings().ShowErrors)
        m_host.messageBox(std::string(message) + m_scene.name);
}

void SceneRunner::parseLists() {
    parseList(m_scene.anim, m_scene.animText,
              "Too many animations in @anim command (MAX 50) - Scene: ");
    parseList(m_scene.layer, m_scene.layerText,
              "Too many animations in @layerAnim command (MAX 50) - Scene: ");
    parseList(m_scene.layer2, m_scene.layer2Text,
              "Too many animations in @layerAnim2 command (MAX 20) - Scene: ");
}

std::string SceneRunner::entryPath(const AnimationList& list, int index) const {
    const std::string entry =
        index >= 0 && index <= list.capacity ? list.entries[static_cast<size_t>(index)] : "";
    return m_player.m_setup.imageDir + native(Trim(entry));
}

void SceneRunner::loadPicture(render::BitmapPtr& slot, const std::string& path) {
    slot = m_render.newBitmap();
    m_player.m_pictures->load(*slot, path);
    slot->SetTarget(m_render.BackBufferDC());
}

std::optional<SceneRunner::EncipheredPicture> SceneRunner::prepareEnciphered(
    const std::string& path, bool trimSource, const Result<QImage>* known) {
    // The check (digest, random name, event pass) is made every time, as the
    // copy was; the decoding only when this file is not already held.
    auto& cache = *m_player.m_pictures;
    std::optional<Result<QImage>> held;
    if (known) held = *known;
    else held = cache.held(path);
    auto p = PreparePlainPicture(m_host, path, m_player.m_game.digest, !held.has_value());
    if (!p) return std::nullopt;  // the program is ending
    EncipheredPicture out{std::nullopt, p->path};
    using Form = PreparedPicture::Form;
    switch (p->form) {
        case Form::Checked:
            out.image = std::move(held);
            break;
        case Form::Source:
            if (trimSource) out.messagePath = std::string(Trim(p->path));
            if (fileExists(out.messagePath)) out.image = render::readBmpFile(resolvePath(out.messagePath));
            break;
        case Form::Copy: {
            out.image = render::readBmpFile(p->path);
            std::error_code ec;
            std::filesystem::remove(p->path, ec);
            cache.hold(path, *out.image);
            break;
        }
        case Form::Memory:
            out.image = render::decodeBmp(p->plain);
            cache.hold(path, *out.image);
            break;
    }
    return out;
}

// The scene's @image in an enciphered game, prepared again on every tick
// (the check of its file draws random numbers); false when the program ends.
bool SceneRunner::loadEncipheredBackground() {
    auto picture = prepareEnciphered(m_scene.imagePath, true, nullptr);
    if (!picture) return false;
    auto& slot = m_render.AnimBitmaps[0];
    slot = m_render.newBitmap();
    if (picture->image) slot->LoadDecoded(*picture->image, picture->messagePath);
    slot->SetTarget(m_render.BackBufferDC());
    return true;
}

// Enciphered games prepare every frame once per scene, unless the lists are
// the ones already loaded. Each file is decoded once and its picture shared
// by every slot that names it.
void SceneRunner::preloadEncipheredFrames() {
    const std::string key =
        UCase(m_scene.animText) + UCase(m_scene.layerText) + UCase(m_scene.layer2Text);
    if (m_scene.name == m_shared.PreviousScene || key == m_scene.PreviousListKey) return;
    struct Target {
        AnimationList& list;
        render::BitmapPtr* bitmaps;
    };
    Target targets[] = {{m_scene.anim, m_render.AnimBitmaps.data()},
                        {m_scene.layer, m_render.LayerBitmaps.data()},
                        {m_scene.layer2, m_render.Layer2Bitmaps.data()}};
    std::unordered_map<std::string, Result<QImage>> decoded;
    for (auto& [list, bitmaps] : targets) {
        for (int i = 1; i <= list.count; ++i) {
            if (Trim(list.entries[static_cast<size_t>(i)]).empty()) {
                list.count = i - 1;
                break;
            }
            const std::string path = entryPath(list, i);
            const auto known = decoded.find(path);
            auto picture =
                prepareEnciphered(path, false, known == decoded.end() ? nullptr : &known->second);
            if (!picture) return;  // the program is ending
            if (picture->image && known == decoded.end()) decoded.emplace(path, *picture->image);
            const double share = static_cast<double>(i) / list.count * 100;
            m_host.setTitle("Tavicast - " + std::to_string(CLng(share).value_or(0)) + "%");
            m_host.processEvents();
            for (;;) {
                auto& slot = bitmaps[i - 1];
                slot = m_render.newBitmap();
                if (picture->image) slot->LoadDecoded(*picture->image, picture->messagePath);
                slot->SetTarget(m_render.BackBufferDC());
                if (i < list.count && list.entries[static_cast<size_t>(i + 1)] ==
                                          list.entries[static_cast<size_t>(i)]) {
                    ++i;
                    continue;
                }
                break;
            }
            m_host.processEvents();
            if (stopped()) return;
        }
    }
    m_host.setTitle("Tavicast");
    m_render.DirtyRects.reset();
    for (auto& [list, bitmaps] : targets) {
        int n = 0;
        while (n < list.count && !list.entries[static_cast<size_t>(n + 1)].empty()) ++n;
        list.count = n;
        for (int i = 0; i < n; ++i) render::AddDirty(m_render.DirtyRects, FullFrameRect);
    }
}

void SceneRunner::startFrameCounters() {
    auto& bg = m_scene.anim;
    if (!Trim(m_scene.imagePath).empty()) {
        if (bg.loopCount.empty()) bg.loopCount = "1";
        if (bg.count == 0) bg.count = 1;
    }
    if (bg.loopCount == "0") bg.loopCount = "1";
    bg.counter = m_scene.layer.counter = m_scene.layer2.counter = 0;
    m_render.AnimFrame = m_render.LayerFrame = m_render.Layer2Frame = 0;
}

void SceneRunner::wrap(AnimationList& list, bool emptyStaysZero) {
    if (list.counter <= list.count) return;
    if (emptyStaysZero && list.count == 0) {
        list.counter = 0;
        return;
    }
    auto loop = loopValue(list.loopCount);
    if (loop && *loop != 9999) {
        *loop -= 1;
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.17g", *loop);
        list.loopCount = buf;
    }
    // A count that plays no more holds the list on its last entry.
    list.counter = loop && *loop > 0 ? 1 : list.count;
}

void SceneRunner::advanceCounters() {
    wrap(m_scene.anim, false);
    wrap(m_scene.layer, true);
    // The second overlay wraps on its own even when the first is empty.
    wrap(m_scene.layer2, true);
    m_render.AnimFrame = static_cast<std::int16_t>(m_scene.anim.counter);
    m_render.LayerFrame = static_cast<std::int16_t>(m_scene.layer.counter);
    m_render.Layer2Frame = static_cast<std::int16_t>(m_scene.layer2.counter);
}

SceneRunner::Flow SceneRunner::tickPictures() {
    const bool enciphered = m_player.m_game.enciphered == 1;
    const auto& sprite = m_scene.sprite;
    auto centre = [&](render::BitmapPtr& slot) {
        if (slot)
            slot->CenterOn(CLng(sprite.x).value_or(0), CLng(sprite.y).value_or(0));
    };
    if (enciphered) {
        if (!Trim(m_scene.imagePath).empty()) {
            if (!loadEncipheredBackground()) return Flow::Stop;
            m_render.DirtyRects.reset();
        }
        if (sprite.on) {
            if (Flow f = moveSprite(); f != Flow::Next) return f;
            const int slot = m_render.LayerFrame - 1;
            if (slot >= 0 && slot < 50) centre(m_render.LayerBitmaps[static_cast<size_t>(slot)]);
        }
        render::AddDirty(m_render.DirtyRects, FullFrameRect);
        return Flow::Next;
    }

    auto& bg = m_render.SceneBackground;
    const std::string image(Trim(m_scene.imagePath));
    loadPicture(bg, image.empty() ? entryPath(m_scene.anim, m_render.AnimFrame) : image);
    m_render.DirtyRects.reset();

    auto& layer = m_render.LayerBitmaps[0];
    if (sprite.on) {
        layer = m_render.newBitmap();
        if (Flow f = moveSprite(); f != Flow::Next) return f;
    } else {
        loadPicture(layer, entryPath(m_scene.layer, m_render.LayerFrame));
    }
    render::AddDirty(m_render.DirtyRects, FullFrameRect);
    if (sprite.on) centre(layer);
    layer->SetTarget(m_render.BackBufferDC());

    loadPicture(m_render.Layer2Bitmaps[0], entryPath(m_scene.layer2, m_render.Layer2Frame));
    render::AddDirty(m_render.DirtyRects, FullFrameRect);
    m_host.processEvents();
    m_player.Render();
    m_host.processEvents();
    return stopped() ? Flow::Stop : Flow::Next;
}

}  // namespace parvel
