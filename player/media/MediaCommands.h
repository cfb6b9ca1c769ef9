#pragma once
// The media command layer: devices opened under an alias and driven by text
// commands, answering status queries with text.
//
//   open "FILE" type sequencer alias MFile        (quotes optional)
//   open FILE type AviVideo|MPEGVideo alias mpeg parent HANDLE style N
//   play ALIAS [from N] [to N]      stop ALIAS      close ALIAS|all
//   status ALIAS mode|length|position|ready|time format
//   set ALIAS time format frames|milliseconds|ms
//
// Keywords and aliases are case-insensitive. An unquoted file name may hold
// spaces: it runs up to the last " type " keyword. Modes are "playing" and
// "stopped"; lengths and positions are milliseconds (sequencers; video until
// "set ... time format frames") or frames (video, counted from 1). Every
// command is reported to `onCommand` as sent, before it runs.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "VideoSink.h"

namespace parvel {

class Mixer;
class MusicSynth;
class MediaDevice;

// Error codes of the command layer; 0 is success.
namespace mediaerr {
inline constexpr int kBadInteger = 258;
inline constexpr int kUnrecognizedKeyword = 259;
inline constexpr int kUnrecognizedCommand = 261;
inline constexpr int kDeviceNotOpen = 263;
inline constexpr int kUnknownDeviceType = 266;
inline constexpr int kMissingParameter = 273;
inline constexpr int kFileNotFound = 275;
inline constexpr int kOutOfRange = 282;
inline constexpr int kDuplicateAlias = 289;
inline constexpr int kBadTimeFormat = 293;
inline constexpr int kInvalidFile = 296;
inline constexpr int kDeviceInUse = 300;
}  // namespace mediaerr

class MediaCommands {
public:
    MediaCommands(Mixer& mixer, MusicSynth& synth);
    ~MediaCommands();

    // Runs one command; returns 0 or an error code. `reply` (when given)
    // receives the answer, or is cleared.
    int send(std::string_view command, std::string* reply = nullptr);
    // The message for an error code ("Success" for 0).
    static std::string errorString(int code);

    void setVideoSink(std::int32_t parentHandle, VideoSink* sink);
    // Waits (at most `timeoutMs`) until open clips have delivered every
    // frame due by the mixer clock.
    void settleVideo(int timeoutMs);
    void closeAll();

    // The song open under `alias`: whether it plays, and where, in mixer
    // frames (for saves, which put it back exactly).
    struct SongPlace {
        bool open = false;
        bool playing = false;
        std::int64_t frame = 0;
    };
    SongPlace songPlace(std::string_view alias);
    // Moves the song under `alias` to `frame`; false when no song is open there.
    bool seekSong(std::string_view alias, std::int64_t frame);

    std::function<void(std::string_view)> onCommand;

private:
    int open(std::string_view rest);
    MediaDevice* find(std::string_view alias);

    Mixer& m_mixer;
    MusicSynth& m_synth;
    std::map<std::string, std::unique_ptr<MediaDevice>> m_devices;  // by upper-case alias
    std::map<std::int32_t, VideoSink*> m_sinks;
    int m_generation = 0;
};

}  // namespace parvel
