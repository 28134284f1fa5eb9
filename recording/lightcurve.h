#pragma once

#include "cellstatistics.h"
#include "framecells.h"
#include "lightsample.h"
#include "picturemotion.h"
#include "verdict.h"
#include "videoreader.h"

#include <cstdint>
#include <vector>

namespace recording {

// A light found in the recording: its brightness over time (0 dark, 1 lit),
// and what the verdict needs of it.
struct Light {
    std::vector<LightSample> curve;
    LightEvidence evidence;
    double score = 0; // how clearly it changes against its own noise
};

// Finds the LED in a recording's frames. Each frame is reduced at once to a
// grid of at most 64 x 64 cells that stays with the scene as the phone moves
// (FrameCells), and dropped. A light is found by its change in brightness and
// colour together, so that a clipped white core over a milky lens and a red
// light on a grey face are found alike.
class LightFinder
{
public:
    // Frames closer than this to the last one kept are merged into it.
    static constexpr double MergeWithinMs = 10;

    // Reduces one frame and keeps its cells. Frames must come in time order.
    void addFrame(const FrameView &frame);

    // The lights that change, the clearest first (at most eight), and the one
    // steady light that looks most like an LED, if any.
    std::vector<Light> lights() const;

    // The median time between kept frames.
    double frameIntervalMs() const;

private:
    std::vector<Light> blinkingLights() const;
    bool steadyLight(Light &light) const;
    Light lightOf(const std::vector<int> &members, int channel) const;
    std::vector<ColourSample> coloursOf(const std::vector<int> &members,
                                        const std::vector<LightSample> &curve,
                                        const std::vector<Span> &spans) const;
    const std::uint8_t *cell(std::size_t frame, int c) const
    {
        return m_cells.data() + (frame * m_cellCount + std::size_t(c)) * FrameCells::Channels;
    }

    int m_columns = 0, m_rows = 0, m_cellSize = 0;
    std::size_t m_cellCount = 0;
    int m_width = 0, m_height = 0;
    std::vector<double> m_times;
    std::vector<std::uint8_t> m_cells; // frames x cells x channels
    std::vector<float> m_brightness;   // per frame: the median of its cells' luma
    std::vector<std::uint8_t> m_lumas; // room for one frame's
    FrameCells m_grid;
    PictureMotion m_motion;
    CellStatistics m_statistics;
};

} // namespace recording
