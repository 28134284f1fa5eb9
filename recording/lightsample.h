#pragma once

namespace recording {

// The LED's brightness in one frame: 0 dark to 1 lit, as the light curve has it.
struct LightSample {
    double timeMs = 0;
    float level = 0;
};

} // namespace recording
