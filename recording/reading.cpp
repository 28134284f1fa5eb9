#include "reading.h"

#include "errorword.h"

namespace recording {

std::string_view reasonKey(Reason reason)
{
    switch (reason) {
    case Reason::None:
        return "none";
    case Reason::CannotOpen:
        return "cannot_open";
    case Reason::NotAVideo:
        return "not_a_video";
    case Reason::FrameTooLarge:
        return "frame_too_large";
    case Reason::NoFrames:
        return "no_frames";
    case Reason::NoBlinkingLight:
        return "no_blinking_light";
    case Reason::TooShort:
        return "too_short";
    case Reason::FrameRateTooLow:
        return "frame_rate_too_low";
    case Reason::CyclesDisagree:
        return "cycles_disagree";
    case Reason::TwoLightsBlink:
        return "two_lights_blink";
    case Reason::ColourUnclear:
        return "colour_unclear";
    case Reason::ColourDoesNotFit:
        return "colour_does_not_fit";
    case Reason::NotAKestrionCode:
        return "not_a_kestrion_code";
    }
    return "none";
}

std::int32_t errorWord(const Reading &reading)
{
    if (!reading.hasCode())
        return 0;
    if (reading.colour == int(blinkcode::Colour::Green))
        return blinkcode::batteryWord(reading.pattern);
    const std::array<int, 4> &f = reading.flashes;
    return blinkcode::digitWord({f[0] - 1, f[1] - 1, f[2] - 1, f[3] - 1});
}

} // namespace recording
