#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace blinkcode {

// Why a recording of the LED was not read with certainty. Each reason is a
// value with at most one number attached; words are chosen at the edge: the
// decoder's command line in English, the window from the catalogue, where the
// reason's key is also the key of its text.
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
    ReadTooSlow,      // value: seconds of the recording read before the time ran out
};

// The reasons' keys, in the order of Reason: in the decoder's --ipc output and
// in the catalogue. "none" also stands for a reason the window does not know.
inline constexpr std::array<const char *, 14> ReasonKeys = {"none",
                                                            "cannot_open",
                                                            "not_a_video",
                                                            "frame_too_large",
                                                            "no_frames",
                                                            "no_blinking_light",
                                                            "too_short",
                                                            "frame_rate_too_low",
                                                            "cycles_disagree",
                                                            "two_lights_blink",
                                                            "colour_unclear",
                                                            "colour_does_not_fit",
                                                            "not_a_kestrion_code",
                                                            "read_too_slow"};

constexpr std::string_view reasonKey(Reason reason)
{
    const auto i = std::size_t(reason);
    return i < ReasonKeys.size() ? ReasonKeys[i] : ReasonKeys[0];
}

} // namespace blinkcode
