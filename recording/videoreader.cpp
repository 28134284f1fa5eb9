#include "videoreader.h"

#include "readinglimits.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/cpu.h>
#include <libavutil/display.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

namespace recording {

namespace {

using Clock = std::chrono::steady_clock;

// More than any phone or webcam records (8K is 33 megapixels): a frame size
// beyond it is a damaged or hostile header, and would cost gigabytes to decode.
constexpr int MaxSide = 8192;
constexpr std::int64_t MaxPixels = 40'000'000;
// Opening reads at most a few megabytes; a file that takes longer than this to
// open or to read is given up, whatever it holds.
constexpr auto OpenTime = std::chrono::seconds(int(blinkcode::OpenTimeS));

// Frees an FFmpeg object with its free function, which takes the pointer's address.
template <auto Free> struct Freer {
    template <typename T> void operator()(T *p) const { Free(&p); }
};
struct ScalerFreer {
    void operator()(SwsContext *s) const { sws_freeContext(s); }
};

bool tooLarge(std::int64_t width, std::int64_t height)
{
    return width > MaxSide || height > MaxSide || width * height > MaxPixels;
}

// Formats that hold planes the analysis reads as they are.
bool planarYuv8(int format)
{
    switch (format) {
    case AV_PIX_FMT_YUV420P:
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUV422P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUV444P:
    case AV_PIX_FMT_YUVJ444P:
        return true;
    default:
        return false;
    }
}

// What FFmpeg offers as a video but is none: a single picture (also a GIF of
// one frame), a cover picture beside sound, or text that its ANSI-art
// decoders draw (a file named .asc).
bool notAVideo(const AVFormatContext *format, const AVStream *stream)
{
    const std::string_view name = format->iformat->name;
    const AVCodecID id = stream->codecpar->codec_id;
    return name == "image2" || name.ends_with("_pipe") || stream->nb_frames == 1 ||
           (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) || id == AV_CODEC_ID_ANSI ||
           id == AV_CODEC_ID_BINTEXT || id == AV_CODEC_ID_XBIN || id == AV_CODEC_ID_IDF;
}

// The display rotation, clockwise, as the stream's display matrix gives it.
int rotationOf(const AVStream *stream)
{
    std::size_t size = 0;
    const std::uint8_t *matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!matrix || size < 9 * sizeof(std::int32_t))
        return 0;
    const double degrees = -av_display_rotation_get(reinterpret_cast<const std::int32_t *>(matrix));
    if (!std::isfinite(degrees))
        return 0;
    return int(((std::lround(degrees / 90) % 4) + 4) % 4) * 90;
}

} // namespace

struct VideoReader::Private {
    std::unique_ptr<AVFormatContext, Freer<avformat_close_input>> format;
    std::unique_ptr<AVCodecContext, Freer<avcodec_free_context>> codec;
    std::unique_ptr<SwsContext, ScalerFreer> scaler;
    std::vector<std::uint8_t> converted; // frames in other formats, as 8-bit 4:2:0
    AVStream *stream = nullptr;
    VideoInfo info;
    std::int64_t fileSize = 0;
    Clock::time_point deadline;

    // FFmpeg asks this during every read: non-zero gives the read up.
    static int interrupted(void *opaque)
    {
        return Clock::now() > static_cast<const Private *>(opaque)->deadline;
    }

    VideoError openDecoder();
    bool deliver(const AVFrame *frame, double timeMs,
                 const std::function<bool(const FrameView &)> &onFrame);
};

VideoReader::VideoReader() : d(std::make_unique<Private>()) {}

VideoReader::~VideoReader() = default;

