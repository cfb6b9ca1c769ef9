// The video module: clips decoded with FFmpeg on a thread of their own,
// frames handed to the sink when the mixer clock reaches them, the sound
// fed to the player's clip voice. Built as libparvel_video.so.
#include "MediaModules.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "MediaLog.h"
#include "Mixer.h"

namespace parvel {

namespace {

constexpr int kMaxSide = 8192;
constexpr size_t kMaxPendingFrames = 6;
constexpr std::int64_t kMaxSoundAhead = kMixRate;  // one second

struct FormatDeleter {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct CodecDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwrDeleter {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct SwsDeleter {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatDeleter>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecDeleter>;

Error clipError(std::string text) { return Error{err::InvalidCall, std::move(text)}; }

int interruptFlag(void* flag) { return static_cast<std::atomic<bool>*>(flag)->load() ? 1 : 0; }

FormatPtr openFormat(const std::string& path, std::atomic<bool>* stop, std::string& why) {
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw) return nullptr;
    if (stop) raw->interrupt_callback = AVIOInterruptCB{&interruptFlag, stop};
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) {
        why = "not a video file";
        return nullptr;  // avformat_open_input frees the context on failure
    }
    FormatPtr fmt(raw);
    if (avformat_find_stream_info(fmt.get(), nullptr) < 0) {
        why = "unreadable video file";
        return nullptr;
    }
    return fmt;
}

CodecPtr openDecoder(AVStream* st) {
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec) return nullptr;
    CodecPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), st->codecpar) < 0) return nullptr;
    ctx->thread_count = 1;
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0) return nullptr;
    return ctx;
}

double streamSeconds(const AVStream* st, std::int64_t ts) {
    const std::int64_t base = st->start_time == AV_NOPTS_VALUE ? 0 : st->start_time;
    return static_cast<double>(ts - base) * av_q2d(st->time_base);
}


Result<ClipInfo> probeClip(const std::string& path) {
    std::string why;
    FormatPtr fmt = openFormat(path, nullptr, why);
    if (!fmt) return clipError(why);
    ClipInfo info;
    const int v = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int a = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (v < 0 && a < 0) return clipError("no picture or sound in the file");
    if (a >= 0 && avcodec_find_decoder(fmt->streams[a]->codecpar->codec_id)) info.hasAudio = true;
    double seconds = -1;
    if (v >= 0) {
        AVStream* st = fmt->streams[v];
        if (!avcodec_find_decoder(st->codecpar->codec_id)) return clipError("no decoder for the picture");
        info.hasVideo = true;
        info.width = st->codecpar->width;
        info.height = st->codecpar->height;
        if (info.width <= 0 || info.height <= 0 || info.width > kMaxSide || info.height > kMaxSide)
            return clipError("bad picture size");
        const AVRational rate = av_guess_frame_rate(fmt.get(), st, nullptr);
        if (rate.num > 0 && rate.den > 0) info.fps = av_q2d(rate);
        if (!(info.fps >= 1.0 && info.fps <= 240.0)) info.fps = 25.0;
        if (st->nb_frames > 0) {
            info.frames = st->nb_frames;
        } else {
            // MPEG streams carry no frame count, and durations estimated from
            // their timestamps can be frames off: count the picture packets
            // (the demuxer hands out one whole picture per packet).
            std::unique_ptr<AVPacket, PacketDeleter> pkt(av_packet_alloc());
            while (av_read_frame(fmt.get(), pkt.get()) >= 0) {
                if (pkt->stream_index == v) ++info.frames;
                av_packet_unref(pkt.get());
            }
        }
    } else if (fmt->duration != AV_NOPTS_VALUE && fmt->duration > 0) {
        seconds = static_cast<double>(fmt->duration) / AV_TIME_BASE;
        info.frames = std::llround(seconds * info.fps);
    }
    if (info.frames <= 0) return clipError("empty clip");
    return info;
}


class ClipPlayback : public ClipDecoder {
public:
    ClipPlayback(std::string path, ClipInfo info, ClipFeed& feed, VideoSink* sink,
                 std::int64_t first, std::int64_t last, std::int64_t start);
    ~ClipPlayback() override;  // stops and joins the thread

    void settle(int timeoutMs) override;

private:
    void run();
    void setIdle(bool idle, std::int64_t waitingFor);

