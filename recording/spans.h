#pragma once

#include "lightsample.h"

#include <vector>

namespace recording {

// A stretch of time in which the LED was lit, or dark. Its edges are known only
// to lie between two samples, so its length is a range: the true length lies
// between minMs and maxMs (before the slack allowed for exposure).
struct Span {
    bool lit = false;
    double startMs = 0; // the edge's best estimate: halfway between the two samples
    double minMs = 0;
    double maxMs = 0;
    bool cutAtStart = false; // began before the recording: only its end was seen
    bool cutAtEnd = false;   // outlasts the recording: only its start was seen
    bool whole() const { return !cutAtStart && !cutAtEnd; }
};

// Splits a light curve (levels 0 dark to 1 lit) into alternating lit and dark
// spans. A sample counts as lit above 0.45 and as dark below 0.25 (a
// short flash, blurred by compression, may reach only half the long light's level); in between it
// keeps the state before it, so noise around one threshold adds no edge. Samples
// need not come at a steady rate: each edge's uncertainty is the distance
// between the samples around it.
std::vector<Span> sliceLightCurve(const std::vector<LightSample> &curve);

} // namespace recording