VideoError VideoReader::open(const std::string &path)
{
    d = std::make_unique<Private>();
    // Only a regular file: a FIFO would block the reading, a folder has no frames.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return VideoError::CannotOpen;
    if (st.st_size == 0)
        return VideoError::NotAVideo;
    d->fileSize = st.st_size;
    av_log_set_level(AV_LOG_FATAL); // damaged files are expected; their errors are ours to report

    AVFormatContext *format = avformat_alloc_context();
    if (!format)
        return VideoError::CannotOpen;
    format->interrupt_callback = {&Private::interrupted, d.get()};
    d->deadline = Clock::now() + OpenTime;
    // Only local files, also for playlists inside the file; a bounded look at its start.
    AVDictionary *options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    av_dict_set(&options, "probesize", "5000000", 0);
    av_dict_set(&options, "analyzeduration", "5000000", 0);
    // "file:" keeps a name with a colon from being taken for a protocol.
    const int opened = avformat_open_input(&format, ("file:" + path).c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0) // format is freed
        return opened == AVERROR(EACCES) || opened == AVERROR(ENOENT) ? VideoError::CannotOpen
                                                                      : VideoError::NotAVideo;
    d->format.reset(format);
    if (avformat_find_stream_info(format, nullptr) < 0)
        return VideoError::NotAVideo;
    return d->openDecoder();
}

VideoError VideoReader::Private::openDecoder()
{
    const AVCodec *decoder = nullptr;
    const int index = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (index == AVERROR_DECODER_NOT_FOUND)
        return VideoError::NoDecoder;
    if (index < 0 || notAVideo(format.get(), format->streams[index]))
        return VideoError::NotAVideo;
    stream = format->streams[index];
    const AVCodecParameters *par = stream->codecpar;
    info.width = par->width;
    info.height = par->height;
    info.rotationDegrees = rotationOf(stream);
    if (format->duration > 0)
        info.durationMs = format->duration * 1000.0 / AV_TIME_BASE;
    else if (stream->duration > 0)
        info.durationMs = stream->duration * av_q2d(stream->time_base) * 1000;
    if (tooLarge(par->width, par->height))
        return VideoError::FrameTooLarge;

    codec.reset(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), par) < 0)
        return VideoError::NoDecoder;
    codec->pkt_timebase = stream->time_base;
    // The decoder's own threads; a few are enough, and each holds frames of its own.
    codec->thread_count = std::clamp(av_cpu_count(), 1, 4);
    codec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    codec->max_pixels = MaxPixels; // also for a size that changes within the stream
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0)
        return VideoError::NoDecoder;
    // Other streams (sound, subtitles) are not even read from the file.
    for (unsigned i = 0; i < format->nb_streams; ++i)
        format->streams[i]->discard = int(i) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    return VideoError::None;
}

const VideoInfo &VideoReader::info() const
{
    return d->info;
}

bool VideoReader::Private::deliver(const AVFrame *frame, double timeMs,
                                   const std::function<bool(const FrameView &)> &onFrame)
{
    FrameView view;
    view.timeMs = timeMs;
    view.width = frame->width;
    view.height = frame->height;
    const uint8_t *const *planes = frame->data;
    const int *strides = frame->linesize;
    uint8_t *convertedPlanes[4] = {};
    int convertedStrides[4] = {};
    int format = frame->format;
    if (!planarYuv8(format)) {
        // Everything else (10-bit, semi-planar, RGB, grey) becomes 8-bit 4:2:0.
        const int cw = (frame->width + 1) / 2, ch = (frame->height + 1) / 2;
        converted.resize(std::size_t(frame->width) * frame->height + 2 * std::size_t(cw) * ch);
        convertedPlanes[0] = converted.data();
        convertedPlanes[1] = convertedPlanes[0] + std::size_t(frame->width) * frame->height;
        convertedPlanes[2] = convertedPlanes[1] + std::size_t(cw) * ch;
        convertedStrides[0] = frame->width;
        convertedStrides[1] = convertedStrides[2] = cw;
        scaler.reset(sws_getCachedContext(
            scaler.release(), frame->width, frame->height, AVPixelFormat(format), frame->width,
            frame->height, AV_PIX_FMT_YUV420P, SWS_POINT, nullptr, nullptr, nullptr));
        if (!scaler || sws_scale(scaler.get(), planes, strides, 0, frame->height, convertedPlanes,
                                 convertedStrides) <= 0)
            return true; // a frame that cannot be converted is skipped
        // Grey pictures have no colour: flat chroma, whatever swscale made of it.
        const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(AVPixelFormat(format));
        if (desc && desc->nb_components <= 2)
            std::memset(convertedPlanes[1], 128, 2 * std::size_t(cw) * ch);
        planes = convertedPlanes;
        strides = convertedStrides;
        format = AV_PIX_FMT_YUV420P;
    }
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(AVPixelFormat(format));
    view.luma = planes[0];
    view.lumaStride = strides[0];
    view.cb = planes[1];
    view.cr = planes[2];
    view.chromaStride = strides[1];
    view.chromaWidth = AV_CEIL_RSHIFT(frame->width, desc->log2_chroma_w);
    view.chromaHeight = AV_CEIL_RSHIFT(frame->height, desc->log2_chroma_h);
    return onFrame(view);
}

