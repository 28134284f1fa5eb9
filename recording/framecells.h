#pragma once

#include "videoreader.h"

#include <cstdint>
#include <vector>

namespace recording {

// A frame reduced to a grid of square cells: the brightest luma of each cell,
// and each cell's mean chroma less the frame's mean chroma. A small LED stays
// visible in its cell's brightest pixel however large the frame.
class FrameCells
{
public:
    FrameCells() = default;
    // A grid for frames of this size, in cells of cellSize pixels.
    FrameCells(int width, int height, int cellSize);

    // Reduces one frame of the grid's size; the results below are replaced.
    void reduce(const FrameView &frame);

    const std::vector<std::uint8_t> &luma() const { return m_luma; }
    const std::vector<float> &cb() const { return m_cb; }
    const std::vector<float> &cr() const { return m_cr; }

private:
    int m_width = 0, m_height = 0, m_cellSize = 1, m_columns = 0, m_rows = 0;
    std::vector<std::uint8_t> m_luma;
    std::vector<float> m_cb, m_cr;
    // Room for one frame's rows combined, kept from frame to frame.
    std::vector<std::uint8_t> m_columnMax;
    std::vector<std::uint32_t> m_sumCb, m_sumCr;
};

} // namespace recording
