#pragma once

// The unit's LED as a timeline of lit and dark spans, made from the program's
// own blink sequence, so that a generated recording's truth is known.

#include "blinksequence.h"
#include "ledcode.h"

#include <algorithm>
#include <array>
#include <vector>

namespace synthetic {

// A stretch of the LED's timeline: from startMs on until the next one, lit or dark.
struct Span {
    double startMs;
    bool lit;
};
using Timeline = std::vector<Span>;

// The LED's spans up to untilMs, in camera ms (the unit's ms times clock). A
// code starts with its long light, a battery pattern where the display button
// armed it; fromArming starts both when the button armed them, with the LED lit
// as a selection leaves it (a code's first light then lasts a pause longer).
inline Timeline unitTimeline(int colour, int pattern, const std::array<int, 4> &flashes,
                             double clock, double untilMs, bool fromArming = false)
{
    using namespace blinkcode;
    const BlinkInputs inputs{colour == int(Colour::Green),
                             pattern,
                             {flashes[0] - 1, flashes[1] - 1, flashes[2] - 1, flashes[3] - 1}};
    BlinkState state = armBlinkSequence({0, fromArming || !inputs.batteryMode}, inputs);
    Timeline spans;
    double t = 0;
    if (fromArming)
        spans.push_back({0, true}), t = state.interval * clock;
    while (t < untilMs) {
        state = nextBlinkState(state, inputs);
        if (spans.empty() || spans.back().lit != state.lit)
            spans.push_back({t, state.lit});
        if (!state.running || state.interval <= 0)
            break;
        t += state.interval * clock;
    }
    return spans;
}

// The part of [fromMs, toMs) in which the LED is lit, 0 to 1. `first` keeps
// the span the last call began in, so that calls in time order stay quick.
inline double litPart(const Timeline &spans, double fromMs, double toMs, std::size_t &first)
{
    toMs = std::max(toMs, fromMs + 1e-6);
    first = std::min(first, spans.empty() ? 0 : spans.size() - 1);
    while (first > 0 && spans[first].startMs > fromMs)
        --first;
    while (first + 1 < spans.size() && spans[first + 1].startMs <= fromMs)
        ++first;
    double lit = 0;
    for (std::size_t k = first; k < spans.size() && spans[k].startMs < toMs; ++k) {
        const double end = k + 1 < spans.size() ? spans[k + 1].startMs : 1e300;
        if (spans[k].lit)
            lit += std::max(0.0, std::min(end, toMs) - std::max(spans[k].startMs, fromMs));
    }
    return lit / (toMs - fromMs);
}

} // namespace synthetic
