#include "MusicSynth.h"

#include <algorithm>
#include <filesystem>

#include "MediaLog.h"
#include "MidiFile.h"

namespace parvel {

namespace {

bool isFile(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

}  // namespace

std::vector<std::string> defaultSoundFonts() {
    return {"/usr/share/sounds/sf2/FluidR3_GM.sf2",   "/usr/share/sounds/sf2/TimGM6mb.sf2",
            "/usr/share/sounds/sf2/default-GM.sf2",   "/usr/share/sounds/sf3/default-GM.sf3",
            "/usr/share/sounds/sf3/MuseScore_General.sf3", "/usr/share/soundfonts/default.sf2",
            "/usr/share/soundfonts/FluidR3_GM.sf2"};
}

MusicSynth::MusicSynth(std::string soundFont, std::vector<std::string> search)
    : m_soundFont(std::move(soundFont)), m_search(std::move(search)) {}

MusicSynth::~MusicSynth() = default;

std::string MusicSynth::switchSoundFont(const std::string& soundFont) {
    if (!isFile(soundFont)) return "the file is not there";
    std::shared_ptr<MusicBackend> backend = newMusicBackend();
    if (!backend) return "the music module could not be loaded";
    const std::string inUse = backend->load({soundFont}, kMixRate);
    if (inUse.empty()) return "it is not a soundfont the synthesiser can read";
    m_soundFont = soundFont;
    m_backend = std::move(backend);
    m_inUse = inUse;
    m_tried = true;
    return {};
}

std::shared_ptr<MusicBackend> MusicSynth::synth() {
    if (m_tried) return m_backend;
    m_tried = true;
    std::vector<std::string> candidates;
    if (!m_soundFont.empty()) {
        if (isFile(m_soundFont))
            candidates.push_back(m_soundFont);
        else
            qCWarning(lcMedia) << "soundfont not found:" << m_soundFont.c_str();
    }
    for (const auto& s : m_search)
        if (isFile(s)) candidates.push_back(s);
    if (candidates.empty()) {
        qCDebug(lcMedia) << "no soundfont: music is silent";
        return nullptr;
    }
    m_backend = newMusicBackend();
    if (!m_backend) return nullptr;
    m_inUse = m_backend->load(candidates, kMixRate);
    if (m_inUse.empty()) m_backend.reset();
    return m_backend;
}

MusicVoice::MusicVoice(Mixer& mixer, MusicSynth& synth, std::string midi, std::int64_t lengthFrames)
    : m_mixer(mixer), m_synth(synth), m_midi(std::move(midi)), m_length(lengthFrames) {
    if (auto info = readMidiInfo(m_midi)) m_defaultPrograms = info->defaultProgramChannels;
    m_mixer.addSource(this);
}

MusicVoice::~MusicVoice() {
    m_mixer.removeSource(this);
    auto g = m_mixer.lock();
    m_song.reset();
    m_backend.reset();
}

void MusicVoice::play() {
    // Loading the soundfont takes a while: never with the mixer locked.
    std::shared_ptr<MusicBackend> backend = m_mixer.audible() ? m_synth.synth() : nullptr;
    {
        auto g = m_mixer.lock();
        if (m_pos >= m_length) return;  // at the end: stays stopped
        m_playing = true;
        if (backend && !m_song) {
            m_song = backend->newSong(m_midi, m_defaultPrograms);
            if (m_song) m_backend = backend;
            // Resume where the song was stopped.
            if (m_song && m_pos > 0 && m_length > 0) m_song->seek(m_pos, m_length);
        }
        if (m_song) m_song->play();
    }
    m_mixer.wake();
}

void MusicVoice::stop() {
    auto g = m_mixer.lock();
    m_playing = false;
    if (m_song) m_song->stop();
}

void MusicVoice::seek(std::int64_t frame) {
    auto g = m_mixer.lock();
    m_pos = std::clamp<std::int64_t>(frame, 0, m_length);
    if (m_song && m_pos > 0 && m_length > 0) m_song->seek(m_pos, m_length);
}

bool MusicVoice::playing() {
    auto g = m_mixer.lock();
    return m_playing;
}

std::int64_t MusicVoice::position() {
    auto g = m_mixer.lock();
    return m_pos;
}

void MusicVoice::mix(float* out, int frames, std::int64_t, bool audible) {
    if (!m_playing) return;
    const int n = static_cast<int>(std::min<std::int64_t>(frames, m_length - m_pos));
    if (audible && m_song && n > 0) m_song->mixInto(out, n);
    m_pos += n;
    if (m_pos >= m_length) {
        m_playing = false;
        if (m_song) m_song->stop();
    }
}

}  // namespace parvel
