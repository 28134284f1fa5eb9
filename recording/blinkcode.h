#pragma once

#include "pulses.h"
#include "reading.h"

#include <vector>

namespace recording {

// What else is known about the spans: the light's colour and how the
// recording was sampled.
struct SpanContext {
    int colour = -1;            // 0 green, 1 red, 2 yellow, -1 not known
    double frameIntervalMs = 0; // median time between frames
};

// The longest clock error of a unit that a reading allows: 5 %.
inline constexpr double ClockTolerance = 0.05;

// Reads the spans against the unit's timing: a green battery pattern (steady,
// 500 ms lit and dark, or 50 ms lit and 500 ms dark), or a red or yellow code
// of a 6000 ms light, 2000 ms dark, four digits of 50 ms flashes 500 ms apart,
// 2000 ms dark between the digits and 3000 ms after the fourth.
//
// Decoded only when every whole span has exactly one meaning, a whole cycle was
// seen, every whole cycle reads the same, the spans before and after fit it, and
// the colour fits; otherwise unsure with the reason, and the best reading where
// there is one.
Reading readBlinkCode(const std::vector<Span> &spans, const SpanContext &context);

} // namespace recording
