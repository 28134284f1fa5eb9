#pragma once

#include "ledcode.h"
#include "videoreader.h"

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

// Synthetic recordings of the unit's LED with a known truth, filmed as a phone
// films it: the unit's grey face with its label, the LED's lens, a lit core
// that clips with its coloured glow, the camera's exposure of each row, auto
// exposure and white balance, a hand that shakes, and the room around. The LED
// follows the main window's own blink timeline. Frames are rendered as 8-bit
// YUV 4:2:0 and, when a file is wanted, encoded with FFmpeg.
namespace clips {

enum class Codec { H264Mp4, HevcMp4, H264Mkv, HevcMkv, MjpegAvi };
// A dark LED is its lens, lit by the room: milky (as bright as a white label),
// clear (a dark dome with a highlight) or smoked (darker still).
enum class Lens { Milky, Clear, Smoked };

struct ClipSetup {
    int width = 320, height = 180; // rendered size, even
    double durationS = 40;
    double fps = 30;
    // What the unit shows.
    int colour = int(blinkcode::Colour::Red);
    int pattern = int(blinkcode::BatteryPattern::SlowBlinking); // green
    std::array<int, 4> flashes{3, 1, 4, 2};                     // red and yellow: 1 to 16 each
    double startMs = 0;     // the clip starts this far into the cycle (0: the long light starts)
    double clockFactor = 1; // the unit's intervals last this many times their nominal length
    std::array<int, 4> nextFlashes{}; // when set, the unit shows this code from changeAtMs on,
    double changeAtMs = 0;            // in ms of the clip, starting with its long light

    // The LED. Its light is measured against what a white card in the room sends back.
    Lens lens = Lens::Milky;
    double ledRadius = 2.5; // of the lens, in pixels; 0: no LED in the picture
    double ledPower = 8;    // lit: 1 just clips; 0.3 (a dim red) to 30
    double haloScale = 1.8; // the glow's width in lens radii, 1 to 3
    double tint = -1;       // the light's hue: 0 red, 1 yellow, 2 green (0.5 amber, 1.5 lime);
                            // -1: the colour's own
    // The scene.
    double level = 1;               // room light: below 1 a dim room
    double faceGrey = 0.45;         // the unit's face, gamma-coded: 0.3 to 0.65
    double warmth = 0;              // room light from -0.5 (daylight, blue) to 1 (a warm lamp)
    bool lamp = false;              // a steady lamp on the wall
    bool window = false;            // a bright window at the frame's edge
    bool otherBlinker = false;      // a blue light on the unit blinking about once a second
    bool reflection = false;        // a soft reflection wandering over the face
    std::array<int, 4> otherCode{}; // a second LED blinking this code...
    int otherColour = -1;           // ...in this colour (-1: the LED's own)
    double coverFromMs = 0, coverToMs = 0; // a hand covers the LED, in ms of the clip
    double panFromMs = 0, panToMs = 0;     // the phone points away from the unit

    // The camera.
    double exposureMs = 0;     // 0: the whole frame interval
    double readoutMs = 0;      // rolling shutter, top row to bottom; 0: 0.8 of the frame interval
    double autoExposure = 0;   // how much darker the picture gets while the LED stays lit, 0 to 0.6
    double aeDelayS = 0.4;     // how quickly it follows: 0.15 to 0.8 s (it lets go 4 times slower)
    double whiteBalance = 0;   // how far it corrects the lit LED's colour, 0 to 1
    double gainRamp = 0;       // gains drift apart by this much per channel over the clip
    double shakePx = 0;        // hand tremor, in pixels
    double shakeHz = 2;        // its main frequency: 0.7 to 9 Hz
    double aimX = 0, aimY = 0; // where the phone points: parts of the frame right and down
    double driftPx = 0;        // slow drift over the whole clip, in pixels
    double rollDeg = 0;        // the phone's roll, swaying
    bool motionBlur = false;   // the picture smears along the motion during each exposure
    double jitterMs = 0; // random shift of each frame's time, at most 0.45 of a frame interval
    double dropRate = 0; // chance that a frame is dropped (never two in a row)
    int flickerHz = 0;   // 100 or 120: mains light in rolling bands
    double flickerDepth = 0.2;
    double noise = 4; // sensor noise, in luma levels
    double ghost =
        0; // temporal noise reduction keeps this part of the last frame's light, 0 to 0.6

    // The file.
    Codec codec = Codec::H264Mp4;
    int quality = 23;                // CRF (H.264, HEVC) or quantiser (MJPEG, 2 to 31)
    int bitrateKbps = 0;             // H.264 and HEVC at this average bitrate instead of CRF
    int rotation = 0;                // display rotation in the metadata: 0, 90, 180, 270
    int outWidth = 0, outHeight = 0; // encoded size when scaled up; 0: as rendered
    std::string preset = "veryfast"; // x264 and x265 speed preset
    bool drawnByFfmpeg = false;      // drawn by FFmpeg's own filters instead: a plain dot on a flat
                                     // face of faceGrey, timed from the same timeline
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
// The ffmpeg command line (without "ffmpeg") that draws the clip with lavfi
// sources and drawbox: H.264 in MP4 at constant frame rate.
std::vector<std::string> ffmpegDrawnClip(const ClipSetup &setup, const std::string &path);

// The setup in a few words: size, rate, codec and each condition that is on.
std::string describe(const ClipSetup &setup);

// A difficulty: draws a whole setup at random from realistic ranges.
struct Level {
    const char *name;
    bool readable; // false: a careful person could not tell the code, a reader must be unsure
    void (*draw)(ClipSetup &, std::mt19937 &);
};
// Every level: one per condition a phone brings, "phone" with all of them, then
// the clips that do not hold one code, and one drawn by FFmpeg.
const std::vector<Level> &levels();
// A clip of a level from a seed: a random code filmed from a random point for
// one cycle x 1.03 + 10 s (12 s for green) at 320x180 to 640x360, then the
// level's own conditions. A width of 320, 480 or 640 is kept instead of the drawn
// one. False when no level has that name.
bool drawClip(const std::string &level, std::uint32_t seed, ClipSetup &setup, int width = 0);

} // namespace clips
