#include "clipgenerator.h"

#include "syntheticcurve.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <memory>

namespace clips {

namespace {

constexpr double Pi = 3.14159265358979323846;

// A repeatable random number in [0, 1) for a seed and two indices (splitmix64).
double hash01(std::uint64_t seed, std::uint64_t a, std::uint64_t b = 0)
{
    std::uint64_t z = seed * 0x9E3779B97F4A7C15ull + a * 0xBF58476D1CE4E5B9ull + b + 1;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return double((z ^ (z >> 31)) >> 11) / double(1ull << 53);
}

using namespace synthetic;

struct Rgb {
    double r = 0, g = 0, b = 0;
};

// In the order of blinkcode::Colour: green, red and yellow.
const Rgb LedColours[3] = {{0.15, 1, 0.3}, {1, 0.12, 0.08}, {1, 0.75, 0.05}};

// One light in the picture: where it sits in the scene, its colour, its size
// and how bright it is in the frame being rendered.
struct Light {
    double x, y, radius;
    Rgb colour;
    double level;
};

// Adds a light's glow at distance r from its centre: a core that clips to
// white and a coloured halo around it.
void addLight(Rgb &px, const Light &l, double r)
{
    const double halo = l.level * 300 * std::exp(-(r * r) / (3.2 * l.radius * l.radius));
    const double core = l.level * 400 * std::clamp(l.radius + 0.5 - r, 0.0, 1.0);
    px.r += halo * l.colour.r + core;
    px.g += halo * l.colour.g + core;
    px.b += halo * l.colour.b + core;
}

// When frame i is shown, in ms from the clip's start (0 for the first frame).
double frameTimeMs(const ClipSetup &setup, int i)
{
    const double interval = 1000 / setup.fps;
    // AVI counts frames: its frames keep a steady rate.
    if (i == 0 || setup.codec == Codec::MjpegAvi)
        return i * interval;
    const double jitter = std::min(setup.jitterMs, 0.45 * interval);
    return i * interval + jitter * (2 * hash01(setup.seed, i, 1) - 1);
}

} // namespace

int frameCount(const ClipSetup &setup)
{
    return std::max(0, int(std::floor(setup.durationS * setup.fps + 1e-6)));
}

recording::FrameView renderView(const ClipSetup &setup, int i, std::vector<std::uint8_t> &buffer)
{
    const int yStride = setup.width, cStride = yStride / 2, ch = setup.height / 2;
    buffer.resize(yStride * setup.height + 2 * cStride * ch);
    std::uint8_t *y = buffer.data(), *cb = y + yStride * setup.height, *cr = cb + cStride * ch;
    const double t = frameTimeMs(setup, i), w = setup.width, h = setup.height;
    const double interval = 1000 / setup.fps, readoutMs = 0.8 * interval;
    const double exposure = setup.exposureMs > 0 ? setup.exposureMs : interval;
    const double untilMs = setup.startMs + setup.durationS * 1000 + 10000;
    // Each row is exposed a little later than the one above it (rolling shutter).
    auto exposed = [&](const Timeline &spans, double offsetMs, double row) {
        const double from = offsetMs + t + row / h * readoutMs;
        std::size_t first = 0;
        return litPart(spans, from, from + exposure, first);
    };

    const double ledY = 0.55 * h, R = setup.ledRadius;
    std::vector<Light> lights{{0.42 * w, ledY, R, LedColours[std::clamp(setup.colour, 0, 2)], 0}};
    lights[0].level = exposed(
        unitTimeline(setup.colour, setup.pattern, setup.flashes, setup.clockFactor, untilMs),
        setup.startMs, ledY);
    if (setup.otherCode[0] > 0) {
        const Timeline other = unitTimeline(setup.colour, -1, setup.otherCode,
                                            setup.clockFactor * 1.01, untilMs + 7300);
        lights.push_back({0.62 * w, 0.72 * h, R, LedColours[std::clamp(setup.colour, 0, 2)], 0});
        lights.back().level = exposed(other, setup.startMs + 7300, 0.72 * h);
    }
    if (setup.otherBlinker) { // a slow blink of 685 ms on and off: no rhythm of the unit
        lights.push_back({0.2 * w, 0.3 * h, 1.5 * R, {0.7, 0.8, 1}, 0});
        lights.back().level = exposed(unitTimeline(0, 1, {}, 1.37, untilMs), 0, 0.3 * h);
    }
    if (setup.lamp)
        lights.push_back({0.78 * w, 0.3 * h, 3 * R, {1, 0.85, 0.6}, 1});

    // The camera moves: shake of a few hertz and a slow drift over the clip.
    const double u = t / (setup.durationS * 1000);
    const double dx = setup.shakePx * (0.7 * std::sin(2 * Pi * 1.7 * t / 1000 + setup.seed) +
                                       0.6 * (hash01(setup.seed, i, 2) - 0.5)) +
                      setup.driftPx * u;
    const double dy = setup.shakePx * (0.7 * std::sin(2 * Pi * 2.3 * t / 1000) +
                                       0.6 * (hash01(setup.seed, i, 3) - 0.5)) +
                      0.5 * setup.driftPx * u;
    // Auto exposure and white balance: each channel's gain drifts its own way.
    const Rgb gain{1 + setup.gainRamp * u, 1 - 0.5 * setup.gainRamp * u,
                   1 + setup.gainRamp * std::sin(Pi * u)};

    // The wall's texture moves with the camera; it is separable into column and row terms. Mains
    // light pulses at 100 or 120 Hz, each row averaging it over its own exposure.
    std::vector<double> columns(2 * setup.width), rows(3 * setup.height);
    for (int x = 0; x < setup.width; ++x)
        columns[2 * x] = std::sin(0.13 * (x + dx)), columns[2 * x + 1] = std::sin(0.7 * (x + dx));
    for (int row = 0; row < setup.height; ++row) {
        const double f = 2 * Pi * setup.flickerHz / 1000, from = t + row / h * readoutMs;
        rows[3 * row] = 22 * std::cos(0.11 * (row + dy));
        rows[3 * row + 1] = 9 * std::sin(0.9 * (row + dy));
        const double pulse =
            f > 0 ? (std::cos(f * from) - std::cos(f * (from + exposure))) / (f * exposure) : 0;
        rows[3 * row + 2] = setup.level * (1 + setup.flickerDepth * pulse);
    }
    std::uint64_t noise = std::uint64_t(hash01(setup.seed, i, 4) * 9e15) | 1;
    auto pixel = [&](int px, int py) {
        const double *c = &columns[2 * px], *r = &rows[3 * py];
        const double bg = (70 + c[0] * r[0] + c[1] * r[1]) * r[2];
        Rgb rgb{1.05 * bg, bg, 0.85 * bg};
        for (const Light &l : lights) {
            const double lx = px + dx - l.x, ly = py + dy - l.y, reach = 8 * l.radius + 2;
            if (std::abs(lx) < reach && std::abs(ly) < reach)
                addLight(rgb, l, std::hypot(lx, ly));
        }
        noise ^= noise << 13, noise ^= noise >> 7, noise ^= noise << 17;
        const double n =
            setup.noise * ((noise & 0xFFFF) + (noise >> 16 & 0xFFFF) - 65535.0) / 37837;
        return Rgb{std::clamp(rgb.r * gain.r + n, 0.0, 255.0),
                   std::clamp(rgb.g * gain.g + n, 0.0, 255.0),
                   std::clamp(rgb.b * gain.b + n, 0.0, 255.0)};
    };

    // BT.601 limited range; chroma from the mean of each 2x2 block.
    for (int by = 0; by + 1 < setup.height; by += 2) {
        for (int bx = 0; bx + 1 < setup.width; bx += 2) {
            Rgb sum;
            for (int k = 0; k < 4; ++k) {
                const Rgb c = pixel(bx + k % 2, by + k / 2);
                y[(by + k / 2) * yStride + bx + k % 2] =
                    std::uint8_t(16.5 + (65.481 * c.r + 128.553 * c.g + 24.966 * c.b) / 255);
                sum = {sum.r + c.r / 4, sum.g + c.g / 4, sum.b + c.b / 4};
            }
            const int ci = by / 2 * cStride + bx / 2;
            cb[ci] = std::uint8_t(128.5 + (-37.797 * sum.r - 74.203 * sum.g + 112 * sum.b) / 255);
            cr[ci] = std::uint8_t(128.5 + (112 * sum.r - 93.786 * sum.g - 18.214 * sum.b) / 255);
        }
    }
    return {t, setup.width, setup.height, y, yStride, cb, cr, cStride, cStride, ch};
}

namespace {

// Frees an FFmpeg object with its free function, which takes its address.
template <auto Free> struct Freer {
    template <typename T> void operator()(T *p) const { Free(&p); }
};

// Sends one frame (null: the end) and writes every packet the encoder has ready.
bool writePackets(AVFormatContext *out, AVCodecContext *codec, const AVFrame *frame)
{
    if (avcodec_send_frame(codec, frame) < 0)
        return false;
    std::unique_ptr<AVPacket, Freer<av_packet_free>> packet(av_packet_alloc());
    int ret;
    while ((ret = avcodec_receive_packet(codec, packet.get())) >= 0) {
        av_packet_rescale_ts(packet.get(), codec->time_base, out->streams[0]->time_base);
        if (av_interleaved_write_frame(out, packet.get()) < 0)
            return false;
    }
    return ret == AVERROR(EAGAIN) || ret == AVERROR_EOF;
}

} // namespace

std::string encodeClip(const ClipSetup &setup, const std::string &path)
{
    const bool mjpeg = setup.codec == Codec::MjpegAvi;
    const bool hevc = setup.codec == Codec::HevcMp4 || setup.codec == Codec::HevcMkv;
    const bool mkv = setup.codec == Codec::H264Mkv || setup.codec == Codec::HevcMkv;
    const int width = setup.outWidth > 0 ? setup.outWidth : setup.width;
    const int height = setup.outHeight > 0 ? setup.outHeight : setup.height;

    av_log_set_level(AV_LOG_ERROR);
    AVFormatContext *raw = nullptr;
    const char *muxer = mjpeg ? "avi" : mkv ? "matroska" : "mp4";
    avformat_alloc_output_context2(&raw, nullptr, muxer, path.c_str());
    auto close = [](AVFormatContext *c) { avio_closep(&c->pb), avformat_free_context(c); };
    std::unique_ptr<AVFormatContext, decltype(close)> out(raw, close);
    const char *encoderName = mjpeg ? "mjpeg" : hevc ? "libx265" : "libx264";
    const AVCodec *encoder = avcodec_find_encoder_by_name(encoderName);
    if (!out || !encoder)
        return "no muxer or encoder";
    std::unique_ptr<AVCodecContext, Freer<avcodec_free_context>> codec(
        avcodec_alloc_context3(encoder));
    codec->width = width;
    codec->height = height;
    codec->pix_fmt = mjpeg ? AV_PIX_FMT_YUVJ420P : AV_PIX_FMT_YUV420P;
    codec->framerate = av_d2q(setup.fps, 100000);
    // AVI counts frames; the others take each frame's own time, to the 90 kHz tick.
    codec->time_base = mjpeg ? av_inv_q(codec->framerate) : AVRational{1, 90000};
    codec->gop_size = std::max(1, int(setup.fps));
    codec->thread_count = 2;
    if (out->oformat->flags & AVFMT_GLOBALHEADER)
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary *options = nullptr;
    if (mjpeg) {
        codec->flags |= AV_CODEC_FLAG_QSCALE;
        codec->global_quality = FF_QP2LAMBDA * std::clamp(setup.quality, 2, 31);
    } else {
        av_dict_set(&options, "preset", setup.preset.c_str(), 0);
        av_dict_set_int(&options, "crf", setup.quality, 0);
        av_dict_set(&options, "x265-params", "log-level=none", 0);
    }
    const int opened = avcodec_open2(codec.get(), encoder, &options);
    av_dict_free(&options);
    AVStream *stream = avformat_new_stream(out.get(), nullptr);
    if (opened < 0 || !stream || avcodec_parameters_from_context(stream->codecpar, codec.get()) < 0)
        return "cannot open the encoder";
    stream->time_base = codec->time_base;
    if (setup.rotation != 0) {
        auto *matrix = reinterpret_cast<std::int32_t *>(
            av_stream_new_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(std::int32_t)));
        if (matrix)
            av_display_rotation_set(matrix, setup.rotation); // clockwise
    }
    if (avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) < 0 ||
        avformat_write_header(out.get(), nullptr) < 0)
        return "cannot write " + path;

    std::unique_ptr<AVFrame, Freer<av_frame_free>> frame(av_frame_alloc());
    frame->width = width;
    frame->height = height;
    frame->format = codec->pix_fmt;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return "out of memory";
    // Large clips are rendered small and scaled up: the LED grows with them.
    const auto format = AVPixelFormat(frame->format);
    std::unique_ptr<SwsContext, decltype(&sws_freeContext)> scaler(
        sws_getContext(setup.width, setup.height, format, width, height, format, SWS_BILINEAR,
                       nullptr, nullptr, nullptr),
        &sws_freeContext);
    std::vector<std::uint8_t> small;
    for (int i = 0; i < frameCount(setup); ++i) {
        const recording::FrameView v = renderView(setup, i, small);
        const std::uint8_t *planes[3] = {v.luma, v.cb, v.cr};
        const int strides[3] = {v.lumaStride, v.chromaStride, v.chromaStride};
        if (!scaler || av_frame_make_writable(frame.get()) < 0)
            return "out of memory";
        sws_scale(scaler.get(), planes, strides, 0, setup.height, frame->data, frame->linesize);
        frame->pts = mjpeg ? i : std::llround(v.timeMs * 90);
        if (!writePackets(out.get(), codec.get(), frame.get()))
            return "cannot encode frame " + std::to_string(i);
    }
    if (!writePackets(out.get(), codec.get(), nullptr) || av_write_trailer(out.get()) < 0)
        return "cannot finish " + path;
    return {};
}

} // namespace clips
