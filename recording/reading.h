#pragma once

#include "ledcode.h"
#include "readingreason.h"

#include <array>
#include <cstdint>

namespace recording {

// What a recording was read as.
enum class Status { Decoded, Unsure, Error };

// Why a recording was not decoded, with its key.
using blinkcode::Reason;
using blinkcode::reasonKey;

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
