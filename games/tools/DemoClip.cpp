#include "DemoClip.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <vector>

#include "DemoPictures.h"
#include "DemoSounds.h"

namespace demo {

namespace {

// 192 rather than 200 wide: whole 16-pixel blocks for the decoder's colour
// conversion, which writes in such blocks.
constexpr int kWidth = 192, kHeight = 112, kFps = 25, kFrames = 50, kRate = 22050;

struct Stream {
    AVCodecContext* ctx = nullptr;
    AVStream* st = nullptr;
};

void send(AVFormatContext* oc, Stream& s, AVFrame* frame) {
    if (avcodec_send_frame(s.ctx, frame) < 0) return;
    AVPacket* pkt = av_packet_alloc();
    while (avcodec_receive_packet(s.ctx, pkt) >= 0) {
        av_packet_rescale_ts(pkt, s.ctx->time_base, s.st->time_base);
        pkt->stream_index = s.st->index;
        av_interleaved_write_frame(oc, pkt);
    }
    av_packet_free(&pkt);
}

// Owns everything the encoder allocates, whichever way the function leaves.
struct Session {
    AVFormatContext* oc = nullptr;
    Stream video, audio;
    AVFrame* vf = nullptr;
    AVFrame* af = nullptr;
    SwsContext* sws = nullptr;
    ~Session() {
        av_frame_free(&vf);
        av_frame_free(&af);
        sws_freeContext(sws);
        avcodec_free_context(&video.ctx);
        avcodec_free_context(&audio.ctx);
        if (oc && oc->pb) avio_closep(&oc->pb);
        avformat_free_context(oc);
    }
};

}  // namespace

std::string writeLanternClip(const std::string& path) {
    Session s;
    if (avformat_alloc_output_context2(&s.oc, nullptr, "avi", path.c_str()) < 0) return "no AVI muxer";
    const AVCodec* vc = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    const AVCodec* ac = avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
    if (!vc || !ac) return "no MPEG-4 or PCM encoder";

    s.video.st = avformat_new_stream(s.oc, nullptr);
    s.video.ctx = avcodec_alloc_context3(vc);
    s.video.ctx->width = kWidth;
    s.video.ctx->height = kHeight;
    s.video.ctx->time_base = AVRational{1, kFps};
    s.video.ctx->framerate = AVRational{kFps, 1};
    s.video.ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    s.video.ctx->gop_size = 25;
    s.video.ctx->bit_rate = 300000;
    s.video.ctx->thread_count = 1;  // the same bytes on every build
    s.video.ctx->flags |= AV_CODEC_FLAG_BITEXACT;
    if (s.oc->oformat->flags & AVFMT_GLOBALHEADER) s.video.ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(s.video.ctx, vc, nullptr) < 0) return "cannot open the video encoder";
    avcodec_parameters_from_context(s.video.st->codecpar, s.video.ctx);
    s.video.st->time_base = s.video.ctx->time_base;

    s.audio.st = avformat_new_stream(s.oc, nullptr);
    s.audio.ctx = avcodec_alloc_context3(ac);
    s.audio.ctx->sample_rate = kRate;
    s.audio.ctx->sample_fmt = AV_SAMPLE_FMT_S16;
    s.audio.ctx->ch_layout = AV_CHANNEL_LAYOUT_MONO;
    s.audio.ctx->time_base = AVRational{1, kRate};
    if (avcodec_open2(s.audio.ctx, ac, nullptr) < 0) return "cannot open the audio encoder";
    avcodec_parameters_from_context(s.audio.st->codecpar, s.audio.ctx);
    s.audio.st->time_base = s.audio.ctx->time_base;

    if (avio_open(&s.oc->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return "cannot write " + path;
    s.oc->flags |= AVFMT_FLAG_BITEXACT;
    if (avformat_write_header(s.oc, nullptr) < 0) return "cannot write the AVI header";

    s.vf = av_frame_alloc();
    s.vf->format = AV_PIX_FMT_YUV420P;
    s.vf->width = kWidth;
    s.vf->height = kHeight;
    av_frame_get_buffer(s.vf, 0);
    s.sws = sws_getContext(kWidth, kHeight, AV_PIX_FMT_BGRA, kWidth, kHeight, AV_PIX_FMT_YUV420P, SWS_BICUBIC,
                           nullptr, nullptr, nullptr);
    if (!s.sws) return "no colour converter";

    // PCM has no fixed frame size: hand over one video frame's worth at a time.
    const std::vector<double> track = clipSoundTrack(kRate, double(kFrames) / kFps);
    const int perFrame = kRate / kFps;
    s.af = av_frame_alloc();
    s.af->format = AV_SAMPLE_FMT_S16;
    s.af->sample_rate = kRate;
    s.af->nb_samples = perFrame;
    av_channel_layout_copy(&s.af->ch_layout, &s.audio.ctx->ch_layout);
    av_frame_get_buffer(s.af, 0);

    for (int i = 0; i < kFrames; ++i) {
        const QImage picture = lanternClipFrame(i, kFrames).copy((200 - kWidth) / 2, 0, kWidth, kHeight);
        av_frame_make_writable(s.vf);
        const uint8_t* src[1] = {picture.constBits()};
        const int srcStride[1] = {static_cast<int>(picture.bytesPerLine())};
        sws_scale(s.sws, src, srcStride, 0, kHeight, s.vf->data, s.vf->linesize);
        s.vf->pts = i;
        send(s.oc, s.video, s.vf);

        av_frame_make_writable(s.af);
        auto* d = reinterpret_cast<std::int16_t*>(s.af->data[0]);
        for (int k = 0; k < perFrame; ++k) {
            const size_t at = static_cast<size_t>(i * perFrame + k);
            const double v = at < track.size() ? track[at] : 0.0;
            d[k] = static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767));
        }
        s.af->pts = static_cast<std::int64_t>(i) * perFrame;
        send(s.oc, s.audio, s.af);
    }
    send(s.oc, s.video, nullptr);
    send(s.oc, s.audio, nullptr);
    if (av_write_trailer(s.oc) < 0) return "cannot finish " + path;
    return {};
}

}  // namespace demo
