// The video file over libavformat, libavcodec and libswscale.
#include "tools/capture/video_file.h"

#include <algorithm>
#include <chrono>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// HD sizes use the HD colour matrix, as players assume for untagged video of that size.
bool IsHd(int width, int height) {
    return width > 1024 || height > 576;
}

}  // namespace

struct VideoFile::State {
    ~State() {
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        if (format && format->pb) avio_closep(&format->pb);
        avformat_free_context(format);
        sws_freeContext(scale);
        av_frame_free(&picture);
        av_frame_free(&sound);
        av_packet_free(&packet);
    }

    bool Fail(const std::string& what, int code = 0) {
        if (error.empty()) error = code ? what + ": " + AvError(code) : what;
        return false;
    }
    bool OpenVideo(const VideoSettings& settings);
    bool OpenAudio(const VideoSettings& settings);
    bool OpenFile(const VideoSettings& settings);
    // Sends frame (null: the end) and writes every packet the encoder has ready.
    bool Encode(AVCodecContext* codec, AVStream* stream, const AVFrame* frame);
    bool SendSound(int samples);

    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    SwsContext* scale = nullptr;
    AVFrame* picture = nullptr;  // the video's frame; the bars stay black
    AVFrame* sound = nullptr;    // one encoder frame of planar float samples, filled a bit at a time
    AVPacket* packet = nullptr;
    PictureRect fit;
    int sourceWidth = 0, sourceHeight = 0;
    PictureRect crop;       // of the source, what is scaled into `fit`
    int64_t pictures = 0;   // pictures sent
    int64_t samples = 0;    // samples sent
    int soundFill = 0;      // samples waiting in `sound`
    bool finished = false;  // the trailer is written
    std::string error;
    VideoFileTimes times;
};

bool VideoFile::State::OpenVideo(const VideoSettings& settings) {
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) return Fail("this FFmpeg has no H.264 encoder (libx264)");
    video = avcodec_alloc_context3(codec);
    if (!video) return Fail("out of memory");
    const AVRational rate = av_d2q(settings.fps, 1 << 20);
    video->width = settings.width;
    video->height = settings.height;
    video->pix_fmt = AV_PIX_FMT_YUV420P;
    video->time_base = av_inv_q(rate);
    video->framerate = rate;
    video->sample_aspect_ratio = {1, 1};
    video->thread_count = 0;  // as many as x264 finds useful
    // Limited range with the matrix the conversion uses; sRGB's primaries are BT.709's.
    const bool hd = IsHd(settings.width, settings.height);
    video->color_range = AVCOL_RANGE_MPEG;
    video->colorspace = hd ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
    video->color_primaries = AVCOL_PRI_BT709;
    video->color_trc = AVCOL_TRC_BT709;
    if (format->oformat->flags & AVFMT_GLOBALHEADER) video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(video->priv_data, "preset", settings.preset.c_str(), 0);
    av_opt_set_double(video->priv_data, "crf", settings.crf, 0);
    // The lookahead runs in the encoding call instead of on a thread of its own with a buffer of
    // frames in front of it: the same file, bit for bit, with a few megabytes less held.
    av_opt_set(video->priv_data, "x264-params", "sync-lookahead=0", 0);
    int code = avcodec_open2(video, codec, nullptr);
    if (code < 0) return Fail("cannot start the H.264 encoder", code);
    videoStream = avformat_new_stream(format, nullptr);
    if (!videoStream) return Fail("out of memory");
    videoStream->time_base = video->time_base;
    videoStream->avg_frame_rate = rate;
    code = avcodec_parameters_from_context(videoStream->codecpar, video);
    if (code < 0) return Fail("cannot describe the video stream", code);

    picture = av_frame_alloc();
    if (!picture) return Fail("out of memory");
    picture->format = AV_PIX_FMT_YUV420P;
    picture->width = settings.width;
    picture->height = settings.height;
    picture->color_range = video->color_range;
    picture->colorspace = video->colorspace;
    code = av_frame_get_buffer(picture, 0);
    if (code < 0) return Fail("cannot allocate a picture", code);
    for (int plane = 0; plane < 3; ++plane)  // black: Y 16, Cb and Cr 128
        std::memset(picture->data[plane], plane ? 128 : 16,
                    size_t(picture->linesize[plane]) * (plane ? settings.height / 2 : settings.height));

    crop = settings.crop.width > 0 && settings.crop.height > 0
               ? settings.crop
               : PictureRect{0, 0, settings.sourceWidth, settings.sourceHeight};
    if (crop.x < 0 || crop.y < 0 || crop.x + crop.width > settings.sourceWidth ||
        crop.y + crop.height > settings.sourceHeight)
        return Fail("the picture's part lies outside the picture");
    fit = FitPicture(crop.width, crop.height, settings.width, settings.height);
    const bool same = fit.width == crop.width && fit.height == crop.height;
    // Lanczos when the size changes; only the colour conversion otherwise.
    const int flags = (same ? SWS_BICUBIC : SWS_LANCZOS) | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP;
    scale = sws_getContext(crop.width, crop.height, AV_PIX_FMT_BGRA, fit.width, fit.height, AV_PIX_FMT_YUV420P, flags,
                           nullptr, nullptr, nullptr);
    if (!scale) return Fail("cannot set up the picture scaler");
    const int* matrix = sws_getCoefficients(hd ? SWS_CS_ITU709 : SWS_CS_ITU601);
    sws_setColorspaceDetails(scale, matrix, 1, matrix, 0, 0, 1 << 16, 1 << 16);
    sourceWidth = settings.sourceWidth;
    sourceHeight = settings.sourceHeight;
    return true;
}

