#pragma once

#include "framecells.h"

#include <cstdint>
#include <vector>

namespace recording {

// What the light finder keeps of every cell, brought up to date frame by
// frame so that the lights can be looked for at any moment: for each cell with
// its neighbours, a histogram of each channel that changes when a light
// lights; and for each cell alone, the sums a steady light is judged by.
class CellStatistics
{
public:
    // Over the frames that reached the cell: their number, and the sums of its
    // strongest colour (chroma steps from the frame's mean), its luma and its
    // mean chroma; its weakest colour.
    struct Sums {
        double frames = 0, colour = 0, luma = 0, cb = 0, cr = 0, weakest = 1e9;
    };

    CellStatistics() = default;
    CellStatistics(int columns, int rows);

    // Counts one frame's cells, FrameCells::Channels bytes each.
    void add(const std::vector<std::uint8_t> &cells);

    // How far ChangeChannels[k] of the cell with its neighbours rises in its
    // brightest few frames over its usual level: 0 unless the rise stands clear
    // of the channel's own flicker, -1 while fewer than 3 frames reached it.
    int rise(std::size_t cell, std::size_t k) const;

    const Sums &sums(std::size_t cell) const { return m_sums[cell]; }

private:
    int m_columns = 0, m_rows = 0;
    std::vector<std::uint32_t> m_histograms; // cells x 4 x 256
    std::vector<Sums> m_sums;
    // Room for one frame's cells, each channel the highest across its row's
    // neighbours, then around it.
    std::vector<std::uint8_t> m_across, m_around;
};

} // namespace recording
