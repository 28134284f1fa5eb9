#pragma once

#include "framecells.h"
#include "lightsample.h"
#include "videoreader.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace recording {

// A light found in the recording: its brightness over time (0 dark, 1 lit),
// where it is, and its colour as seen in its light against its dark state.
struct Light {
    std::vector<LightSample> curve;
    int colour = -1;       // a blinkcode::Colour, -1 unclear
    double hueDegrees = 0; // of its light in the Cb/Cr plane: red ~110, yellow ~165, green ~230
    int x = 0, y = 0;      // centre of the cells it was seen in, in pixels as stored
    int contrast = 0;      // luma steps between its lit and its dark state
};

// Finds the LED in a recording's frames. Each frame is reduced at once to a
// grid of at most 64 x 64 cells, the brightest luma of each cell kept, and
// dropped: a small LED stays visible in its cell's brightest pixel however
// large the frame. Colour is gathered per cell as it goes: the cell's mean
// chroma when it is lit and when it is dark, against the frame's mean chroma,
// so that white balance moving the whole picture does not move a light's colour.
class LightFinder
{
public:
    // Frames closer than this to the last one kept are merged into it.
    static constexpr double MergeWithinMs = 10;

    // Reduces one frame and keeps its cells. Frames must come in time order.
    void addFrame(const FrameView &frame);

    // The lights that blink, the clearest first (at most eight). A light is a
    // group of neighbouring cells whose brightness jumps between two levels;
    // hand shake and drift move it within its group.
    std::vector<Light> blinkingLights() const;

    // A light that glows without blinking and clearly has a colour, if any.
    std::optional<Light> steadyLight() const;

    // The median time between kept frames, and the time from the first to the last.
    double frameIntervalMs() const;
    double lengthMs() const;

private:
    // A cell's colour in the frames in which it was lit and in which it was
    // dark, judged against the darkest and brightest it has been so far.
    struct CellColour {
        int low = 255, high = 0;
        double litN = 0, litCb = 0, litCr = 0;
        double darkN = 0, darkCb = 0, darkCr = 0;
        double n = 0, luma = 0, cb = 0, cr = 0;
    };

    int hueColour(double cb, double cr, double *hueDegrees) const;
    Light lightOf(const std::vector<int> &cells) const;

    int m_columns = 0, m_rows = 0, m_cellSize = 0;
    int m_width = 0, m_height = 0;
    std::vector<double> m_times;
    std::vector<std::uint8_t> m_cells; // frames x cells, brightest luma
    std::vector<CellColour> m_colour;  // per cell
    FrameCells m_grid;
};

} // namespace recording