bool VideoFile::State::OpenAudio(const VideoSettings& settings) {
    const AVCodec* codec = avcodec_find_encoder_by_name("aac");
    if (!codec) return Fail("this FFmpeg has no AAC encoder");
    audio = avcodec_alloc_context3(codec);
    if (!audio) return Fail("out of memory");
    audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
    audio->sample_rate = settings.audioRate;
    audio->bit_rate = int64_t(settings.audioKbps) * 1000;
    audio->time_base = {1, settings.audioRate};
    const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    int code = av_channel_layout_copy(&audio->ch_layout, &stereo);
    if (code < 0) return Fail("cannot set the channel layout", code);
    if (format->oformat->flags & AVFMT_GLOBALHEADER) audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    code = avcodec_open2(audio, codec, nullptr);
    if (code < 0) return Fail("cannot start the AAC encoder", code);
    audioStream = avformat_new_stream(format, nullptr);
    if (!audioStream) return Fail("out of memory");
    audioStream->time_base = audio->time_base;
    code = avcodec_parameters_from_context(audioStream->codecpar, audio);
    if (code < 0) return Fail("cannot describe the audio stream", code);

    sound = av_frame_alloc();
    if (!sound) return Fail("out of memory");
    sound->format = audio->sample_fmt;
    sound->sample_rate = audio->sample_rate;
    sound->nb_samples = audio->frame_size > 0 ? audio->frame_size : 1024;
    code = av_channel_layout_copy(&sound->ch_layout, &audio->ch_layout);
    if (code >= 0) code = av_frame_get_buffer(sound, 0);
    if (code < 0) return Fail("cannot allocate a sound frame", code);
    return true;
}

bool VideoFile::State::OpenFile(const VideoSettings& settings) {
    int code = avio_open(&format->pb, settings.path.c_str(), AVIO_FLAG_WRITE);
    if (code < 0) return Fail("cannot write " + settings.path, code);
    AVDictionary* options = nullptr;
    if (settings.container == Container::Mp4) av_dict_set(&options, "movflags", "+faststart", 0);
    code = avformat_write_header(format, &options);
    av_dict_free(&options);
    if (code < 0) return Fail("cannot start the file", code);
    return true;
}

bool VideoFile::State::Encode(AVCodecContext* codec, AVStream* stream, const AVFrame* frame) {
    int code = avcodec_send_frame(codec, frame);
    if (code < 0) return Fail("the encoder refused a frame", code);
    for (;;) {
        code = avcodec_receive_packet(codec, packet);
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) return true;
        if (code < 0) return Fail("encoding failed", code);
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        code = av_interleaved_write_frame(format, packet);  // takes the packet's data
        if (code < 0) return Fail("cannot write the file", code);
    }
}

bool VideoFile::State::SendSound(int count) {
    sound->nb_samples = count;
    sound->pts = samples;
    samples += count;
    soundFill = 0;
    return Encode(audio, audioStream, sound);
}

VideoFile::VideoFile(std::unique_ptr<State> state) : s(std::move(state)) {}

VideoFile::~VideoFile() = default;

