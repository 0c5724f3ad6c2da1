// Reading a video file back through FFmpeg for the capture tests.
#include "tests/capture/decoded_video.h"

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace {

struct Reader {
    ~Reader() {
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        avformat_close_input(&format);
        av_frame_free(&frame);
        av_packet_free(&packet);
    }
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    int videoIndex = -1, audioIndex = -1;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
};

AVCodecContext* OpenDecoder(AVStream* stream) {
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) return nullptr;
    AVCodecContext* c = avcodec_alloc_context3(codec);
    if (avcodec_parameters_to_context(c, stream->codecpar) < 0 || avcodec_open2(c, codec, nullptr) < 0)
        avcodec_free_context(&c);
    return c;
}

// The picture as BGRA with the matrix and range it is tagged with.
std::vector<uint8_t> ToBgra(const AVFrame* f) {
    std::vector<uint8_t> out(size_t(f->width) * f->height * 4);
    SwsContext* sws =
        sws_getContext(f->width, f->height, AVPixelFormat(f->format), f->width, f->height, AV_PIX_FMT_BGRA,
                       SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
    if (!sws) return {};
    const int space = f->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_ITU601;
    const int* matrix = sws_getCoefficients(space);
    sws_setColorspaceDetails(sws, matrix, f->color_range == AVCOL_RANGE_JPEG, matrix, 1, 0, 1 << 16, 1 << 16);
    uint8_t* dst[1] = {out.data()};
    const int stride[1] = {f->width * 4};
    sws_scale(sws, f->data, f->linesize, 0, f->height, dst, stride);
    sws_freeContext(sws);
    return out;
}

double Seconds(int64_t ts, AVRational base) {
    return ts == AV_NOPTS_VALUE ? 0.0 : double(ts) * av_q2d(base);
}

void TakeFrames(Reader& r, AVCodecContext* c, DecodedVideo& out, const std::vector<long>& keep,
                std::vector<std::pair<long, std::vector<uint8_t>>>& kept) {
    while (avcodec_receive_frame(c, r.frame) == 0) {
        if (c == r.video) {
            const double t = Seconds(r.frame->best_effort_timestamp, r.format->streams[r.videoIndex]->time_base);
            if (out.pictures == 0) out.firstPictureTime = t;
            out.lastPictureTime = std::max(out.lastPictureTime, t);
            if (std::find(keep.begin(), keep.end(), out.pictures) != keep.end())
                kept.emplace_back(out.pictures, ToBgra(r.frame));
            out.pictures++;
            out.pixelFormat = av_get_pix_fmt_name(AVPixelFormat(r.frame->format));
        } else {
            if (out.mono.empty())
                out.firstSampleTime =
                    Seconds(r.frame->best_effort_timestamp, r.format->streams[r.audioIndex]->time_base);
            const float* left = reinterpret_cast<const float*>(r.frame->data[0]);
            const float* right = reinterpret_cast<const float*>(r.frame->data[1]);
            for (int i = 0; i < r.frame->nb_samples; ++i) out.mono.push_back(0.5f * (left[i] + right[i]));
        }
        av_frame_unref(r.frame);
    }
}

}  // namespace

DecodedVideo DecodeVideoFile(const std::string& path, const std::vector<long>& keep) {
    DecodedVideo out;
    Reader r;
    if (avformat_open_input(&r.format, path.c_str(), nullptr, nullptr) < 0) {
        out.error = "cannot open";
        return out;
    }
    if (avformat_find_stream_info(r.format, nullptr) < 0) {
        out.error = "no stream info";
        return out;
    }
    for (unsigned i = 0; i < r.format->nb_streams; ++i) {
        const AVCodecParameters* p = r.format->streams[i]->codecpar;
        if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
            if (out.videoStreams++ == 0) r.videoIndex = int(i);
        } else if (p->codec_type == AVMEDIA_TYPE_AUDIO) {
            if (out.audioStreams++ == 0) r.audioIndex = int(i);
        }
    }
    if (r.videoIndex < 0 || r.audioIndex < 0) {
        out.error = "a stream is missing";
        return out;
    }
    AVStream* vs = r.format->streams[r.videoIndex];
    AVStream* as = r.format->streams[r.audioIndex];
    out.videoCodec = avcodec_get_name(vs->codecpar->codec_id);
    out.audioCodec = avcodec_get_name(as->codecpar->codec_id);
    out.width = vs->codecpar->width;
    out.height = vs->codecpar->height;
    out.sampleRate = as->codecpar->sample_rate;
    out.channels = as->codecpar->ch_layout.nb_channels;
    out.pictureDuration = vs->avg_frame_rate.num ? av_q2d(av_inv_q(vs->avg_frame_rate)) : 0;
    r.video = OpenDecoder(vs);
    r.audio = OpenDecoder(as);
    if (!r.video || !r.audio || r.audio->sample_fmt != AV_SAMPLE_FMT_FLTP || out.channels != 2) {
        out.error = "unexpected codecs";
        return out;
    }
    std::vector<std::pair<long, std::vector<uint8_t>>> kept;
    while (av_read_frame(r.format, r.packet) >= 0) {
        AVCodecContext* c = r.packet->stream_index == r.videoIndex   ? r.video
                            : r.packet->stream_index == r.audioIndex ? r.audio
                                                                     : nullptr;
        if (c && avcodec_send_packet(c, r.packet) == 0) TakeFrames(r, c, out, keep, kept);
        av_packet_unref(r.packet);
    }
    for (AVCodecContext* c : {r.video, r.audio}) {
        avcodec_send_packet(c, nullptr);
        TakeFrames(r, c, out, keep, kept);
    }
    for (long k : keep)
        for (auto& [index, pixels] : kept)
            if (index == k) out.kept.push_back(std::move(pixels));
    return out;
}
