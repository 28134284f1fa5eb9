#include "framecells.h"

#include <algorithm>

namespace recording {

namespace {

// The loops that see every pixel, kept apart so that they vectorise.
void maxInto(std::uint8_t *__restrict into, const std::uint8_t *__restrict pixels, int count)
{
    for (int i = 0; i < count; ++i)
        into[i] = std::max(into[i], pixels[i]);
}

void minInto(std::uint8_t *__restrict into, const std::uint8_t *__restrict pixels, int count)
{
    for (int i = 0; i < count; ++i)
        into[i] = std::min(into[i], pixels[i]);
}

void addInto(std::uint32_t *__restrict into, const std::uint8_t *__restrict pixels, int count)
{
    for (int i = 0; i < count; ++i)
        into[i] += pixels[i];
}

std::uint8_t byte(double v)
{
    return std::uint8_t(std::clamp(v + 0.5, 0.0, 255.0));
}

// The part [lo, hi) of 0..size that a stretch of the scene, shifted and
// scaled down by step, covers.
void covered(int lo, int hi, int shift, int step, int size, int &from, int &to)
{
    from = std::clamp((lo + shift + step - 1) / step, 0, size);
    to = std::clamp((hi + shift + step - 1) / step, 0, size);
}

} // namespace

FrameCells::FrameCells(int width, int height, int cellSize)
    : m_width(width), m_height(height), m_cellSize(std::max(1, cellSize)),
      m_columns((width + m_cellSize - 1) / m_cellSize),
      m_rows((height + m_cellSize - 1) / m_cellSize)
{}

// Rows are first combined column by column, in loops the compiler turns into
// vector instructions, then each cell's columns: a 4K frame takes a few
// milliseconds.
void FrameCells::reduce(const FrameView &frame, int dx, int dy)
{
    const std::size_t cells = std::size_t(m_columns * m_rows);
    m_cells.assign(cells * Channels, 0);
    const int stepX = std::max(1, m_width / std::max(1, frame.chromaWidth));
    const int stepY = std::max(1, m_height / std::max(1, frame.chromaHeight));
    const int chromaWidth = std::min(frame.chromaWidth, (m_width + stepX - 1) / stepX);
    const int chromaHeight = std::min(frame.chromaHeight, (m_height + stepY - 1) / stepY);
    m_columnMax.resize(std::size_t(m_width));
    m_columnMaxCr.resize(std::size_t(chromaWidth));
    m_columnMinCr.resize(std::size_t(chromaWidth));
    m_columnMinCb.resize(std::size_t(chromaWidth));
    m_sumCb.resize(std::size_t(chromaWidth));
    m_sumCr.resize(std::size_t(chromaWidth));
    std::vector<double> meanCb(cells, -1), meanCr(cells, -1);
    double totalCb = 0, totalCr = 0, total = 0;

    for (int row = 0; row < m_rows; ++row) {
        const int s0 = row * m_cellSize, s1 = std::min(m_height, s0 + m_cellSize);
        int y0 = 0, y1 = 0, v0 = 0, v1 = 0;
        covered(s0, s1, dy, 1, m_height, y0, y1);
        covered(s0, s1, dy, stepY, chromaHeight, v0, v1);
        if (y0 >= y1 || v0 >= v1)
            continue;
        std::fill(m_columnMax.begin(), m_columnMax.end(), std::uint8_t(0));
        for (int y = y0; y < y1; ++y)
            maxInto(m_columnMax.data(), frame.luma + std::ptrdiff_t(y) * frame.lumaStride, m_width);
        std::fill(m_columnMaxCr.begin(), m_columnMaxCr.end(), std::uint8_t(0));
        std::fill(m_columnMinCr.begin(), m_columnMinCr.end(), std::uint8_t(255));
        std::fill(m_columnMinCb.begin(), m_columnMinCb.end(), std::uint8_t(255));
        std::fill(m_sumCb.begin(), m_sumCb.end(), 0);
        std::fill(m_sumCr.begin(), m_sumCr.end(), 0);
        for (int v = v0; v < v1; ++v) {
            const std::uint8_t *cb = frame.cb + std::ptrdiff_t(v) * frame.chromaStride;
            const std::uint8_t *cr = frame.cr + std::ptrdiff_t(v) * frame.chromaStride;
            maxInto(m_columnMaxCr.data(), cr, chromaWidth);
            minInto(m_columnMinCr.data(), cr, chromaWidth);
            minInto(m_columnMinCb.data(), cb, chromaWidth);
            addInto(m_sumCb.data(), cb, chromaWidth);
            addInto(m_sumCr.data(), cr, chromaWidth);
        }
        for (int column = 0; column < m_columns; ++column) {
            const int c0 = column * m_cellSize, c1 = std::min(m_width, c0 + m_cellSize);
            int x0 = 0, x1 = 0, u0 = 0, u1 = 0;
            covered(c0, c1, dx, 1, m_width, x0, x1);
            covered(c0, c1, dx, stepX, chromaWidth, u0, u1);
            if (x0 >= x1 || u0 >= u1)
                continue;
            std::uint8_t *cell = m_cells.data() + std::size_t(row * m_columns + column) * Channels;
            cell[Luma] = *std::max_element(m_columnMax.begin() + x0, m_columnMax.begin() + x1);
            cell[Redness] =
                *std::max_element(m_columnMaxCr.begin() + u0, m_columnMaxCr.begin() + u1);
            cell[Greenness] =
                *std::min_element(m_columnMinCr.begin() + u0, m_columnMinCr.begin() + u1);
            cell[Yellowness] =
                *std::min_element(m_columnMinCb.begin() + u0, m_columnMinCb.begin() + u1);
            double sumCb = 0, sumCr = 0;
            for (int u = u0; u < u1; ++u) {
                sumCb += m_sumCb[std::size_t(u)];
                sumCr += m_sumCr[std::size_t(u)];
            }
            const double n = double(v1 - v0) * (u1 - u0);
            const std::size_t c = std::size_t(row * m_columns + column);
            meanCb[c] = sumCb / n;
            meanCr[c] = sumCr / n;
            totalCb += sumCb;
            totalCr += sumCr;
            total += n;
        }
    }
    // Against the frame's mean chroma; the extremes upside down where a light
    // lowers them, so that every channel rises when a light lights.
    const double frameCb = total > 0 ? totalCb / total : 128;
    const double frameCr = total > 0 ? totalCr / total : 128;
    for (std::size_t c = 0; c < cells; ++c) {
        if (meanCb[c] < 0)
            continue;
        std::uint8_t *cell = m_cells.data() + c * Channels;
        cell[Redness] = byte(cell[Redness] - frameCr + 128);
        cell[Greenness] = byte(frameCr - cell[Greenness] + 128);
        cell[Yellowness] = byte(frameCb - cell[Yellowness] + 128);
        cell[MeanCb] = byte(128 + 2 * (meanCb[c] - frameCb));
        cell[MeanCr] = byte(128 + 2 * (meanCr[c] - frameCr));
    }
}

} // namespace recording
