#pragma once

// Light curves of a unit's LED as a camera would sample them, made from the
// program's own blink timeline, so that the truth is known.

#include "recordingdecoder.h"
#include "unittimeline.h"

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
