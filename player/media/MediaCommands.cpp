#include "MediaCommands.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>
#include <vector>

#include "MediaLog.h"
#include "MediaModules.h"
#include "MidiFile.h"
#include "Mixer.h"
#include "MusicSynth.h"
#include "Paths.h"
#include "TextCodec.h"
#include "Vb.h"
#include "VideoClip.h"

namespace parvel {

using vb::equalsNoCase;

class MediaDevice {
public:
    virtual ~MediaDevice() = default;
    virtual bool isVideo() const = 0;
    virtual int play(std::optional<std::int64_t> from, std::optional<std::int64_t> to) = 0;
    virtual void stop() = 0;
    virtual bool playing() = 0;
    virtual std::int64_t length() = 0;
    virtual std::int64_t position() = 0;
    virtual int setTimeFormat(std::string_view format) = 0;
    virtual std::string timeFormat() const = 0;
    virtual void settle(int) {}
};

namespace {

bool isMilliseconds(std::string_view f) {
    return equalsNoCase(f, "milliseconds") || equalsNoCase(f, "ms");
}

std::int64_t framesToMillis(std::int64_t frames) { return frames * 1000 / kMixRate; }

// A MIDI song. Times are milliseconds; at its end the song rests at
// position = length until it is stopped or closed.
class SequencerDevice : public MediaDevice {
public:
    SequencerDevice(Mixer& mixer, MusicSynth& synth, std::string midi, std::int64_t lengthFrames)
        : m_voice(mixer, synth, std::move(midi), lengthFrames) {}
    bool isVideo() const override { return false; }
    int play(std::optional<std::int64_t> from, std::optional<std::int64_t> to) override {
        // Songs always play to their end; a start other than 0 is not needed.
        if ((from && *from != 0) || (to && *to != length())) return mediaerr::kOutOfRange;
        m_voice.play();
        return 0;
    }
    void stop() override { m_voice.stop(); }
    bool playing() override { return m_voice.playing(); }
    std::int64_t length() override { return framesToMillis(m_voice.length()); }
    std::int64_t position() override {
        const std::int64_t pos = m_voice.position();
        return pos >= m_voice.length() ? length() : framesToMillis(pos);
    }
    int setTimeFormat(std::string_view f) override {
        return isMilliseconds(f) ? 0 : mediaerr::kBadTimeFormat;
    }
    std::string timeFormat() const override { return "milliseconds"; }
    MusicVoice& voice() { return m_voice; }

private:
    MusicVoice m_voice;
};

// Connects one playback's decoder to the mixer clock and the clip's voice.
class ClipFeedOf : public ClipFeed {
public:
    ClipFeedOf(Mixer& mixer, ClipSoundVoice& sound, int generation)
        : m_mixer(mixer), m_sound(sound), m_generation(generation) {}
    std::int64_t mixerFrames() override { return m_mixer.frames(); }
    void waitForFrame(std::int64_t frame, const std::atomic<bool>& stop, int timeoutMs) override {
        m_mixer.waitForFrame(frame, stop, timeoutMs, &m_sound.starved());
    }
    void wakeWaiters() override { m_mixer.wakeWaiters(); }
    void pushSound(std::vector<float> samples) override { m_sound.push(m_generation, std::move(samples)); }
    void finishSound() override { m_sound.finish(m_generation); }
    std::int64_t soundAhead() override { return m_sound.bufferedAhead(); }
    bool soundStarved() override { return m_sound.starved().load(); }

private:
    Mixer& m_mixer;
    ClipSoundVoice& m_sound;
    int m_generation;
};

// A video clip. The mode follows the mixer clock alone, so it is the same
// however fast the decoder runs.
class VideoDevice : public MediaDevice {
public:
    VideoDevice(VideoBackend& backend, Mixer& mixer, std::string path, ClipInfo info,
                VideoSink* sink, int& generation)
        : m_backend(backend),
          m_mixer(mixer),
          m_path(std::move(path)),
          m_info(info),
          m_sink(sink),
          m_generation(generation),
          m_sound(mixer) {}
    ~VideoDevice() override {
        m_playback.reset();
        if (m_sink) m_sink->videoClosed();
    }
    bool isVideo() const override { return true; }

