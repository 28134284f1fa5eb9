#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace recording {

// One decoded picture as 8-bit planar YUV, with the time it is shown at. The
// pointers are valid only during the call that receives the view.
struct FrameView {
    double timeMs = 0;         // presentation time, 0 at the start of the recording
    int width = 0, height = 0; // luma size in pixels, as stored (rotation not applied)
    const std::uint8_t *luma = nullptr;
    int lumaStride = 0;
    const std::uint8_t *cb = nullptr, *cr = nullptr;
    int chromaStride = 0;
    int chromaWidth = 0, chromaHeight = 0; // 4:2:0, 4:2:2 or 4:4:4
};

enum class VideoError {
    None,
    CannotOpen,    // missing, unreadable, not a regular file (folder, FIFO)
    NotAVideo,     // no video stream, or FFmpeg does not know the format
    NoDecoder,     // a video stream FFmpeg cannot decode
    FrameTooLarge, // more pixels than any phone or webcam records
    NoFrames,      // not a single frame could be decoded
    TimedOut,      // reading took longer than the time allowed for the recording
};

struct VideoInfo {
    double durationMs = 0;     // from the container; 0 when unknown
    int width = 0, height = 0; // as stored
    int rotationDegrees = 0;   // display rotation from the metadata: 0, 90, 180, 270
};

// Reads the frames of a video file with FFmpeg, one at a time, with the
// decoder's own threads. Memory does not grow with the recording's length.
class VideoReader
{
public:
    VideoReader();
    ~VideoReader();
    VideoReader(const VideoReader &) = delete;
    VideoReader &operator=(const VideoReader &) = delete;

    // Opens a regular file and chooses its best video stream.
    VideoError open(const std::string &path);
    // What open() found.
    const VideoInfo &info() const;
    // Decodes the frames in presentation order and passes each to onFrame,
    // which returns false to stop. Times strictly increase: a frame whose
    // timestamp is missing or not after the previous one is dropped. A damaged
    // packet is skipped and reading goes on; the end of a truncated file ends
    // the reading. Returns NoFrames when no frame reached onFrame, and TimedOut
    // when the time allowed ran out first, whatever had been read by then.
    VideoError readFrames(const std::function<bool(const FrameView &)> &onFrame);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace recording
