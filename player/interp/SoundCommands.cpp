// Scene sound, sound sequence, music and video clips.

#include "MediaSystem.h"
#include "SceneLists.h"
#include "SceneRunner.h"
#include "Vb.h"

namespace parvel {

using namespace vb;

SceneRunner::Flow SceneRunner::readMusic() {
    const std::string value = get("@music");
    if (UCase(Trim(value)) == "STOP") {
        m_scene.musicPath.clear();
        if (m_media) m_media->MusicControl("", "stop");
    } else {
        m_scene.musicPath = m_player.m_setup.musicDir + native(value);
    }
    return Flow::Next;
}

SceneRunner::Flow SceneRunner::readMedia() {
    m_scene.mediaName = std::string(Trim(get("@media")));
    if (UCase(m_scene.mediaName) == "STOP") {
        m_scene.mediaName.clear();
        if (m_media) m_media->CloseVideo();
    }
    if (!m_scene.mediaName.empty() && UCase(m_scene.mediaName) != UCase(m_shared.LastMedia)) {
        const std::string type =
            LCase(Right(m_scene.mediaName, 4)) == ".avi" ? "AviVideo" : "MPEGVideo";
        if (m_media) {
            m_media->CloseVideo();
            m_media->OpenVideo(kVideoAreaHandle, m_player.m_setup.soundDir + native(m_scene.mediaName), type);
            m_media->VideoLength();
        }
    }
    return Flow::Next;
}

SceneRunner::Flow SceneRunner::readSounds() {
    const std::string sound = get("@sound");
    m_scene.soundPath = Trim(sound).empty() ? "" : m_player.m_setup.soundDir + native(sound);
    (void)get("@soundloop");  // accepted, no effect

    MultiSoundQueue scratch;
    MultiSoundQueue& q = m_media ? m_media->multiSoundQueue() : scratch;
    q.passes = 0;
    std::string list = std::string(Trim(get("@multiSound")));
    const std::string loop = std::string(Trim(get("@multiSoundLoop")));
    if (UCase(loop) == "FOREVER") q.passLimit = 9999;
    else if (auto n = CInt(loop)) q.passLimit = *n;
    if (list.empty()) return Flow::Next;
    q.active = true;
    q.count = static_cast<std::int16_t>(parseSoundList(list, q.names));
    return Flow::Next;
}

void SceneRunner::startSounds() {
    const std::string sound(Trim(m_scene.soundPath));
    if (m_media) {
        if (!sound.empty()) m_media->PlaySoundEffect(sound);
        m_media->MusicControl(Trim(m_scene.musicPath), "open");
    }
    m_scene.nextMusicCheck = m_host.now() + kMicrosPerSecond;
}

void SceneRunner::checkMusic() {
    const Micros now = m_host.now();
    if (now - m_scene.nextMusicCheck <= kMicrosPerSecond) return;
    m_scene.nextMusicCheck = now + kMicrosPerSecond;
    if (m_media) m_media->MusicControl(Trim(m_scene.musicPath), "CheckForce");
}

bool SceneRunner::leadsToClip() const {
    auto showsClip = [&](const std::string& name) {
        return !Trim(name).empty() && m_player.showsClip(m_table.FindScene(name));
    };
    for (int k = 1; k <= 6; ++k)
        if (showsClip(m_shared.LinkTargets[static_cast<size_t>(k)])) return true;
    for (const auto& spot : m_scene.hotSpots)
        if (showsClip(spot.target)) return true;
    return showsClip(m_combat.winScene) || showsClip(m_combat.loseScene);
}

SceneRunner::Flow SceneRunner::videoPhase() {
    m_host.showVideoArea(true);
    m_host.processEvents();
    auto mode = [&] { return m_media ? m_media->VideoMode() : std::string("ERROR"); };
    if (mode() != "playing" && m_media) m_media->PlayVideo("", "");
    const std::string kind = UCase(Right(m_scene.mediaName, 4));
    m_passWaited = true;
    for (;;) {
        sleepUntil(m_host, m_host.now() + kMicrosPerSecond / 2,
                   [&] { return m_shared.OptionChosen || stopped(); });
        if (stopped()) break;
        if (mode() != "playing") break;
        if (m_shared.OptionChosen) {
            if (m_media) m_media->StopVideo();
            break;
        }
        if (kind == ".MPG" || kind == ".AVI") continue;
        break;
    }
    m_host.showVideoArea(false);
    m_shared.LastMedia = m_scene.mediaName;
    m_scene.mediaName.clear();
    return stopped() ? Flow::Stop : Flow::Next;
}

}  // namespace parvel
