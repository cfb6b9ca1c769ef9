// Sound effects, the sound sequence and scene music.
#include "MediaLog.h"
#include "MediaSystem.h"
#include "Vb.h"

namespace parvel {

namespace {
double leadingNumber(std::string_view reply) { return vb::Val(vb::LTrim(reply)); }
}  // namespace

std::int32_t MediaSystem::PlaySoundEffect(std::string_view name, std::string_view mode) {
    if (!m_host.settings().PlaySounds) return 0;
    const auto number = vb::CDbl(mode);
    if (!(number && *number == 1)) {
        playSound(name, kSndAsync);
        return 0;
    }
    // One step of the sound sequence.
    auto& q = m_queue;
    q.position = static_cast<std::int16_t>(q.position + 1);
    if (q.position > q.count) {
        q.passes = static_cast<std::int16_t>(q.passes + 1);
        if (q.passes >= q.passLimit) {
            q.active = false;
            q.position = static_cast<std::int16_t>(q.count + 1);
            q.passes = static_cast<std::int16_t>(q.passLimit + 1);
            return 0;
        }
        q.position = 1;
    }
    const std::string& entry =
        q.position >= 1 && q.position <= 5 ? q.names[static_cast<size_t>(q.position - 1)] : std::string();
    return playSound(m_soundDirectory + entry, kSndAsync | kSndNoStop) ? 1 : 0;
}

void MediaSystem::PollMultiSound() {
    if (!m_queue.active || !m_host.settings().PlaySounds) return;
    if (PlaySoundEffect("", "1") == 0 && m_queue.active)
        m_queue.position = static_cast<std::int16_t>(m_queue.position - 1);
}

std::string MediaSystem::MediaQuery(std::string_view command) {
    std::string reply;
    if (send(command, &reply) != 0) return {};
    return std::string(vb::Trim(reply));
}

void MediaSystem::MusicControl(std::string_view path, std::string_view mode) {
    auto openAndPlay = [this](std::string_view song) {
        send("open \"" + std::string(song) + "\" Type sequencer Alias MFile");
        send("play MFile");
    };
    if (mode == "CheckForce") {
        const double length = leadingNumber(MediaQuery("status MFile length"));
        if (length != 0) {
            const double position = leadingNumber(MediaQuery("status MFile position"));
            if (position / length >= 1) {
                send("stop MFile");
                send("close MFile");
                // A scene that names no song passes the music folder; the song
                // that plays on is the remembered one, so loop that instead of
                // trying to open the folder (which would end the music).
                openAndPlay(path == m_musicDirectory ? std::string_view(m_musicPath) : path);
                return;
            }
        }
    }
    if (!m_host.settings().PlayMusic) return;
    bool stopOld = false;
    bool openNew = false;
    if (mode == "open") {
        if (!m_musicPath.empty()) {
            if (path == m_musicPath) return;       // the song goes on
            if (path == m_musicDirectory) return;  // the scene names no song
            stopOld = true;
            openNew = true;
        }
    }
    if (mode != "open" || !m_musicPath.empty()) {
        if (path == "!" || path.empty()) stopOld = true;
        if (stopOld) {
            send("stop MFile");
            send("close MFile");
        }
        if (!openNew) return;
    }
    m_musicPath = std::string(path);
    openAndPlay(path);
}

}  // namespace parvel
