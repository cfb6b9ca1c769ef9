#pragma once
// The player's sound, music and video: the operations the interpreter and
// the main window call, over one mixer and the media command layer.
//
// Create one per program with the Host (its clock and settings):
//   MediaSystem media(host);                       // audio device, real time
//   MediaSystem media(host, {.useAudioDevice = false});  // follows host.now()
// Headless runs use the second form: every status answer then follows the
// host's (virtual) clock exactly.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "Host.h"
#include "MediaCommands.h"
#include "Mixer.h"
#include "VideoSink.h"

namespace parvel {

class MusicSynth;
class EffectVoice;

struct MediaOptions {
    // Play through the default audio output; without it (or when it cannot
    // be opened) the mixer follows the host's clock.
    bool useAudioDevice = true;
    // The INI key "SoundFont"; empty: the first of `soundFontSearch` found.
    std::string soundFont;
    std::vector<std::string> soundFontSearch = defaultSoundFontList();

    static std::vector<std::string> defaultSoundFontList();
};

// The sound sequence of a scene; the interpreter fills it.
struct MultiSoundQueue {
    bool active = false;
    std::array<std::string, 5> names;  // positions 1 to 5 are names[0] to names[4]
    std::int16_t count = 0;
    std::int16_t position = 0;
    std::int16_t passes = 0;
    std::int16_t passLimit = 0;
};

class MediaSystem {
public:
    explicit MediaSystem(Host& host, MediaOptions options = {});
    ~MediaSystem();
    MediaSystem(const MediaSystem&) = delete;
    MediaSystem& operator=(const MediaSystem&) = delete;

    // The game's sound and music folders, each ending in "\" (script text).
    void setDirectories(std::string soundDirectory, std::string musicDirectory);
    void setSoundFont(std::string path);
    // Loads a soundfont for the songs that start from now on; empty when it
    // loaded, else why not (the one in use stays).
    std::string switchSoundFont(const std::string& path);
    // The host's volume settings (master, music, sounds, mute) to the mixer.
    void applyVolume();
    MultiSoundQueue& multiSoundQueue() { return m_queue; }
    const std::string& rememberedMusicPath() const { return m_musicPath; }

    // Sound effects and music.
    std::int32_t PlaySoundEffect(std::string_view name, std::string_view mode = "0");
    void PollMultiSound();
    void MusicControl(std::string_view path, std::string_view mode);
    std::string MediaQuery(std::string_view command);

    // Video clips, under the alias "mpeg".
    std::string OpenVideo(std::int32_t parentHandle, std::string_view path,
                          std::string_view deviceType);
    std::string PlayVideo(std::string_view from, std::string_view to);
    std::string CloseVideo();
    std::string StopVideo();
    std::string VideoMode();
    std::int32_t VideoLength();

    // Frames of clips opened with `parentHandle` go to `sink` (null detaches;
    // takes effect at the next open).
    void setVideoSink(std::int32_t parentHandle, VideoSink* sink);

    // Host time at which the playing sound effect ends, -1 when none plays:
    // a wait loop that steps the sound sequence can sleep until then.
    Micros soundEffectEnd();
    // Blocks until the clip's decoder has shown every frame due by now.
    void settleVideo(int timeoutMs = 5000);

    // The scene music as a save keeps it: the song remembered and the
    // sequencer's place in it. Restoring sends no logged command.
    struct SongState {
        std::string path;
        bool open = false;
        bool playing = false;
        std::int64_t frame = 0;
    };
    SongState songState();
    void restoreSong(const SongState& state);
    // Closes the clip and the song and cuts off the sound effect, sending
    // no logged command (a saved game is about to take over).
    void silence();

    // Loads the video module on a thread of its own, so a game that names
    // clips has it ready by its first clip (loading takes about a tenth of
    // a second). Once per process; later calls do nothing.
    void prepareVideo();

    // Closes every device and cuts off the sound effect (program exit).
    void shutdown();

    // Every media command as sent ("play MFile", ...), and every sound
    // effect started (its name as given).
    void setCommandLog(std::function<void(std::string_view)> log);
    std::function<void(std::string_view)> onSound;

    MediaCommands& commands() { return *m_commands; }
    Mixer& mixer() { return *m_mixer; }

    // The wave-sound call: flags 1 (asynchronous) and 16 (no-stop).
    static constexpr unsigned kSndAsync = 0x1;
    static constexpr unsigned kSndNoStop = 0x10;
    bool playSound(std::string_view name, unsigned flags);

private:
    int send(std::string_view command, std::string* reply = nullptr);
    std::string report(int code) const { return MediaCommands::errorString(code); }

    Host& m_host;
    std::unique_ptr<Mixer> m_mixer;
    std::unique_ptr<MusicSynth> m_synth;
    std::unique_ptr<MediaCommands> m_commands;
    std::unique_ptr<EffectVoice> m_effect;
    MultiSoundQueue m_queue;
    std::string m_soundDirectory;
    std::string m_musicDirectory;
    std::string m_musicPath;
    bool m_quiet = false;  // commands sent while restoring go unlogged
    std::thread m_videoLoader;
    bool m_realTime;  // playing through the audio output, not a virtual clock
};

}  // namespace parvel
