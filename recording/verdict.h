#pragma once

#include "reading.h"
#include "spans.h"

#include <vector>

namespace recording {

// How a light's colour moved when it lit, in one lit span: the mean chroma of
// the light and its glow while lit less that while dark around it, in 8-bit
// chroma steps (against the frame's mean chroma, so that the white balance
// moving the whole picture does not count).
struct ColourSample {
    double cb = 0, cr = 0;
};

// What the verdict knows of a light that is lit all the time: whether it looks
// like an LED rather than a lamp, a window or a sign.
struct SteadyLook {
    double areaFraction = 1; // of the picture that is this bright and this colour
    double chroma = 0;       // colour strength of its light: 8-bit chroma steps from grey
    double luma = 0;         // its brightness, 0 to 255
    bool apart = false;      // no other bright area touches it
    double litFraction = 0;  // of the recording's length that it was seen lit
};

// Everything found of one light in the recording: its lit and dark spans, and
// the colour of each lit span (one sample per lit span, in order).
struct LightEvidence {
    std::vector<Span> spans;
    std::vector<ColourSample> colours;
    bool steady = false; // never dark: spans is then one lit span
    SteadyLook look;     // for a steady light
};

// The colour a chroma shift shows: a blinkcode::Colour, or -1 when it lies
// near the edge of a colour's band, between the bands, or shows too little colour.
int colourOf(const ColourSample &sample);

// The reading of all the lights found, and which light it was read from (-1
// when none). Sure only when nothing in the picture argues against it.
struct Verdict {
    Reading reading;
    int light = -1;
};
Verdict judge(const std::vector<LightEvidence> &lights, double frameIntervalMs);

} // namespace recording
