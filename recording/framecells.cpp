#include "framecells.h"

#include <algorithm>

namespace recording {

namespace {

// The two loops that see every pixel, kept apart so that they vectorise.
void maxInto(std::uint8_t *__restrict into, const std::uint8_t *__restrict pixels, int count)
{
    for (int i = 0; i < count; ++i)
        into[i] = std::max(into[i], pixels[i]);
}

void addInto(std::uint32_t *__restrict into, const std::uint8_t *__restrict pixels, int count)
{
    for (int i = 0; i < count; ++i)
        into[i] += pixels[i];
}

} // namespace

FrameCells::FrameCells(int width, int height, int cellSize)
    : m_width(width), m_height(height), m_cellSize(std::max(1, cellSize)),
      m_columns((width + m_cellSize - 1) / m_cellSize),
      m_rows((height + m_cellSize - 1) / m_cellSize)
{}

// The brightest luma of each cell, and each cell's mean chroma less the
// frame's mean chroma. Rows are first combined column by column, in loops the
// compiler turns into vector instructions, then each cell's columns: a 4K
// frame takes about a millisecond.
void FrameCells::reduce(const FrameView &frame)
{
    const std::size_t cells = std::size_t(m_columns * m_rows);
    std::vector<std::uint8_t> &luma = m_luma;
    luma.assign(cells, 0);
    m_columnMax.resize(std::size_t(m_width));
    std::uint8_t *columnMax = m_columnMax.data();
    for (int row = 0; row < m_rows; ++row) {
        const int y0 = row * m_cellSize, y1 = std::min(m_height, y0 + m_cellSize);
        std::fill(m_columnMax.begin(), m_columnMax.end(), std::uint8_t(0));
        for (int y = y0; y < y1; ++y)
            maxInto(columnMax, frame.luma + std::ptrdiff_t(y) * frame.lumaStride, m_width);
        for (int column = 0; column < m_columns; ++column) {
            const int x0 = column * m_cellSize, x1 = std::min(m_width, x0 + m_cellSize);
            luma[std::size_t(row * m_columns + column)] =
                *std::max_element(columnMax + x0, columnMax + x1);
        }
    }

    // Chroma: each chroma sample belongs to the cell of the luma it covers.
    const int stepX = std::max(1, m_width / std::max(1, frame.chromaWidth));
    const int stepY = std::max(1, m_height / std::max(1, frame.chromaHeight));
    const int width = std::min(frame.chromaWidth, (m_width + stepX - 1) / stepX);
    const int height = std::min(frame.chromaHeight, (m_height + stepY - 1) / stepY);
    m_sumCb.assign(std::size_t(std::max(0, width)), 0);
    m_sumCr.assign(std::size_t(std::max(0, width)), 0);
    std::vector<double> cellCb(cells), cellCr(cells), count(cells);
    auto flush = [&](int row, int rowsSummed) {
        for (int column = 0; column < m_columns; ++column) {
            // The chroma columns whose luma lies in this cell.
            const int u0 = std::min(width, (column * m_cellSize + stepX - 1) / stepX);
            const int u1 = column + 1 == m_columns
                               ? width
                               : std::min(width, ((column + 1) * m_cellSize + stepX - 1) / stepX);
            const std::size_t c = std::size_t(row * m_columns + column);
            for (int u = u0; u < u1; ++u) {
                cellCb[c] += m_sumCb[std::size_t(u)];
                cellCr[c] += m_sumCr[std::size_t(u)];
            }
            count[c] += double(rowsSummed) * (u1 - u0);
        }
        std::fill(m_sumCb.begin(), m_sumCb.end(), 0);
        std::fill(m_sumCr.begin(), m_sumCr.end(), 0);
    };
    int row = 0, rowsSummed = 0;
    for (int v = 0; v < height; ++v) {
        const int rowOfV = std::min(m_rows - 1, v * stepY / m_cellSize);
        if (rowOfV != row) {
            flush(row, rowsSummed);
            row = rowOfV;
            rowsSummed = 0;
        }
        addInto(m_sumCb.data(), frame.cb + std::ptrdiff_t(v) * frame.chromaStride, width);
        addInto(m_sumCr.data(), frame.cr + std::ptrdiff_t(v) * frame.chromaStride, width);
        ++rowsSummed;
    }
    if (rowsSummed > 0)
        flush(row, rowsSummed);

    double totalCb = 0, totalCr = 0, total = 0;
    for (std::size_t c = 0; c < cells; ++c) {
        totalCb += cellCb[c];
        totalCr += cellCr[c];
        total += count[c];
    }
    const double meanCb = totalCb / std::max(1.0, total), meanCr = totalCr / std::max(1.0, total);
    m_cb.assign(cells, 0);
    m_cr.assign(cells, 0);
    for (std::size_t c = 0; c < cells; ++c) {
        if (count[c] == 0)
            continue;
        m_cb[c] = float(cellCb[c] / count[c] - meanCb);
        m_cr[c] = float(cellCr[c] / count[c] - meanCr);
    }
}

} // namespace recording
