#include "lightcurve.h"

#include "ledcode.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <numeric>

namespace recording {

namespace {

constexpr int MaxCells = 64;                 // along the longer side of the picture
constexpr int MinContrast = 48;              // luma steps between a light's lit and dark state
constexpr std::size_t MaxStored = 48u << 20; // bytes of kept cells: about 150 s at 60 frames/s
constexpr int MaxLights = 8;

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

// Otsu's threshold: the split into a dark and a lit class with the largest
// variance between the classes; gives both class means.
void twoLevels(const std::array<int, 256> &histogram, double &dark, double &lit)
{
    double total = 0, sum = 0;
    for (int v = 0; v < 256; ++v) {
        total += histogram[std::size_t(v)];
        sum += double(v) * histogram[std::size_t(v)];
    }
    double best = -1, below = 0, belowSum = 0;
    dark = lit = total > 0 ? sum / total : 0;
    for (int v = 0; v < 255; ++v) {
        below += histogram[std::size_t(v)];
        belowSum += double(v) * histogram[std::size_t(v)];
        const double above = total - below;
        if (below == 0 || above == 0)
            continue;
        const double low = belowSum / below, high = (sum - belowSum) / above;
        const double between = below * above * (high - low) * (high - low);
        if (between > best) {
            best = between;
            dark = low;
            lit = high;
        }
    }
}

} // namespace

void LightFinder::addFrame(const FrameView &frame)
{
    if (frame.width <= 0 || frame.height <= 0 || !frame.luma || !frame.cb || !frame.cr)
        return;
    if (m_columns == 0) {
        m_width = frame.width;
        m_height = frame.height;
        m_cellSize = std::max(2, (std::max(m_width, m_height) + MaxCells - 1) / MaxCells);
        m_columns = (m_width + m_cellSize - 1) / m_cellSize;
        m_rows = (m_height + m_cellSize - 1) / m_cellSize;
        m_colour.assign(std::size_t(m_columns * m_rows), {});
        m_grid = FrameCells(m_width, m_height, m_cellSize);
    }
    // A stream that changes its size half-way: the frames of the first size count.
    if (frame.width != m_width || frame.height != m_height)
        return;
    if (!m_times.empty() && !(frame.timeMs > m_times.back()))
        return;
    const std::size_t cells = std::size_t(m_columns * m_rows);
    m_grid.reduce(frame);
    const std::vector<std::uint8_t> &luma = m_grid.luma();
    const std::vector<float> &cb = m_grid.cb(), &cr = m_grid.cr();

    for (std::size_t c = 0; c < cells; ++c) {
        CellColour &colour = m_colour[c];
        const int y = luma[c];
        colour.low = std::min(colour.low, y);
        colour.high = std::max(colour.high, y);
        colour.n += 1;
        colour.luma += y;
        colour.cb += cb[c];
        colour.cr += cr[c];
        const int range = colour.high - colour.low;
        if (range >= MinContrast && 10 * (y - colour.low) >= 6 * range) {
            colour.litN += 1;
            colour.litCb += cb[c];
            colour.litCr += cr[c];
        } else if (10 * (y - colour.low) <= 3 * range) {
            colour.darkN += 1;
            colour.darkCb += cb[c];
            colour.darkCr += cr[c];
        }
    }
    if (!m_times.empty() && frame.timeMs - m_times.back() < MergeWithinMs) {
        std::uint8_t *last = m_cells.data() + m_cells.size() - cells;
        for (std::size_t c = 0; c < cells; ++c)
            last[c] = std::max(last[c], luma[c]);
        return;
    }
    if (m_cells.size() + cells > MaxStored)
        return; // past what a reading needs: the rest of a long recording is not kept
    m_times.push_back(frame.timeMs);
    m_cells.insert(m_cells.end(), luma.begin(), luma.end());
}

// The colour of light that moves chroma by (cb, cr): red, yellow and green lie
// about 60 degrees apart; between them the colour is unclear.
int LightFinder::hueColour(double cb, double cr, double *hueDegrees) const
{
    double hue = std::atan2(cr, cb) * 180 / std::numbers::pi;
    if (hue < 0)
        hue += 360;
    *hueDegrees = hue;
    if (std::hypot(cb, cr) < 0.5)
        return -1; // too little colour to tell
    if (hue >= 80 && hue <= 130)
        return int(blinkcode::Colour::Red);
    if (hue >= 142 && hue <= 200)
        return int(blinkcode::Colour::Yellow);
    if (hue >= 205 && hue <= 265)
        return int(blinkcode::Colour::Green);
    return -1;
}

double LightFinder::frameIntervalMs() const
{
    if (m_times.size() < 2)
        return 0;
    std::vector<double> gaps(m_times.size() - 1);
    std::adjacent_difference(m_times.begin() + 1, m_times.end(), gaps.begin());
    gaps[0] = m_times[1] - m_times[0];
    std::nth_element(gaps.begin(), gaps.begin() + std::ptrdiff_t(gaps.size() / 2), gaps.end());
    return gaps[gaps.size() / 2];
}

double LightFinder::lengthMs() const
{
    return m_times.empty() ? 0 : m_times.back() - m_times.front();
}

std::vector<Light> LightFinder::blinkingLights() const
{
    const std::size_t cells = std::size_t(m_columns * m_rows);
    const std::size_t frames = m_times.size();
    if (frames < 3)
        return {};
    // Each cell with its neighbours: a light that shakes by a cell stays in view.
    std::vector<int> score(cells, 0);
    std::vector<std::uint8_t> series(frames);
    for (int row = 0; row < m_rows; ++row) {
        for (int column = 0; column < m_columns; ++column) {
            std::array<int, 256> histogram{};
            for (std::size_t t = 0; t < frames; ++t) {
                const std::uint8_t *frame = m_cells.data() + t * cells;
                int brightest = 0;
                for (int r = std::max(0, row - 1); r <= std::min(m_rows - 1, row + 1); ++r)
                    for (int c = std::max(0, column - 1); c <= std::min(m_columns - 1, column + 1);
                         ++c)
                        brightest = std::max<int>(brightest, frame[r * m_columns + c]);
                ++histogram[std::size_t(brightest)];
            }
            // Lit in a few frames at least, against its usual level: a light
            // that drifts through a cell may light it for one flash only.
            score[std::size_t(row * m_columns + column)] =
                brightestBut(histogram, 2) - percentile(histogram, int(frames), 0.4);
        }
    }
    const int best = *std::max_element(score.begin(), score.end());
    if (best < MinContrast)
        return {};
    // Groups of neighbouring cells that clearly blink.
    std::vector<int> group(cells, -1);
    std::vector<std::vector<int>> groups;
    for (std::size_t start = 0; start < cells; ++start) {
        if (group[start] >= 0 || score[start] < std::max(MinContrast, best / 2))
            continue;
        std::vector<int> members{int(start)};
        group[start] = int(groups.size());
        for (std::size_t i = 0; i < members.size(); ++i) {
            const int row = members[i] / m_columns, column = members[i] % m_columns;
            for (int r = std::max(0, row - 1); r <= std::min(m_rows - 1, row + 1); ++r) {
                for (int c = std::max(0, column - 1); c <= std::min(m_columns - 1, column + 1);
                     ++c) {
                    const std::size_t n = std::size_t(r * m_columns + c);
                    if (group[n] < 0 && score[n] >= std::max(MinContrast, best / 2)) {
                        group[n] = group[start];
                        members.push_back(int(n));
                    }
                }
            }
        }
        groups.push_back(std::move(members));
    }
    std::vector<Light> lights;
    for (const std::vector<int> &members : groups) {
        Light light = lightOf(members);
        if (light.contrast >= MinContrast)
            lights.push_back(std::move(light));
    }
    std::sort(lights.begin(), lights.end(),
              [](const Light &a, const Light &b) { return a.contrast > b.contrast; });
    if (lights.size() > std::size_t(MaxLights))
        lights.resize(std::size_t(MaxLights));
    return lights;
}

// The light seen in a group of cells: its brightest pixel in each frame,
// scaled between its dark and its lit level, and its colour.
Light LightFinder::lightOf(const std::vector<int> &members) const
{
    const std::size_t cells = std::size_t(m_columns * m_rows);
    Light light;
    std::vector<int> raw(m_times.size());
    std::array<int, 256> histogram{};
    for (std::size_t t = 0; t < m_times.size(); ++t) {
        const std::uint8_t *frame = m_cells.data() + t * cells;
        int brightest = 0;
        for (int c : members)
            brightest = std::max<int>(brightest, frame[c]);
        raw[t] = brightest;
        ++histogram[std::size_t(brightest)];
    }
    double dark = 0, lit = 0;
    twoLevels(histogram, dark, lit);
    light.contrast = int(lit - dark);
    const double range = std::max(1.0, lit - dark);
    light.curve.reserve(raw.size());
    for (std::size_t t = 0; t < raw.size(); ++t)
        light.curve.push_back({m_times[t], float((raw[t] - dark) / range)});

    // How the cells' chroma moves between their dark and their lit state.
    double cb = 0, cr = 0, x = 0, y = 0;
    for (int c : members) {
        const CellColour &s = m_colour[std::size_t(c)];
        if (s.litN >= 2 && s.darkN >= 2) {
            cb += s.litCb / s.litN - s.darkCb / s.darkN;
            cr += s.litCr / s.litN - s.darkCr / s.darkN;
        }
        x += (c % m_columns + 0.5) * m_cellSize;
        y += (c / m_columns + 0.5) * m_cellSize;
    }
    light.colour = hueColour(cb, cr, &light.hueDegrees);
    light.x = int(x / double(members.size()));
    light.y = int(y / double(members.size()));
    return light;
}

std::optional<Light> LightFinder::steadyLight() const
{
    // The most coloured cell among those that are bright all the time.
    std::optional<Light> found;
    double mostColour = 0;
    for (std::size_t c = 0; c < m_colour.size(); ++c) {
        const CellColour &s = m_colour[c];
        if (s.n < 1 || s.luma / s.n < 200)
            continue;
        double hue = 0;
        const double cb = s.cb / s.n, cr = s.cr / s.n;
        const int colour =
            hueColour(cb / 3, cr / 3, &hue); // a steady light's colour must be strong
        if (colour < 0 || std::hypot(cb, cr) <= mostColour)
            continue;
        mostColour = std::hypot(cb, cr);
        Light light;
        light.colour = colour;
        light.hueDegrees = hue;
        light.x = int((int(c) % m_columns + 0.5) * m_cellSize);
        light.y = int((int(c) / m_columns + 0.5) * m_cellSize);
        light.contrast = int(s.luma / s.n);
        for (double t : m_times)
            light.curve.push_back({t, 1.0f});
        found = std::move(light);
    }
    return found;
}

} // namespace recording
