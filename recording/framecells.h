#pragma once

#include "videoreader.h"

#include <array>
#include <cstdint>
#include <vector>

namespace recording {

// A frame reduced to a grid of square cells, each described by a few bytes
// that rise when a light in the cell lights, whatever its colour: its
// brightest luma, its reddest, greenest and yellowest chroma (the extremes of
// a small LED's glow stay visible however large the cell), and its mean chroma.
// Chroma is taken against the frame's mean, so that white balance moving the
// whole picture does not move a cell.
//
// The grid stays with the scene: a frame shifted by (dx, dy) pixels, as the
// hand moves the phone, is read into the cells its content belongs to.
class FrameCells
{
public:
    enum Channel {
        Luma,       // brightest luma
        Redness,    // highest Cr, 128 at the frame's mean
        Greenness,  // lowest Cr, upside down
        Yellowness, // lowest Cb, upside down
        MeanCb,     // 128 + 2 x (cell mean - frame mean), clamped
        MeanCr,
        Channels
    };

    FrameCells() = default;
    // A grid for frames of this size, in cells of cellSize pixels.
    FrameCells(int width, int height, int cellSize);

    // Reduces one frame of the grid's size whose content is shifted by (dx, dy)
    // pixels against the grid; cells the frame does not reach are 0.
    void reduce(const FrameView &frame, int dx = 0, int dy = 0);

    int columns() const { return m_columns; }
    int rows() const { return m_rows; }
    // Channels bytes per cell, cell after cell.
    const std::vector<std::uint8_t> &cells() const { return m_cells; }
    // Whether a cell's bytes are those of a cell the frame did not reach.
    static bool missing(const std::uint8_t *cell)
    {
        return cell[MeanCb] == 0 && cell[MeanCr] == 0 && cell[Luma] == 0;
    }

private:
    int m_width = 0, m_height = 0, m_cellSize = 1, m_columns = 0, m_rows = 0;
    std::vector<std::uint8_t> m_cells;
    // Room for one row of cells' columns combined, kept from frame to frame.
    std::vector<std::uint8_t> m_columnMax, m_columnMaxCr, m_columnMinCr, m_columnMinCb;
    std::vector<std::uint32_t> m_sumCb, m_sumCr;
};

// The channels that rise when a light lights, whatever its colour.
inline constexpr std::array<FrameCells::Channel, 4> ChangeChannels{
    FrameCells::Luma, FrameCells::Redness, FrameCells::Greenness, FrameCells::Yellowness};

} // namespace recording
