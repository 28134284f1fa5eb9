#pragma once

// Light curves of a unit's LED as a camera would sample them, made from the
// program's own blink timeline, so that the truth is known.

#include "blinksequence.h"
#include "recordingdecoder.h"

#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace synthetic {

struct CurveSetup {
    int colour = 1;  // 0 green, 1 red, 2 yellow
    int pattern = 0; // green: 0 steady, 1 slow, 2 short
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

// The LED's timeline from the moment the display button arms it, with the LED
// lit as a selection leaves it: alternating spans, the first lit, in unit ms.
inline std::vector<double> timeline(const CurveSetup &setup, double untilMs)
{
    main_window::BlinkInputs inputs;
    inputs.batteryMode = setup.colour == 0;
    inputs.pattern = setup.pattern;
    for (int d = 0; d < 4; ++d)
        inputs.digits[std::size_t(d)] = setup.flashes[std::size_t(d)] - 1;
    main_window::BlinkState state;
    state.lit = true;
    state.interval = inputs.batteryMode ? 500 : 3000;
    state.blinkCount = qint16(setup.flashes[0]);
    std::vector<double> spans{0};
    double nowMs = 0;
    while (nowMs < untilMs) {
        nowMs += state.interval;
        spans.back() += state.interval;
        const bool wasLit = state.lit;
        state = main_window::nextBlinkState(state, inputs);
        if (!state.running) { // the steady light stays
            spans.back() += untilMs;
            break;
        }
        if (state.lit != wasLit)
            spans.push_back(0);
    }
    return spans;
}

// The curve a camera records: each frame shows the part of its exposure in
// which the LED was lit, clipped as a bright LED clips, with noise.
inline std::vector<recording::LightSample> curve(const CurveSetup &setup)
{
    const std::vector<double> spans =
        timeline(setup, (setup.startMs + setup.lengthMs) / setup.clock + 1e4);
    // Span starts in camera ms; samples come in time order, so the search
    // for the first span a sample's exposure touches only moves forward.
    std::vector<double> starts{0};
    for (double span : spans)
        starts.push_back(starts.back() + span * setup.clock);
    std::size_t first = 0;
    auto litBetween = [&](double fromMs, double toMs) {
        while (first + 1 < spans.size() && starts[first + 1] <= fromMs)
            ++first;
        double lit = 0;
        for (std::size_t i = first; i < spans.size() && starts[i] < toMs; ++i) {
            if (i % 2 == 0)
                lit += std::max(0.0, std::min(starts[i + 1], toMs) - std::max(starts[i], fromMs));
        }
        return lit;
    };
    std::mt19937 random(setup.seed);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<recording::LightSample> samples;
    for (double t = 0; t < setup.lengthMs;
         t += setup.frameMs * (1 + setup.jitter * (unit(random) - 0.5))) {
        const double exposureMs = std::max(0.5, setup.exposure * setup.frameMs);
        const double from = setup.startMs + t;
        const double part = litBetween(from, from + exposureMs) / exposureMs;
        const double level = std::min(1.0, part / std::max(0.05, setup.bloom)) +
                             setup.noise * (2 * unit(random) - 1);
        if (unit(random) >= setup.dropped)
            samples.push_back({t, float(level)});
    }
    return samples;
}

} // namespace synthetic
