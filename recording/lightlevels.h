#pragma once

#include <array>
#include <vector>

namespace recording {

// One frame of a light: the highest of each channel that changes when it
// lights (luma, redness, greenness, yellowness) over its cells.
using LightValues = std::array<double, 4>;

// Each frame's level, 0 dark to 1 lit, of a light whose channels move together
// from dark to lit: lit and dark frames are found first by `channel`, the one
// that changes most, then in turn by the level all channels give together.
// Frames not seen, and all frames of a light that never changes, are 0.35:
// neither lit nor dark.
std::vector<double> lightLevels(const std::vector<LightValues> &values,
                                const std::vector<bool> &seen, int channel);

} // namespace recording
