#pragma once

#include "lightsample.h"
#include "phases.h"
#include "reading.h"

#include <functional>
#include <string>
#include <vector>

namespace recording {

// Everything read from a recording: the reading, and what it was read from:
// the light curve (empty when no light was found), its lit and dark spans and
// the phase each span was read as, for a plot or a live view.
struct RecordingResult {
    Reading reading;
    std::vector<LightSample> curve;
    std::vector<Span> spans;
    std::vector<Phase> phases;  // one per span
    double frameIntervalMs = 0; // median time between frames
    double readMs = 0;          // how much of the recording was read, to its last frame's end
};

// Called now and then while frames are read: how far the reading has come, the
// recording's length (0 when the container does not say), and, where glimpses
// are asked for, every few seconds what has been read so far (else null).
using Progress =
    std::function<void(double readMs, double durationMs, const RecordingResult *soFar)>;

class LightFinder;

// Reads the lights a finder has found: the one whose code decodes, unless
// another light decodes to a different code.
RecordingResult readLights(const LightFinder &finder);

enum class Glimpses { No, EveryFewSeconds };

// Reads a recording of the LED and decodes its blink code.
RecordingResult decodeRecording(const std::string &path, const Progress &progress = {},
                                Glimpses glimpses = Glimpses::No);

} // namespace recording