    std::string m_path;
    ClipInfo m_info;
    ClipFeed& m_feed;
    VideoSink* m_sink;
    std::int64_t m_first, m_last, m_start;
    std::atomic<bool> m_stop{false};
    std::mutex m_stateMutex;
    std::condition_variable m_stateCv;
    bool m_finished = false;
    bool m_idle = false;
    std::int64_t m_waitingFor = 0;
    std::thread m_thread;
};

ClipPlayback::ClipPlayback(std::string path, ClipInfo info, ClipFeed& feed, VideoSink* sink,
                           std::int64_t first, std::int64_t last, std::int64_t start)
    : m_path(std::move(path)),
      m_info(info),
      m_feed(feed),
      m_sink(sink),
      m_first(first),
      m_last(last),
      m_start(start) {
    m_thread = std::thread([this] { run(); });
}

ClipPlayback::~ClipPlayback() {
    m_stop = true;
    m_feed.wakeWaiters();
    if (m_thread.joinable()) m_thread.join();
}

void ClipPlayback::setIdle(bool idle, std::int64_t waitingFor) {
    {
        std::lock_guard g(m_stateMutex);
        m_idle = idle;
        m_waitingFor = waitingFor;
    }
    m_stateCv.notify_all();
}

void ClipPlayback::settle(int timeoutMs) {
    std::unique_lock g(m_stateMutex);
    m_stateCv.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] {
        return m_finished || (m_idle && m_waitingFor > m_feed.mixerFrames());
    });
}