    int play(std::optional<std::int64_t> from, std::optional<std::int64_t> to) override {
        const std::int64_t first = from ? toFrame(*from) : 1;
        const std::int64_t last = to ? toFrame(*to) : m_info.frames;
        if (first < 1 || last > m_info.frames || first > last) return mediaerr::kOutOfRange;
        m_playback.reset();
        const int gen = ++m_generation;
        m_first = first;
        m_last = last;
        m_start = m_mixer.frames();
        m_span = std::llround(static_cast<double>(last - first + 1) * kMixRate / m_info.fps);
        m_playing = true;
        m_sound.reset(gen, m_start, m_span);
        m_feed = std::make_unique<ClipFeedOf>(m_mixer, m_sound, gen);
        m_playback = m_backend.play(m_path, m_info, *m_feed, m_sink, first, last, m_start);
        return 0;
    }
    void stop() override {
        if (!playing()) return;
        m_position = currentFrame();
        m_playing = false;
        m_playback.reset();
        m_sound.stop(m_generation);
    }
    bool playing() override {
        if (m_playing && m_mixer.frames() - m_start >= m_span) {
            m_playing = false;
            m_position = m_last;
        }
        return m_playing;
    }
    std::int64_t length() override { return fromFrame(m_info.frames); }
    std::int64_t position() override { return fromFrame(playing() ? currentFrame() : m_position); }
    int setTimeFormat(std::string_view f) override {
        if (equalsNoCase(f, "frames")) m_frames = true;
        else if (isMilliseconds(f)) m_frames = false;
        else return mediaerr::kBadTimeFormat;
        return 0;
    }
    std::string timeFormat() const override { return m_frames ? "frames" : "milliseconds"; }
    void settle(int timeoutMs) override {
        if (m_playback) m_playback->settle(timeoutMs);
    }

private:
    std::int64_t currentFrame() const {
        const double shown = static_cast<double>(m_mixer.frames() - m_start) * m_info.fps / kMixRate;
        return std::min<std::int64_t>(m_last, m_first - 1 + static_cast<std::int64_t>(shown));
    }
    std::int64_t toFrame(std::int64_t v) const {
        return m_frames ? v : static_cast<std::int64_t>(static_cast<double>(v) * m_info.fps / 1000.0) + 1;
    }
    std::int64_t fromFrame(std::int64_t f) const {
        return m_frames ? f : std::llround(static_cast<double>(f) * 1000.0 / m_info.fps);
    }

