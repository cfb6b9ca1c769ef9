// Taking the state at a scene's start, putting it back, going back a scene
// and the story so far.

#include <QBuffer>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>

#include "BmpReader.h"
#include "Cipher.h"
#include "GameSetup.h"
#include "Integrity.h"
#include "MediaSystem.h"
#include "Paths.h"
#include "PngData.h"
#include "Render.h"
#include "SaveFile.h"
#include "SceneLists.h"
#include "SceneRunner.h"
#include "TextCodec.h"
#include "Vb.h"

namespace parvel {

namespace {

std::string pngOf(const QImage& image) {
    if (image.isNull()) return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", 80);  // light compression: a save is taken every scene
    return bytes.toStdString();
}

// What checkSaveValues lets through is what the player writes.
static_assert(kSavedPictureFormat == QImage::Format_RGB32);
static_assert(kSavedPictureWidth == render::kPictureWidth &&
              kSavedPictureHeight == render::kPictureHeight);
static_assert(kMaxSavedPictureBytes == render::kMaxDecodedBytes);
static_assert(kMaxSceneSlot == SceneTable::kSlots);

// A saved picture in the one layout the blitters draw on, whatever the PNG
// decodes to.
QImage imageOf(const std::string& png) {
    QImage image = readPngWithinLimit(png);
    if (image.isNull() || image.format() == QImage::Format_RGB32) return image;
    return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

std::string localTimeNow() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

namespace {

// A game file's bytes as the scene table takes them.
std::string scriptText(const std::string& path, std::string bytes) {
    return isEncipheredName(path) ? DecipherScript(bytes) : std::move(bytes);
}

std::string stripMarker(std::string text) {
    constexpr std::string_view kMarker = " <--";
    if (text.size() >= kMarker.size() && text.ends_with(kMarker)) text.resize(text.size() - kMarker.size());
    return text;
}

}  // namespace

// The same bytes in the same layout (cheaper than comparing pixels).
bool sameImage(const QImage& a, const QImage& b) {
    return a.format() == b.format() && a.size() == b.size() && a.sizeInBytes() == b.sizeInBytes() &&
           std::memcmp(a.constBits(), b.constBits(), static_cast<size_t>(a.sizeInBytes())) == 0;
}

const std::string& Player::PngMemo::png(const QImage& image) {
    // Most scenes start on the picture the last one ended with, or on one
    // already seen: compare before compressing again.
    if (!sameImage(image, last)) {
        last = image;
        bytes = pngOf(image);
    }
    return bytes;
}

// The values a save keeps as they are, each beside the one it keeps, for
// taking the state and putting it back alike.
template <class S, class Transfer>
void Player::eachKeptValue(S& s, Transfer transfer) {
    transfer(s.scene, m_scene.name);
    transfer(s.linkTargets, m_shared.LinkTargets);
    transfer(s.linkGo, m_shared.LinkGo);
    transfer(s.chosenOption, m_shared.ChosenOption);
    transfer(s.previousScene, m_shared.PreviousScene);
    transfer(s.walkRight, m_shared.WalkRight);
    transfer(s.walkLeft, m_shared.WalkLeft);
    transfer(s.walkKeyHeld, m_shared.WalkKeyHeld);
    transfer(s.actionKey, m_shared.ActionKey);
    transfer(s.enemyDeclaredMax, m_combat.enemyDeclaredMax);
    transfer(s.heroMax, m_combat.heroMax);
    transfer(s.enemyMax, m_combat.enemyMax);
    transfer(s.heroPoints, m_combat.heroPoints);
    transfer(s.enemyPoints, m_combat.enemyPoints);
    transfer(s.winScene, m_combat.winScene);
    transfer(s.loseScene, m_combat.loseScene);
    transfer(s.optionTexts, m_scene.optionTexts);
    transfer(s.randomLinkPrefix, m_scene.RandomLinkPrefix);
    transfer(s.randomLinkCount, m_scene.RandomLinkCount);
    transfer(s.previousListKey, m_scene.PreviousListKey);
    transfer(s.previousAnimText, m_scene.previousAnimText);
    transfer(s.previousLayerText, m_scene.previousLayerText);
    transfer(s.previousLayer2Text, m_scene.previousLayer2Text);
    transfer(s.frameDelay, m_scene.FrameDelay);
    transfer(s.musicPath, m_scene.musicPath);
    transfer(s.soundPath, m_scene.soundPath);
    transfer(s.mediaName, m_scene.mediaName);
    transfer(s.walkAnnounced, m_walkAnnounced);
    auto& r = *m_render;
    transfer(s.fadeSwitch, r.FadeState.FadeSwitch);
    transfer(s.fadeAlpha, r.FadeState.FadeAlpha);
    transfer(s.fadeStepLimit, r.FadeState.FadeStepLimit);
    transfer(s.fadeStepCount, r.FadeState.FadeStepCount);
    transfer(s.layersActive, r.LayersActive);
    transfer(s.animFrame, r.AnimFrame);
    transfer(s.layerFrame, r.LayerFrame);
    transfer(s.layer2Frame, r.Layer2Frame);
}

SaveState Player::captureState(int instantPasses) {
    SaveState s;
    s.gamePath = m_loaded.empty() ? m_game.path : m_loaded.front().first;
    s.gameDigest = m_game.digest;
    for (const auto& [file, digest] : m_loaded) {
        s.loadedFiles.push_back(file);
        s.loadedDigests.push_back(digest);
    }
    s.enciphered = m_game.enciphered;
    s.currentSlot = m_table.currentSlot();
    eachKeptValue(s, [](auto& saved, const auto& live) { saved = live; });
    s.lastMedia = m_shared.LastMedia;
    s.instantPasses = instantPasses;

    const auto& r = *m_render;
    s.picturePng = m_pictureMemo.png(r.Picture1);
    s.pictureFormat = r.Picture1.format();
    s.hasBackBuffer = r.BackBuffer != nullptr;
    if (r.BackBuffer) {
        const QImage& back = r.BackBuffer->image();
        if (!sameImage(back, r.Picture1)) {
            s.backBufferPng = m_backBufferMemo.png(back);
            s.backBufferFormat = back.format();
        }
    }
    for (size_t i = 1; i < r.DirtyRects.size(); ++i) {
        const auto& d = r.DirtyRects[i];
        s.dirtyRects.push_back({d.left, d.top, d.right, d.bottom});
    }

    for (int c = 0; c < kControlCount; ++c) {
        s.captions[static_cast<size_t>(c)] = m_host.caption(static_cast<Control>(c));
        s.colours[static_cast<size_t>(c)] = m_host.foreColour(static_cast<Control>(c));
    }
    s.title = m_host.title();
    s.spriteSpeedBonus = m_host.settings().SpriteSpeedBonus;
    if (m_media) {
        const auto song = m_media->songState();
        s.songPath = song.path;
        s.songOpen = song.open;
        s.songPlaying = song.playing;
        s.songFrame = song.frame;
    }
    s.randomState = m_host.randomState();
    if (const int slot = m_table.FindScene(m_scene.name); slot > 0)
        if (auto text = m_table.readDirective(slot, m_scene.name, "@description"))
            s.firstLine = firstTextLine(ReplaceLineBreaks(Host::captionPart(*text)));
    return s;
}

void Player::sceneStarted(SaveState state) {
    m_back.push_back({std::move(state), m_history.size()});
    while (m_back.size() > kBackSteps + 1) m_back.pop_front();
    if (onSceneStart) onSceneStart(m_back.back().state);
}

std::optional<SaveState> Player::saveState() const {
    if (m_back.empty()) return std::nullopt;
    SaveState s = m_back.back().state;
    s.history.assign(m_history.begin(),
                     m_history.begin() + static_cast<std::ptrdiff_t>(
                                             std::min(m_back.back().historyLength, m_history.size())));
    s.savedAt = localTimeNow();
    s.thumbnailPng = pngOf(m_render->Picture1);
    return s;
}

void Player::recordSceneText() {
    m_history.push_back({m_host.caption(Control::Label2), {}});
    m_passEntry = m_history.size() - 1;
}

// Left by walking onto a hot spot: no option was chosen, whatever the slot
// the hot spot borrows says.
void Player::recordWalk() {
    if (!m_passEntry || *m_passEntry >= m_history.size()) return;
    m_history[*m_passEntry].chosen = "(walked on)";
    m_passEntry.reset();
}

std::string Player::pictureNowPng() const { return pngOf(m_render->Picture1); }

void Player::sceneShown() {
    if (onSceneShown) onSceneShown();
}

void Player::recordChoice(int option) {
    if (!m_passEntry || *m_passEntry >= m_history.size()) return;
    if (option >= 1 && option <= 6) m_history[*m_passEntry].chosen = stripMarker(m_host.caption(optionLabel(option)));
    m_passEntry.reset();
}

std::optional<std::string> Player::checkSave(const SaveState& state, bool* changed) const {
    // The files as they are now, loaded in the saved order into a table of
    // our own: nothing here may touch the game that plays.
    SceneTable table(m_host);
    bool differs = false;
    for (size_t i = 0; i < state.loadedFiles.size(); ++i) {
        auto text = readWholeFile(state.loadedFiles[i]);
        if (!text) {
            if (i == 0)
                return "the game file " + utf8ToCp1252(state.loadedFiles[i]).value_or(state.loadedFiles[i]) +
                       " cannot be read";
            continue;  // a chained file that is missing loaded nothing then either
        }
        differs = differs || BytesDigest(*text) != state.loadedDigests[i];
        table.loadText(scriptText(state.loadedFiles[i], std::move(*text)));
    }
    if (changed) *changed = differs;
    if (table.FindScene(state.scene) == 0)
        return "the game has no scene \"" + state.scene + "\" any more";
    return std::nullopt;
}

void Player::restore(SaveState state) { queueRestore({std::move(state), false, 0}); }

void Player::queueRestore(PendingRestore restore) {
    ++m_generation;  // the game that plays now ends
    m_pendingStart.reset();
    m_pendingOpen.reset();
    if (m_playing > 0) {
        m_pendingRestore = std::move(restore);
        return;
    }
    restoreNow(std::move(restore));
}

bool Player::canGoBack() const {
    const bool backPending = m_pendingRestore && m_pendingRestore->goingBack;
    return m_back.size() + (backPending ? 1 : 0) >= 2;
}

bool Player::goBack() {
    if (!canGoBack()) return false;
    // A step back not yet taken counts as the scene playing now.
    if (m_pendingRestore && m_pendingRestore->goingBack) {
        m_back.push_back({std::move(m_pendingRestore->state), m_pendingRestore->historyLength});
        m_pendingRestore.reset();
    }
    m_back.pop_back();  // the scene playing now
    BackStep previous = std::move(m_back.back());
    m_back.pop_back();  // taken again when that scene starts
    m_history.resize(std::min(previous.historyLength, m_history.size()));
    queueRestore({std::move(previous.state), true, previous.historyLength});
    return true;
}

void Player::restoreNow(PendingRestore restore) {
    SaveState& s = restore.state;
    if (m_media) m_media->silence();
    m_host.showVideoArea(false);  // a clip cut off leaves the picture showing
    if (m_host.settings().ReadAloud) m_host.stopSpeaking();

    // The game, loaded the way it was: Setup from the file first opened,
    // then every chained file in order. Quietly: a load already happened.
    // A state of the very files loaded now (going back, or a save made in
    // this session) finds the table and Setup as they were.
    std::vector<std::pair<std::string, std::string>> files;
    for (size_t i = 0; i < s.loadedFiles.size(); ++i) files.emplace_back(s.loadedFiles[i], s.loadedDigests[i]);
    if (restore.reloadFiles || files != m_loaded) {
        // Reloading an edited game starts from an empty table, as a fresh
        // start would: a scene taken out of the files must not linger.
        if (restore.reloadFiles) m_table.clear();
        for (size_t i = 0; i < files.size(); ++i) {
            const std::string& file = files[i].first;
            auto bytes = readWholeFile(file);
            if (restore.reloadFiles) files[i].second = BytesDigest(bytes.value_or(std::string()));
            if (i == 0) m_game.digest = BytesDigest(bytes.value_or(std::string()));
            if (bytes) m_table.loadText(scriptText(file, std::move(*bytes)));
            if (i == 0) ApplySetup(m_host, m_table, m_setup, file);
        }
        m_loaded = std::move(files);
    }
    m_game.path = s.loadedFiles.back();
    m_game.enciphered = isEncipheredName(m_game.path) ? 1 : 0;
    m_render->enciphered = m_game.enciphered;
    m_table.setCurrentSlot(std::clamp(s.currentSlot, 0, SceneTable::kSlots));  // a save is input
    noteClips();
    if (m_media) m_media->setDirectories(m_setup.soundDir, m_setup.musicDir);

    // Everything else of the shared and scene state starts as a new run's
    // would. A clip does not resume in the middle (LastMedia stays empty):
    // the scene that names it starts it again.
    m_shared = SharedState{};
    m_scene = SceneState{};
    eachKeptValue(s, [](const auto& saved, auto& live) { live = saved; });

    auto& r = *m_render;
    if (m_game.enciphered == 1 && !s.previousListKey.empty())
        SceneRunner(*this, m_generation).reloadLists(s.previousAnimText, s.previousLayerText,
                                                     s.previousLayer2Text);
    if (QImage picture = imageOf(s.picturePng); picture.size() == r.Picture1.size())
        r.Picture1 = picture;
    if (r.BackBuffer && s.hasBackBuffer) {
        r.BackBuffer->setPicture(s.backBufferPng.empty() ? r.Picture1 : imageOf(s.backBufferPng));
        r.BackBuffer->SetTarget(&r.Picture1);
    }
    r.DirtyRects.reset();
    for (const auto& d : s.dirtyRects) r.DirtyRects.add({d[0], d[1], d[2], d[3]});
    m_host.pictureChanged();

    for (int c = 0; c < kControlCount; ++c) {
        m_host.setCaption(static_cast<Control>(c), s.captions[static_cast<size_t>(c)]);
        m_host.setForeColour(static_cast<Control>(c), s.colours[static_cast<size_t>(c)]);
    }
    m_host.setTitle(s.title);
    m_host.settings().SpriteSpeedBonus = s.spriteSpeedBonus;
    if (m_media) m_media->restoreSong({s.songPath, s.songOpen, s.songPlaying, s.songFrame});

    if (!restore.goingBack) {
        m_back.clear();
        m_history = std::move(s.history);
    }
    m_passEntry.reset();
    m_host.setRandomState(s.randomState);
    m_resumePasses = s.instantPasses;
    ++m_generation;
    m_pendingStart = s.scene;
    m_startLeavesScene = false;
}

void SceneRunner::reloadLists(const std::string& anim, const std::string& layer,
                              const std::string& layer2) {
    m_scene.animText = anim;
    m_scene.layerText = layer;
    m_scene.layer2Text = layer2;
    parsePictureList(m_scene.anim, anim);
    parsePictureList(m_scene.layer, layer);
    parsePictureList(m_scene.layer2, layer2);
    const std::string name = std::exchange(m_scene.name, {});
    const std::string previous = std::exchange(m_shared.PreviousScene, "\x01");
    const std::string key = std::exchange(m_scene.PreviousListKey, "\x01");
    preloadEncipheredFrames();
    m_scene.name = name;
    m_shared.PreviousScene = previous;
    m_scene.PreviousListKey = key;
    m_scene.anim.clear();
    m_scene.layer.clear();
    m_scene.layer2.clear();
    m_scene.animText.clear();
    m_scene.layerText.clear();
    m_scene.layer2Text.clear();
}

}  // namespace parvel
