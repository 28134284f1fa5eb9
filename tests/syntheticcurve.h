#pragma once

// Light curves of a unit's LED as a camera would sample them, made from the
// program's own blink timeline, so that the truth is known.

#include "blinksequence.h"
#include "ledcode.h"
#include "recordingdecoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace synthetic {

struct CurveSetup {
    int colour = int(blinkcode::Colour::Red);
    int pattern = int(blinkcode::BatteryPattern::Steady); // green
    std::array<int, 4> flashes{1, 1, 3, 2};
    double clock = 1.0;     // the unit's clock against the camera's
    double startMs = 20000; // where in the unit's timeline the recording starts
    double lengthMs = 70000;
    double frameMs = 1000.0 / 30;
    double jitter = 0;     // of a frame interval, 0 to 1
    double exposure = 0.5; // of a frame interval, 0 to 1
    double bloom = 1;      // a light that fills this part of the exposure clips
    double dropped = 0;    // chance that a frame is lost
    double noise = 0;      // of the level
    unsigned seed = 1;
};

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

// The curve a camera records: each frame shows the part of its exposure in
// which the LED was lit, clipped as a bright LED clips, with noise.
inline std::vector<recording::LightSample> curve(const CurveSetup &setup)
{
    const Timeline spans = unitTimeline(setup.colour, setup.pattern, setup.flashes, setup.clock,
                                        setup.startMs + setup.lengthMs + 1e4, true);
    std::size_t first = 0;
    std::mt19937 random(setup.seed);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<recording::LightSample> samples;
    for (double t = 0; t < setup.lengthMs;
         t += setup.frameMs * (1 + setup.jitter * (unit(random) - 0.5))) {
        const double exposureMs = std::max(0.5, setup.exposure * setup.frameMs);
        const double from = setup.startMs + t;
        const double part = litPart(spans, from, from + exposureMs, first);
        const double level = std::min(1.0, part / std::max(0.05, setup.bloom)) +
                             setup.noise * (2 * unit(random) - 1);
        if (unit(random) >= setup.dropped)
            samples.push_back({t, float(level)});
    }
    return samples;
}

} // namespace synthetic