void ClipPlayback::run() {
    struct Pending {
        std::int64_t due;
        std::int64_t number;
        QImage image;
    };
    std::deque<Pending> pending;
    std::string why;
    FormatPtr fmt = openFormat(m_path, &m_stop, why);
    const int v = fmt ? av_find_best_stream(fmt.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0) : -1;
    const int a = fmt ? av_find_best_stream(fmt.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) : -1;
    CodecPtr vdec = v >= 0 ? openDecoder(fmt->streams[v]) : nullptr;
    CodecPtr adec = a >= 0 ? openDecoder(fmt->streams[a]) : nullptr;
    std::unique_ptr<SwrContext, SwrDeleter> swr;
    if (adec) {
        SwrContext* raw = nullptr;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        AVChannelLayout in{};
        if (adec->ch_layout.nb_channels > 0)
            av_channel_layout_copy(&in, &adec->ch_layout);
        else
            av_channel_layout_default(&in, 2);
        if (swr_alloc_set_opts2(&raw, &stereo, AV_SAMPLE_FMT_FLT, kMixRate, &in, adec->sample_fmt,
                                adec->sample_rate, 0, nullptr) >= 0 &&
            swr_init(raw) >= 0)
            swr.reset(raw);
        else
            swr_free(&raw);
        av_channel_layout_uninit(&in);
        if (!swr) adec.reset();
    }
    std::unique_ptr<SwsContext, SwsDeleter> sws;
    std::unique_ptr<AVFrame, FrameDeleter> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketDeleter> pkt(av_packet_alloc());
    if (!fmt || (!vdec && !adec)) qCWarning(lcMedia) << "clip cannot be decoded:" << m_path.c_str();

    const double fps = m_info.fps;
    const std::int64_t soundSkip = std::llround((m_first - 1) / fps * kMixRate);
    const std::int64_t soundTotal = std::llround((m_last - m_first + 1) / fps * kMixRate);
    std::int64_t soundSeen = 0;  // frames of sound decoded, skipped ones included
    std::int64_t lastNumber = 0;
    bool eof = !fmt || (!vdec && !adec) || m_first > m_last;

    auto takeVideo = [&] {
        while (avcodec_receive_frame(vdec.get(), frame.get()) >= 0) {
            std::int64_t number = lastNumber + 1;
            if (frame->best_effort_timestamp != AV_NOPTS_VALUE) {
                const double sec = streamSeconds(fmt->streams[v], frame->best_effort_timestamp);
                number = std::max<std::int64_t>(number, std::llround(sec * fps) + 1);
            }
            lastNumber = number;
            const int w = frame->width, h = frame->height;
            if (number < m_first || w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) continue;
            if (number > m_last) {
                eof = true;
                continue;
            }
            sws.reset(sws_getCachedContext(sws.release(), w, h,
                                           static_cast<AVPixelFormat>(frame->format), w, h,
                                           AV_PIX_FMT_RGB32, SWS_BILINEAR, nullptr, nullptr,
                                           nullptr));
            if (!sws) continue;
            // The converter writes whole blocks of pixels, past the end of a
            // row whose width is not a multiple of its block: convert into
            // rows with room to spare, then keep the picture's own width.
            QImage padded((w + 63) & ~63, h, QImage::Format_RGB32);
            if (padded.isNull()) continue;
            std::uint8_t* dst[4] = {padded.bits(), nullptr, nullptr, nullptr};
            int dstStride[4] = {static_cast<int>(padded.bytesPerLine()), 0, 0, 0};
            sws_scale(sws.get(), frame->data, frame->linesize, 0, h, dst, dstStride);
            QImage image = padded.width() == w ? std::move(padded) : padded.copy(0, 0, w, h);
            const std::int64_t due =
                m_start + std::llround(static_cast<double>(number - m_first) * kMixRate / fps);
            pending.push_back({due, number, std::move(image)});
        }
    };
    auto takeSound = [&] {
        while (avcodec_receive_frame(adec.get(), frame.get()) >= 0) {
            const int room = swr_get_out_samples(swr.get(), frame->nb_samples);
            if (room <= 0) continue;
            std::vector<float> out(static_cast<size_t>(room) * kMixChannels);
            std::uint8_t* dst[1] = {reinterpret_cast<std::uint8_t*>(out.data())};
            const int got = swr_convert(swr.get(), dst, room,
                                        const_cast<const std::uint8_t**>(frame->extended_data),
                                        frame->nb_samples);
            if (got <= 0) continue;
            std::int64_t from = std::clamp<std::int64_t>(soundSkip - soundSeen, 0, got);
            std::int64_t to = std::clamp<std::int64_t>(soundSkip + soundTotal - soundSeen, 0, got);
            soundSeen += got;
            if (to <= from) continue;
            std::vector<float> part(out.begin() + from * kMixChannels, out.begin() + to * kMixChannels);
            m_feed.pushSound(std::move(part));
        }
    };

    while (!m_stop) {
        const std::int64_t now = m_feed.mixerFrames();
        while (!pending.empty() && pending.front().due <= now && !m_stop) {
            if (m_sink) m_sink->videoFrame(pending.front().image, static_cast<std::int32_t>(pending.front().number));
            pending.pop_front();
        }
        if (eof && pending.empty()) break;
        const bool soundFull = adec && m_feed.soundAhead() >= kMaxSoundAhead;
        const bool readMore = (pending.size() < kMaxPendingFrames && !soundFull) ||
                              (adec && m_feed.soundStarved());
        if (!eof && readMore) {
            const int r = av_read_frame(fmt.get(), pkt.get());
            if (r < 0) {
                eof = true;
                if (vdec && avcodec_send_packet(vdec.get(), nullptr) >= 0) takeVideo();
                if (adec && avcodec_send_packet(adec.get(), nullptr) >= 0) takeSound();
                m_feed.finishSound();
                continue;
            }
            if (pkt->stream_index == v && vdec) {
                if (avcodec_send_packet(vdec.get(), pkt.get()) >= 0) takeVideo();
            } else if (pkt->stream_index == a && adec) {
                if (avcodec_send_packet(adec.get(), pkt.get()) >= 0) takeSound();
            }
            av_packet_unref(pkt.get());
            continue;
        }
        if (eof) m_feed.finishSound();  // nothing more to wait for
        const std::int64_t target = pending.empty() ? now + kMixRate / 4 : pending.front().due;
        setIdle(true, target);
        m_feed.waitForFrame(target, m_stop, 200);
        setIdle(false, 0);
    }
    m_feed.finishSound();
    {
        std::lock_guard g(m_stateMutex);
        m_finished = true;
    }
    m_stateCv.notify_all();
}


class FfmpegVideo : public VideoBackend {
public:
    Result<ClipInfo> probe(const std::string& path) override { return probeClip(path); }
    std::unique_ptr<ClipDecoder> play(const std::string& path, const ClipInfo& info, ClipFeed& feed,
                                      VideoSink* sink, std::int64_t first, std::int64_t last,
                                      std::int64_t start) override {
        return std::make_unique<ClipPlayback>(path, info, feed, sink, first, last, start);
    }
};

}  // namespace
}  // namespace parvel

extern "C" __attribute__((visibility("default"))) parvel::VideoBackend* parvelVideoBackend(int abi) {
    if (abi != parvel::kMediaModuleAbi) return nullptr;
    static parvel::FfmpegVideo backend;
    return &backend;
}
