#include "Player.h"

#include "BitmapErrorReporter.h"
#include "MediaSystem.h"
#include "Paths.h"
#include "PictureCache.h"
#include "SceneRunner.h"
#include "Vb.h"

#include <utility>

namespace parvel {

Player::Player(Host& host, MediaSystem* media)
    : m_host(host),
      m_media(media),
      m_reporter(std::make_unique<render::HostBitmapReporter>(host)),
      m_render(std::make_unique<render::RenderState>(m_reporter.get())),
      m_pictures(std::make_unique<PictureCache>()),
      m_table(host) {}

Player::~Player() = default;

void Player::startUp() {
    m_render->FadeState.FadeSwitch = "FALSE";
    m_game.enciphered = 0;
    m_render->enciphered = 0;
    render::LoadStartPictures(*m_render, findProgramFile("tavicast.bmp"),
                              findProgramFile("blk.bmp"));
}

void Player::Render() {
    const bool queued = m_render->DirtyRects.last() > 0;
    render::Render(*m_render, m_host);
    if (queued) m_host.pictureChanged();
}

bool Player::showsClip(int slot) const {
    return slot > 0 && vb::UCase(m_table.text(slot)).find("@MEDIA") != std::string::npos;
}

void Player::noteClips() {
    m_namesClips = false;
    for (int slot = 1; slot <= SceneTable::kSlots && !m_namesClips; ++slot) m_namesClips = showsClip(slot);
}

bool Player::superseded(int generation) const {
    return generation != m_generation || m_host.quitting();
}

void Player::requestStart(const std::string& scene) {
    // Whatever plays now ends at its next event-processing point; MainLoop
    // then starts this one, so runs never pile up inside each other.
    ++m_generation;
    m_pendingStart = scene;
    m_startLeavesScene = false;
}

void Player::MainLoop() {
    constexpr Micros kSoundPoll = kMicrosPerSecond / 20;
    constexpr Micros kIdle = 3600 * kMicrosPerSecond;
    while (!m_host.quitting()) {
        if (m_media) m_media->PollMultiSound();
        Render();
        if (m_pendingRestore) {
            auto restore = std::move(*m_pendingRestore);
            m_pendingRestore.reset();
            restoreNow(std::move(restore));
            continue;
        }
        if (m_pendingOpen) {
            const std::string path = *m_pendingOpen;
            m_pendingOpen.reset();
            openNow(path);
            continue;
        }
        if (m_pendingStart) {
            const std::string scene = *m_pendingStart;
            m_pendingStart.reset();
            SceneRunner runner(*this, m_generation);
            if (std::exchange(m_startLeavesScene, false)) runner.leaveScene();
            ++m_playing;
            runner.PlayScene(scene);
            --m_playing;
            continue;
        }
        // Nothing to draw until input arrives; a sound sequence still
        // needs its steps.
        const bool polling = m_media && m_media->multiSoundQueue().active;
        m_host.waitUntil(m_host.now() + (polling ? kSoundPoll : kIdle));
    }
}

}  // namespace parvel
