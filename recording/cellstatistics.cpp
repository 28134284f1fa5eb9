#include "cellstatistics.h"

#include <algorithm>
#include <array>

namespace recording {

namespace {

using Channel = FrameCells::Channel;

// A rise counts when it is this many times the channel's flicker in its usual,
// dark frames (a light is lit at most a third of the time).
constexpr int RiseOverNoise = 4;

// The value below which `part` of the histogram's samples lie.
int percentile(const std::array<int, 256> &histogram, int total, double part)
{
    int seen = 0;
    for (int v = 0; v < 256; ++v) {
        seen += histogram[std::size_t(v)];
        if (seen > part * total)
            return v;
    }
    return 255;
}

// The histogram's largest value after leaving out the `skip` largest.
int brightestBut(const std::array<int, 256> &histogram, int skip)
{
    for (int v = 255; v > 0; --v) {
        skip -= histogram[std::size_t(v)];
        if (skip < 0)
            return v;
    }
    return 0;
}

} // namespace

CellStatistics::CellStatistics(int columns, int rows)
    : m_columns(columns), m_rows(rows), m_histograms(std::size_t(columns * rows) * 4 * 256, 0),
      m_sums(std::size_t(columns * rows))
{}

void CellStatistics::add(const std::vector<std::uint8_t> &cells)
{
    // Each channel's highest over the cell and its neighbours, rows then columns.
    constexpr int K = FrameCells::Channels;
    m_across.assign(cells.size(), 0);
    m_around.assign(cells.size(), 0);
    for (int row = 0; row < m_rows; ++row) {
        for (int column = 0; column < m_columns; ++column) {
            const std::size_t c = std::size_t(row * m_columns + column) * K;
            if (FrameCells::missing(&cells[c]))
                continue;
            for (int n = std::max(0, column - 1); n <= std::min(m_columns - 1, column + 1); ++n) {
                const std::uint8_t *v = &cells[std::size_t(row * m_columns + n) * K];
                if (FrameCells::missing(v))
                    continue;
                for (Channel k : ChangeChannels)
                    m_across[c + k] = std::max(m_across[c + k], v[k]);
            }
            m_across[c + Channel::MeanCb] = 128; // marks the cell as seen
        }
    }
    for (int row = 0; row < m_rows; ++row) {
        for (int column = 0; column < m_columns; ++column) {
            const std::size_t c = std::size_t(row * m_columns + column);
            bool seen = false;
            for (int r = std::max(0, row - 1); r <= std::min(m_rows - 1, row + 1); ++r) {
                const std::uint8_t *v = &m_across[std::size_t(r * m_columns + column) * K];
                if (v[Channel::MeanCb] == 0)
                    continue;
                seen = true;
                for (Channel k : ChangeChannels)
                    m_around[c * K + k] = std::max(m_around[c * K + k], v[k]);
            }
            if (!seen)
                continue;
            std::uint32_t *histogram = &m_histograms[c * 4 * 256];
            for (std::size_t k = 0; k < 4; ++k)
                ++histogram[k * 256 + m_around[c * K + ChangeChannels[k]]];
            const std::uint8_t *v = &cells[c * K];
            if (FrameCells::missing(v))
                continue;
            Sums &sums = m_sums[c];
            const double colour =
                std::max({v[Channel::Redness], v[Channel::Greenness], v[Channel::Yellowness]}) -
                128.0;
            sums.frames += 1;
            sums.colour += colour;
            sums.weakest = std::min(sums.weakest, colour);
            sums.luma += v[Channel::Luma];
            sums.cb += (v[Channel::MeanCb] - 128) / 2.0;
            sums.cr += (v[Channel::MeanCr] - 128) / 2.0;
        }
    }
}

int CellStatistics::rise(std::size_t cell, std::size_t k) const
{
    std::array<int, 256> histogram;
    const std::uint32_t *counts = &m_histograms[(cell * 4 + k) * 256];
    int seen = 0;
    for (std::size_t v = 0; v < 256; ++v)
        seen += histogram[v] = int(counts[v]);
    if (seen < 3)
        return -1;
    const int usual = percentile(histogram, seen, 0.35);
    const int rise = brightestBut(histogram, 2) - usual;
    const int noise = usual - percentile(histogram, seen, 0.05);
    return rise >= RiseOverNoise * noise ? std::max(0, rise) : 0;
}

} // namespace recording