    VideoBackend& m_backend;
    Mixer& m_mixer;
    std::string m_path;
    ClipInfo m_info;
    VideoSink* m_sink;
    int& m_generation;
    ClipSoundVoice m_sound;
    std::unique_ptr<ClipFeedOf> m_feed;  // outlives m_playback, which uses it
    std::unique_ptr<ClipDecoder> m_playback;
    bool m_frames = false;
    bool m_playing = false;
    std::int64_t m_first = 1, m_last = 0, m_start = 0, m_span = 0, m_position = 0;
};

struct Token {
    std::string text;
    bool quoted = false;
};

std::vector<Token> tokenize(std::string_view s) {
    std::vector<Token> out;
    size_t i = 0;
    while (i < s.size()) {
        if (s[i] == ' ' || s[i] == '\t') {
            ++i;
            continue;
        }
        Token t;
        if (s[i] == '"') {
            const size_t close = s.find('"', i + 1);
            const size_t end = close == std::string_view::npos ? s.size() : close;
            t.text = std::string(s.substr(i + 1, end - i - 1));
            t.quoted = true;
            i = end + 1;
        } else {
            const size_t end = std::min(s.find_first_of(" \t", i), s.size());
            t.text = std::string(s.substr(i, end - i));
            i = end;
        }
        out.push_back(std::move(t));
    }
    return out;
}

std::optional<std::int64_t> integer(std::string_view s) {
    if (s.empty() || s.size() > 12) return std::nullopt;
    std::int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

// A script path (Windows-1252, either separator, any case) as a disk path.
std::string diskPath(std::string_view scriptPath) {
    return resolvePath(isValidUtf8(scriptPath) ? std::string(scriptPath) : cp1252ToUtf8(scriptPath));
}

bool isRegularFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

std::string upper(std::string_view s) { return vb::UCase(s); }

}  // namespace

MediaCommands::MediaCommands(Mixer& mixer, MusicSynth& synth) : m_mixer(mixer), m_synth(synth) {}

MediaCommands::~MediaCommands() { closeAll(); }

void MediaCommands::closeAll() { m_devices.clear(); }

MediaCommands::SongPlace MediaCommands::songPlace(std::string_view alias) {
    auto* song = dynamic_cast<SequencerDevice*>(find(alias));
    if (!song) return {};
    return {true, song->voice().playing(), song->voice().position()};
}

bool MediaCommands::seekSong(std::string_view alias, std::int64_t frame) {
    auto* song = dynamic_cast<SequencerDevice*>(find(alias));
    if (!song) return false;
    song->voice().seek(frame);
    return true;
}

void MediaCommands::setVideoSink(std::int32_t parentHandle, VideoSink* sink) {
    if (sink) m_sinks[parentHandle] = sink;
    else m_sinks.erase(parentHandle);
}

void MediaCommands::settleVideo(int timeoutMs) {
    for (auto& [alias, dev] : m_devices) dev->settle(timeoutMs);
}

MediaDevice* MediaCommands::find(std::string_view alias) {
    auto it = m_devices.find(upper(alias));
    return it == m_devices.end() ? nullptr : it->second.get();
}

std::string MediaCommands::errorString(int code) {
    using namespace mediaerr;
    switch (code) {
        case 0: return "Success";
        case kBadInteger: return "A number was expected in the command.";
        case kUnrecognizedKeyword: return "The command holds a keyword this device does not know.";
        case kUnrecognizedCommand: return "The command is not known.";
        case kDeviceNotOpen: return "No device is open under that name.";
        case kUnknownDeviceType: return "The device type is not known.";
        case kMissingParameter: return "The command lacks a required value.";
        case kFileNotFound: return "The file cannot be found.";
        case kOutOfRange: return "A value in the command is out of range.";
        case kDuplicateAlias: return "That alias is already open.";
        case kBadTimeFormat: return "The time format is not supported by this device.";
        case kInvalidFile: return "The file cannot be played: its contents are not valid.";
        case kDeviceInUse: return "The device is already in use.";
    }
    return "Unknown media error " + std::to_string(code) + ".";
}

int MediaCommands::send(std::string_view command, std::string* reply) {
    if (onCommand) onCommand(command);
    if (reply) reply->clear();
    m_mixer.advance();
    const auto tokens = tokenize(command);
    if (tokens.empty()) return mediaerr::kUnrecognizedCommand;
    const std::string& verb = tokens[0].text;
    int code = 0;
    if (equalsNoCase(verb, "open")) {
        const size_t at = command.find_first_not_of(" \t");
        code = open(command.substr(at + 4));
    } else if (tokens.size() < 2) {
        code = equalsNoCase(verb, "play") || equalsNoCase(verb, "stop") ||
                       equalsNoCase(verb, "close") || equalsNoCase(verb, "status") ||
                       equalsNoCase(verb, "set")
                   ? mediaerr::kMissingParameter
                   : mediaerr::kUnrecognizedCommand;
    } else if (equalsNoCase(verb, "close") && equalsNoCase(tokens[1].text, "all")) {
        closeAll();
    } else if (equalsNoCase(verb, "play") || equalsNoCase(verb, "stop") ||
               equalsNoCase(verb, "close") || equalsNoCase(verb, "status") ||
               equalsNoCase(verb, "set")) {
        MediaDevice* dev = find(tokens[1].text);
        if (!dev) {
            code = mediaerr::kDeviceNotOpen;
        } else if (equalsNoCase(verb, "play")) {
            std::optional<std::int64_t> from, to;
            for (size_t i = 2; i < tokens.size() && code == 0; ++i) {
                const auto& k = tokens[i].text;
                if (equalsNoCase(k, "wait") || equalsNoCase(k, "notify")) continue;
                if (!equalsNoCase(k, "from") && !equalsNoCase(k, "to")) {
                    code = mediaerr::kUnrecognizedKeyword;
                } else if (i + 1 >= tokens.size()) {
                    code = mediaerr::kMissingParameter;
                } else if (auto n = integer(tokens[++i].text)) {
                    (equalsNoCase(k, "from") ? from : to) = *n;
                } else {
                    code = mediaerr::kBadInteger;
                }
            }
            if (code == 0) code = dev->play(from, to);
        } else if (equalsNoCase(verb, "stop")) {
            dev->stop();
        } else if (equalsNoCase(verb, "close")) {
            m_devices.erase(upper(tokens[1].text));
        } else if (equalsNoCase(verb, "status")) {
            std::string item;
            for (size_t i = 2; i < tokens.size(); ++i) item += (i > 2 ? " " : "") + tokens[i].text;
            std::string answer;
            if (equalsNoCase(item, "mode")) answer = dev->playing() ? "playing" : "stopped";
            else if (equalsNoCase(item, "length")) answer = std::to_string(dev->length());
            else if (equalsNoCase(item, "position")) answer = std::to_string(dev->position());
            else if (equalsNoCase(item, "ready")) answer = "true";
            else if (equalsNoCase(item, "time format")) answer = dev->timeFormat();
            else code = item.empty() ? mediaerr::kMissingParameter : mediaerr::kUnrecognizedKeyword;
            if (code == 0 && reply) *reply = answer;
        } else {  // set
            if (tokens.size() == 5 && equalsNoCase(tokens[2].text, "time") &&
                equalsNoCase(tokens[3].text, "format"))
                code = dev->setTimeFormat(tokens[4].text);
            else
                code = tokens.size() < 5 ? mediaerr::kMissingParameter
                                         : mediaerr::kUnrecognizedKeyword;
        }
    } else {
        code = mediaerr::kUnrecognizedCommand;
    }
    if (code != 0) qCDebug(lcMedia) << "media command failed:" << QByteArray(command.data(), static_cast<int>(command.size())) << code;
    return code;
}

int MediaCommands::open(std::string_view rest) {
    rest = vb::Trim(rest);
    std::string element;
    std::string_view tail;
    if (!rest.empty() && rest[0] == '"') {
        const size_t close = rest.find('"', 1);
        if (close == std::string_view::npos) return mediaerr::kMissingParameter;
        element = std::string(rest.substr(1, close - 1));
        tail = rest.substr(close + 1);
    } else {
        // The name runs to the last " type " keyword, so it may hold spaces.
        const std::string up = upper(rest);
        const size_t typeAt = up.rfind(" TYPE ");
        const size_t cut = typeAt != std::string::npos ? typeAt
                                                       : std::min(rest.find(' '), rest.size());
        element = std::string(vb::Trim(rest.substr(0, cut)));
        tail = rest.substr(cut);
    }
    if (element.empty()) return mediaerr::kMissingParameter;

    std::string type, alias;
    std::int32_t parent = 0;
    const auto tokens = tokenize(tail);
    for (size_t i = 0; i < tokens.size(); ++i) {
        const auto& k = tokens[i].text;
        if (equalsNoCase(k, "shareable") || equalsNoCase(k, "wait") || equalsNoCase(k, "notify"))
            continue;
        const bool takesValue = equalsNoCase(k, "type") || equalsNoCase(k, "alias") ||
                                equalsNoCase(k, "parent") || equalsNoCase(k, "style");
        if (!takesValue) return mediaerr::kUnrecognizedKeyword;
        if (i + 1 >= tokens.size()) return mediaerr::kMissingParameter;
        const std::string& value = tokens[++i].text;
        if (equalsNoCase(k, "type")) {
            type = value;
        } else if (equalsNoCase(k, "alias")) {
            alias = value;
        } else {
            auto n = integer(value);
            if (!n || *n > 0xFFFFFFFFll) return mediaerr::kBadInteger;
            if (equalsNoCase(k, "parent")) parent = static_cast<std::int32_t>(static_cast<std::uint32_t>(*n));
        }
    }
    if (type.empty()) {
        // No type: go by the file's extension.
        const std::string ext = upper(element.substr(std::min(element.rfind('.'), element.size())));
        if (ext == ".MID" || ext == ".MIDI" || ext == ".RMI") type = "sequencer";
        else if (ext == ".AVI") type = "AviVideo";
        else if (ext == ".MPG" || ext == ".MPEG") type = "MPEGVideo";
        else return mediaerr::kUnknownDeviceType;
    }
    const bool sequencer = equalsNoCase(type, "sequencer");
    const bool video = equalsNoCase(type, "AviVideo") || equalsNoCase(type, "MPEGVideo") ||
                       equalsNoCase(type, "digitalvideo");
    if (!sequencer && !video) return mediaerr::kUnknownDeviceType;
    if (alias.empty()) alias = element;
    if (find(alias)) return mediaerr::kDuplicateAlias;
    // One song and one clip at a time, as there is one synthesiser and one video area.
    for (auto& [a, dev] : m_devices)
        if (dev->isVideo() == video) return mediaerr::kDeviceInUse;

    const std::string path = diskPath(element);
    if (!isRegularFile(path)) return mediaerr::kFileNotFound;
    std::unique_ptr<MediaDevice> device;
    if (sequencer) {
        auto bytes = readWholeFile(path);
        if (!bytes) return mediaerr::kFileNotFound;
        auto info = readMidiInfo(*bytes);
        if (!info) {
            qCDebug(lcMedia) << path.c_str() << info.error().description.c_str();
            return mediaerr::kInvalidFile;
        }
        const std::int64_t frames = info->lengthMicros * kMixRate / kMicrosPerSecond;
        device = std::make_unique<SequencerDevice>(m_mixer, m_synth, std::move(*bytes), frames);
    } else {
        // Without the video module the clip is refused the way a clip of an
        // unknown kind is; the module says why in the log.
        VideoBackend* backend = videoBackend();
        if (!backend) return mediaerr::kUnknownDeviceType;
        auto info = backend->probe(path);
        if (!info) {
            qCDebug(lcMedia) << path.c_str() << info.error().description.c_str();
            return mediaerr::kInvalidFile;
        }
        auto sink = m_sinks.find(parent);
        device = std::make_unique<VideoDevice>(*backend, m_mixer, path, *info,
                                               sink == m_sinks.end() ? nullptr : sink->second,
                                               m_generation);
    }
    m_devices.emplace(upper(alias), std::move(device));
    return 0;
}

}  // namespace parvel