std::unique_ptr<VideoFile> VideoFile::Open(const VideoSettings& settings, std::string* error) {
    av_log_set_level(AV_LOG_ERROR);  // FFmpeg's own chatter would break the progress line; errors stay
    auto state = std::make_unique<State>();
    const char* muxer = settings.container == Container::Matroska ? "matroska" : "mp4";
    int code = avformat_alloc_output_context2(&state->format, nullptr, muxer, settings.path.c_str());
    bool ok = code >= 0 && state->format;
    if (!ok) state->Fail("cannot set up the " + std::string(muxer) + " writer", code);
    state->packet = av_packet_alloc();
    ok = ok && state->packet && state->OpenVideo(settings) && state->OpenAudio(settings) && state->OpenFile(settings);
    if (!ok) {
        if (error) *error = state->error.empty() ? "cannot start the video file" : state->error;
        return nullptr;
    }
    return std::unique_ptr<VideoFile>(new VideoFile(std::move(state)));
}

bool VideoFile::AddPicture(const uint8_t* bgra) {
    if (!s->error.empty() || s->finished) return false;
    const Clock::time_point start = Clock::now();
    int code = av_frame_make_writable(s->picture);  // the encoder may still hold the last one
    if (code < 0) return s->Fail("cannot reuse the picture", code);
    AVFrame* p = s->picture;
    uint8_t* const planes[3] = {p->data[0] + s->fit.y * p->linesize[0] + s->fit.x,
                                p->data[1] + s->fit.y / 2 * p->linesize[1] + s->fit.x / 2,
                                p->data[2] + s->fit.y / 2 * p->linesize[2] + s->fit.x / 2};
    const uint8_t* const source[1] = {bgra + (size_t(s->crop.y) * size_t(s->sourceWidth) + size_t(s->crop.x)) * 4};
    const int sourceStride[1] = {s->sourceWidth * 4};
    sws_scale(s->scale, source, sourceStride, 0, s->crop.height, planes, p->linesize);
    p->pts = s->pictures++;
    const Clock::time_point encode = Clock::now();
    s->times.convert += std::chrono::duration<double>(encode - start).count();
    const bool ok = s->Encode(s->video, s->videoStream, p);
    s->times.video += SecondsSince(encode);
    return ok;
}

bool VideoFile::AddAudio(const int16_t* interleaved, int frames) {
    if (!s->error.empty() || s->finished) return false;
    const Clock::time_point start = Clock::now();
    const int capacity = s->audio->frame_size > 0 ? s->audio->frame_size : 1024;
    bool ok = true;
    while (ok && frames > 0) {
        if (s->soundFill == 0) {
            const int code = av_frame_make_writable(s->sound);
            if (code < 0) return s->Fail("cannot reuse the sound frame", code);
        }
        const int n = std::min(frames, capacity - s->soundFill);
        float* left = reinterpret_cast<float*>(s->sound->data[0]) + s->soundFill;
        float* right = reinterpret_cast<float*>(s->sound->data[1]) + s->soundFill;
        for (int i = 0; i < n; ++i) {
            left[i] = float(interleaved[2 * i]) / 32768.0f;
            right[i] = float(interleaved[2 * i + 1]) / 32768.0f;
        }
        interleaved += 2 * n;
        frames -= n;
        s->soundFill += n;
        if (s->soundFill == capacity) ok = s->SendSound(capacity);
    }
    s->times.audio += SecondsSince(start);
    return ok;
}

bool VideoFile::Finish() {
    if (!s->error.empty() || s->finished) return false;
    const Clock::time_point start = Clock::now();
    bool ok = true;
    if (s->soundFill > 0) {
        int count = s->soundFill;
        if (!(s->audio->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME)) {  // pad with silence
            count = s->sound->nb_samples;
            for (int ch = 0; ch < 2; ++ch)
                std::fill(reinterpret_cast<float*>(s->sound->data[ch]) + s->soundFill,
                          reinterpret_cast<float*>(s->sound->data[ch]) + count, 0.0f);
        }
        ok = s->SendSound(count);
    }
    ok = ok && s->Encode(s->audio, s->audioStream, nullptr);
    s->times.audio += SecondsSince(start);
    const Clock::time_point video = Clock::now();
    ok = ok && s->Encode(s->video, s->videoStream, nullptr);
    s->times.video += SecondsSince(video);
    if (!ok) return false;
    int code = av_write_trailer(s->format);
    if (code < 0) return s->Fail("cannot finish the file", code);
    code = avio_closep(&s->format->pb);
    if (code < 0) return s->Fail("cannot close the file", code);
    s->finished = true;
    return true;
}

const std::string& VideoFile::Error() const {
    return s->error;
}

VideoFileTimes VideoFile::Times() const {
    return s->times;
}

int64_t VideoFile::Pictures() const {
    return s->pictures;
}
