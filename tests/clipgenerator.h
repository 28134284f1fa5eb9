#pragma once

#include "ledcode.h"
#include "videoreader.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Synthetic recordings of the unit's LED with a known truth: the LED follows
// the main window's own blink timeline. Frames are rendered as 8-bit YUV 4:2:0
// and, when a file is wanted, encoded with FFmpeg.
namespace clips {

enum class Codec { H264Mp4, HevcMp4, H264Mkv, HevcMkv, MjpegAvi };

struct ClipSetup {
    int width = 320, height = 180; // rendered size, even
    double durationS = 40;
    double fps = 30;
    int colour = int(blinkcode::Colour::Red);
    int pattern = int(blinkcode::BatteryPattern::SlowBlinking); // green
    std::array<int, 4> flashes{3, 1, 4, 2};                     // red and yellow: 1 to 16 each
    double startMs = 0;     // the clip starts this far into the cycle (0: the long light starts)
    double clockFactor = 1; // the unit's intervals last this many times their nominal length
    double jitterMs = 0;    // random shift of each frame's time, at most 0.45 of a frame interval
    double exposureMs = 0;  // 0: the whole frame interval
    double ledRadius = 2.5; // of the lit core, in pixels
    double level = 1;       // scene light: below 1 a dim room
    double shakePx = 0;     // hand shake, in pixels
    double driftPx = 0;     // slow drift over the whole clip, in pixels
    double gainRamp = 0; // auto exposure and white balance: gains change by this much per channel
    int flickerHz = 0;   // 100 or 120: mains light in rolling bands
    double flickerDepth = 0.2;
    bool lamp = false;              // a steady lamp in the picture
    bool otherBlinker = false;      // a light blinking at a rhythm of its own
    std::array<int, 4> otherCode{}; // a second LED of the same colour blinking this code
    double noise = 4;               // background noise, in luma levels
    Codec codec = Codec::H264Mp4;
    int quality = 23;                // CRF (H.264, HEVC) or quantiser (MJPEG, 2 to 31)
    int rotation = 0;                // display rotation in the metadata: 0, 90, 180, 270
    int outWidth = 0, outHeight = 0; // encoded size when scaled up; 0: as rendered
    std::string preset = "veryfast"; // x264 and x265 speed preset
    std::uint32_t seed = 1;
};

// How many frames the clip has.
int frameCount(const ClipSetup &setup);
// Renders frame i into buffer (resized as needed; 8-bit 4:2:0, chroma half of each
// size) and returns a view of it with its time, for feeding the analysis without a file.
recording::FrameView renderView(const ClipSetup &setup, int i, std::vector<std::uint8_t> &buffer);

// Encodes the clip into path (container and codec from setup.codec, each frame
// with its own timestamp). Returns an empty string or what went wrong.
std::string encodeClip(const ClipSetup &setup, const std::string &path);

} // namespace clips