VideoError VideoReader::readFrames(const std::function<bool(const FrameView &)> &onFrame)
{
    if (!d->codec)
        return VideoError::NoFrames;
    // Bounded time: generous for the part of the recording a reading reads,
    // the same bound the window waits for.
    const double seconds = blinkcode::readTimeS(d->info.durationMs / 1000);
    d->deadline = Clock::now() + std::chrono::milliseconds(std::int64_t(seconds * 1000));

    std::unique_ptr<AVPacket, Freer<av_packet_free>> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, Freer<av_frame_free>> frame(av_frame_alloc());
    if (!packet || !frame)
        return VideoError::NoFrames;
    const std::int64_t start = d->stream->start_time;
    std::int64_t origin = start;
    double lastMs = -1;
    int delivered = 0;
    bool stopped = false, draining = false, timedOut = false;
    while (!stopped && !draining) {
        // The end of the file, a damaged end, a file that shrank or the time
        // bound: all end the reading, and the decoder gives what it holds.
        timedOut = Private::interrupted(d.get());
        int ret = timedOut ? AVERROR_EXIT : av_read_frame(d->format.get(), packet.get());
        // A read that the time bound interrupted is no end of the file.
        timedOut = timedOut || (ret == AVERROR_EXIT && Private::interrupted(d.get()));
        // A file that grows while it is read is read as far as it was at opening.
        if (ret >= 0 && d->format->pb && avio_tell(d->format->pb) > d->fileSize)
            ret = AVERROR_EOF;
        if (ret < 0)
            draining = true;
        else if (packet->stream_index != d->stream->index) {
            av_packet_unref(packet.get());
            continue;
        }
        // A damaged packet is refused by the decoder; reading goes on with the next.
        ret = avcodec_send_packet(d->codec.get(), draining ? nullptr : packet.get());
        av_packet_unref(packet.get());
        if (ret < 0 && !draining)
            continue;
        while (!stopped && avcodec_receive_frame(d->codec.get(), frame.get()) >= 0) {
            const std::int64_t pts = frame->best_effort_timestamp;
            if (pts != AV_NOPTS_VALUE && origin == AV_NOPTS_VALUE)
                origin = pts;
            const double timeMs =
                pts == AV_NOPTS_VALUE ? -1 : (pts - origin) * av_q2d(d->stream->time_base) * 1000;
            if (pts != AV_NOPTS_VALUE && timeMs > lastMs && timeMs >= 0 && frame->width > 0 &&
                frame->height > 0 && !tooLarge(frame->width, frame->height)) {
                lastMs = timeMs;
                ++delivered;
                stopped = !d->deliver(frame.get(), timeMs, onFrame);
            }
            av_frame_unref(frame.get());
        }
    }
    if (timedOut)
        return VideoError::TimedOut;
    return delivered > 0 ? VideoError::None : VideoError::NoFrames;
}

} // namespace recording
