#include "MediaSystem.h"

#include <algorithm>
#include <atomic>

#include "MediaModules.h"

#include "MediaLog.h"
#include "MusicSynth.h"
#include "Paths.h"
#include "TextCodec.h"
#include "WaveSound.h"

namespace parvel {

std::vector<std::string> MediaOptions::defaultSoundFontList() { return defaultSoundFonts(); }

MediaSystem::MediaSystem(Host& host, MediaOptions options)
    : m_host(host), m_realTime(options.useAudioDevice) {
    m_mixer = std::make_unique<Mixer>([&host] { return host.now(); }, options.useAudioDevice);
    m_synth = std::make_unique<MusicSynth>(std::move(options.soundFont),
                                           std::move(options.soundFontSearch));
    m_commands = std::make_unique<MediaCommands>(*m_mixer, *m_synth);
    m_effect = std::make_unique<EffectVoice>(*m_mixer);
}

MediaSystem::~MediaSystem() {
    if (m_videoLoader.joinable()) m_videoLoader.join();
    // Devices and voices leave the mixer before it closes.
    m_commands.reset();
    m_effect.reset();
    m_mixer.reset();
}

void MediaSystem::setDirectories(std::string soundDirectory, std::string musicDirectory) {
    m_soundDirectory = std::move(soundDirectory);
    m_musicDirectory = std::move(musicDirectory);
}

void MediaSystem::setSoundFont(std::string path) { m_synth->setSoundFont(std::move(path)); }

std::string MediaSystem::switchSoundFont(const std::string& path) {
    return m_synth->switchSoundFont(path);
}

void MediaSystem::applyVolume() {
    const PlayerSettings& s = m_host.settings();
    const auto part = [](int percent) { return std::clamp(percent, 0, 100) / 100.0f; };
    const float master = s.Mute ? 0.0f : part(s.MasterVolume);
    m_mixer->setGains(master * part(s.SoundVolume), master * part(s.MusicVolume));
}

void MediaSystem::setVideoSink(std::int32_t parentHandle, VideoSink* sink) {
    m_commands->setVideoSink(parentHandle, sink);
}

void MediaSystem::setCommandLog(std::function<void(std::string_view)> log) {
    m_commands->onCommand = std::move(log);
}

int MediaSystem::send(std::string_view command, std::string* reply) {
    if (!m_quiet) return m_commands->send(command, reply);
    auto log = std::exchange(m_commands->onCommand, nullptr);
    const int code = m_commands->send(command, reply);
    m_commands->onCommand = std::move(log);
    return code;
}

MediaSystem::SongState MediaSystem::songState() {
    m_mixer->advance();
    const auto place = m_commands->songPlace("MFile");
    return {m_musicPath, place.open, place.playing, place.frame};
}

void MediaSystem::silence() {
    m_quiet = true;
    CloseVideo();
    send("stop MFile");
    send("close MFile");
    m_effect->stop();
    m_quiet = false;
}

void MediaSystem::restoreSong(const SongState& state) {
    m_quiet = true;
    send("stop MFile");
    send("close MFile");
    m_musicPath = state.path;
    if (state.open && send("open \"" + state.path + "\" Type sequencer Alias MFile") == 0) {
        m_commands->seekSong("MFile", state.frame);
        if (state.playing) send("play MFile");
    }
    m_quiet = false;
}

bool MediaSystem::playSound(std::string_view name, unsigned flags) {
    m_mixer->advance();
    // No-stop: refused at once while an effect plays, nothing cut off.
    if ((flags & kSndNoStop) && m_effect->playing()) return false;
    const std::string path =
        resolvePath(isValidUtf8(name) ? std::string(name) : cp1252ToUtf8(name));
    auto wave = loadWave(path);
    if (onSound) onSound(name);
    if (!wave) {
        // A name that plays nothing still replaces the sound that plays (the
        // exit paths rely on this). It counts as started, standing in for the
        // fallback sound: a sequence with a missing name moves on instead of
        // retrying it forever.
        qCDebug(lcMedia) << "sound not played:" << path.c_str() << wave.error().description.c_str();
        m_effect->stop();
        return true;
    }
    m_effect->start(std::move(*wave));
    return true;
}

Micros MediaSystem::soundEffectEnd() {
    m_mixer->advance();
    const std::int64_t end = m_effect->endFrame();
    return end < 0 ? -1 : m_mixer->timeOfFrame(end);
}

void MediaSystem::settleVideo(int timeoutMs) {
    m_mixer->advance();
    m_commands->settleVideo(timeoutMs);
}

void MediaSystem::prepareVideo() {
    // A virtual clock does not wait for the loading.
    static std::atomic<bool> started{false};
    if (!m_realTime || started.exchange(true)) return;
    m_videoLoader = std::thread([] { videoBackend(); });
}

void MediaSystem::shutdown() {
    m_commands->closeAll();
    m_effect->stop();
}

}  // namespace parvel
