#pragma once

#include "reading.h"

#include <functional>
#include <string>
#include <vector>

namespace recording {

// The LED's brightness in one frame: 0 dark to 1 lit, as the light curve has it.
struct LightSample {
    double timeMs = 0;
    float level = 0;
};

// Everything read from a recording: the reading, and the light curve it was
// read from (empty when no light was found), for a plot.
struct RecordingResult {
    Reading reading;
    std::vector<LightSample> curve;
    double durationMs = 0;      // of the part that was read
    double frameIntervalMs = 0; // median time between frames
};

// Called now and then while frames are read: how far the reading has come and
// the recording's length (0 when the container does not say).
using Progress = std::function<void(double readMs, double durationMs)>;

class LightFinder;

// Reads the lights a finder has found: the one whose code decodes, unless
// another light decodes to a different code.
RecordingResult readLights(const LightFinder &finder);

// Reads a recording of the LED and decodes its blink code.
RecordingResult decodeRecording(const std::string &path, const Progress &progress = {});

} // namespace recording
