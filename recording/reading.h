#pragma once

#include "ledcode.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace recording {

// What a recording was read as.
enum class Status { Decoded, Unsure, Error };

// Why a recording was not decoded. Each reason is a value with at most one
// number attached (Reading::reasonValue); words are chosen at the edge: the
// command line in English, the window from the catalogue under the reason's key.
enum class Reason {
    None,
    // Errors: the file gave no picture to look at.
    CannotOpen,    // missing, unreadable, or not a regular file
    NotAVideo,     // no video stream (audio, picture, text, empty file)
    FrameTooLarge, // value: the frame's width times height in megapixels
    NoFrames,      // a video stream without a single decodable frame
    // Unsure: pictures, but no reading that is certain.
    NoBlinkingLight,  // nothing in the picture blinks or glows like the LED
    TooShort,         // value: seconds to film at least
    FrameRateTooLow,  // value: frames per second of the recording
    CyclesDisagree,   // two cycles in the clip read differently
    TwoLightsBlink,   // two lights blink with different codes
    ColourUnclear,    // the light's colour is neither green, red nor yellow
    ColourDoesNotFit, // a green code in red or yellow, or the other way round
    NotAKestrionCode, // the blinking does not follow the unit's timing
};

// The reason's key: in --ipc output and in the catalogue section [Aufnahme].
std::string_view reasonKey(Reason reason);

// A recording's reading: the colour with the battery pattern or the four flash
// counts, or as much of it as was seen when unsure.
struct Reading {
    Status status = Status::Error;
    Reason reason = Reason::None;
    double reasonValue = 0;
    int colour = -1;              // a blinkcode::Colour, -1 unknown
    int pattern = -1;             // green: a blinkcode::BatteryPattern, -1 unknown
    std::array<int, 4> flashes{}; // red and yellow: 1 to 16 each, 0 when unknown
    double cycleStartMs = -1;     // where a whole cycle starts in the recording, -1 unknown
    bool hasCode() const
    {
        constexpr int green = int(blinkcode::Colour::Green);
        return colour == green ? pattern >= 0 : colour > green && flashes[0] > 0;
    }
};

// The error word the reading reports: bit 0, 1 or 2 for a battery pattern; the
// four flash counts minus one as hexadecimal digits, the first digit highest.
std::int32_t errorWord(const Reading &reading);

} // namespace recording
