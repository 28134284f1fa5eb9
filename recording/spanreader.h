#pragma once

#include "reading.h"
#include "spans.h"

#include <vector>

namespace recording {

// What else is known about the spans: the light's colour and how the
// recording was sampled.
struct SpanContext {
    int colour = -1;            // a blinkcode::Colour, -1 not known
    double frameIntervalMs = 0; // median time between frames
};

// Reads the spans against the unit's timing (ledcode.h): a green battery
// pattern, or a red or yellow code of four digits.
//
// Decoded only when every whole span has exactly one meaning, a whole cycle was
// seen, every whole cycle reads the same, the spans before and after fit it, and
// the colour fits; otherwise unsure with the reason, and the best reading where
// there is one.
Reading readBlinkCode(const std::vector<Span> &spans, const SpanContext &context);

} // namespace recording
