#pragma once

#include <vector>

namespace decoding {

// What a span of light or dark was read as, in the decoder's own order. A
// green pattern is read with a code's: its short flash is a flash, its dark a
// flash gap, slow blinking's light a blink.
enum class Phase { Flash, Blink, Long, FlashGap, DigitGap, CyclePause, None, Ambiguous };

// The light curve of a recording as the decoder read it, for a picture: the
// level over time, the spans it was cut into with the phase of each, and
// what follows from them.
struct LightView {
    struct Sample {
        double timeMs = 0;
        double level = 0; // 0 dark, 1 lit; a little beyond either with noise
    };
    struct Span {
        double startMs = 0, endMs = 0;
        bool lit = false;
        Phase phase = Phase::None;
    };
    int colour = -1; // a blinkcode::Colour, -1 unknown
    std::vector<Sample> curve;
    std::vector<Span> spans;
    double cycleStartMs = -1; // where a whole cycle starts, -1 unknown
};

// The flashes of one digit: a run of flashes between a digit gap before it
// and a digit gap or the cycle's pause after it, so seen whole.
struct DigitCount {
    double startMs = 0, endMs = 0; // from the first flash's start to the last one's end
    int flashes = 0;
};

// The digits whose flashes the spans show whole, in the order seen.
std::vector<DigitCount> digitCounts(const std::vector<LightView::Span> &spans);

} // namespace decoding
