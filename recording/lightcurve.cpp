#include "lightcurve.h"

#include "lightlevels.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <sys/mman.h>

namespace recording {

namespace {

using Channel = FrameCells::Channel;

constexpr int MaxCells = 64; // along the longer side of the picture
// Bytes of kept cells: 150 s at 30 frames/s, 75 s at 60.
constexpr std::size_t MaxStored = 64u << 20;
constexpr int MaxLights = 8;
constexpr std::uintptr_t HugePage = 2u << 20;
// How clearly a cell must change to hold a light: luma steps, or chroma steps
// weighted as below, between its lit few frames and its usual level.
constexpr double MinScore = 24;
// A light's colour moves its chroma extremes less than a clipped core moves
// luma, and with less noise.
constexpr std::array<double, 4> ChannelWeight{1, 1.5, 1.5, 1.5};

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
        m_cellCount = std::size_t(m_columns * m_rows);
        m_grid = FrameCells(m_width, m_height, m_cellSize);
        m_statistics = CellStatistics(m_columns, m_rows);
        // Room for all that is kept, taken once: the system gives the pages as
        // they are written, and the cells are never copied as they grow.
        m_cells.reserve(MaxStored);
#ifdef MADV_HUGEPAGE
        // In pages of 2 MB where the system has them: a few hundred faults
        // fewer for each minute of the recording.
        const auto from =
            (reinterpret_cast<std::uintptr_t>(m_cells.data()) + HugePage - 1) & ~(HugePage - 1);
        const auto to =
            (reinterpret_cast<std::uintptr_t>(m_cells.data()) + MaxStored) & ~(HugePage - 1);
        if (to > from)
            madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);
#endif
    }
    // A stream that changes its size half-way: the frames of the first size count.
    if (frame.width != m_width || frame.height != m_height)
        return;
    if (!m_times.empty() && !(frame.timeMs > m_times.back()))
        return;
    const std::size_t bytes = m_cellCount * FrameCells::Channels;
    const bool merge = !m_times.empty() && frame.timeMs - m_times.back() < MergeWithinMs;
    if (!merge && m_cells.size() + bytes > MaxStored)
        return; // past what a reading needs: the rest of a long recording is not kept
    int dx = 0, dy = 0;
    m_motion.shiftOf(frame, dx, dy);
    m_grid.reduce(frame, dx, dy);
    const std::vector<std::uint8_t> &cells = m_grid.cells();
    if (merge) {
        std::uint8_t *last = m_cells.data() + m_cells.size() - bytes;
        for (std::size_t i = 0; i < bytes; ++i)
            last[i] = std::max(last[i], cells[i]);
        return;
    }
    m_times.push_back(frame.timeMs);
    m_cells.insert(m_cells.end(), cells.begin(), cells.end());
    m_statistics.add(cells);
    // The picture's brightness: auto exposure dims the whole scene, the LED
    // with it, while the LED's long light lasts.
    m_lumas.clear();
    for (std::size_t c = 0; c < m_cellCount; ++c)
        if (!FrameCells::missing(&cells[c * FrameCells::Channels]))
            m_lumas.push_back(cells[c * FrameCells::Channels + Channel::Luma]);
    const auto middle = m_lumas.begin() + std::ptrdiff_t(m_lumas.size() / 2);
    std::nth_element(m_lumas.begin(), middle, m_lumas.end());
    m_brightness.push_back(m_lumas.empty() ? 0.f : float(*middle));
}

double LightFinder::frameIntervalMs() const
{
    if (m_times.size() < 2)
        return 0;
    std::vector<double> gaps(m_times.size() - 1);
    for (std::size_t i = 0; i + 1 < m_times.size(); ++i)
        gaps[i] = m_times[i + 1] - m_times[i];
    std::nth_element(gaps.begin(), gaps.begin() + std::ptrdiff_t(gaps.size() / 2), gaps.end());
    return gaps[gaps.size() / 2];
}

std::vector<Light> LightFinder::lights() const
{
    std::vector<Light> found = blinkingLights();
    Light steady;
    if (steadyLight(steady))
        found.push_back(std::move(steady));
    return found;
}

std::vector<Light> LightFinder::blinkingLights() const
{
    const std::size_t frames = m_times.size();
    if (frames < 3)
        return {};
    // Each cell with its neighbours, so that a light that the motion estimate
    // leaves a cell off stays in view: how much each channel rises in its
    // brightest few frames over its usual level.
    std::vector<double> score(m_cellCount, 0);
    std::vector<int> bestChannel(m_cellCount, 0);
    for (std::size_t c = 0; c < m_cellCount; ++c) {
        for (std::size_t k = 0; k < 4; ++k) {
            const int rise = m_statistics.rise(c, k);
            if (rise < 0)
                break;
            const double s = ChannelWeight[k] * rise;
            if (s > score[c]) {
                score[c] = s;
                bestChannel[c] = int(k);
            }
        }
    }
    // Groups of neighbouring cells that clearly change, each read as a light.
    std::vector<int> group(m_cellCount, -1);
    std::vector<Light> lights;
    for (std::size_t start = 0; start < m_cellCount; ++start) {
        if (group[start] >= 0 || score[start] < MinScore)
            continue;
        std::vector<int> members{int(start)};
        group[start] = int(start);
        std::size_t strongest = start;
        for (std::size_t i = 0; i < members.size(); ++i) {
            const int row = members[i] / m_columns, column = members[i] % m_columns;
            for (int r = std::max(0, row - 1); r <= std::min(m_rows - 1, row + 1); ++r) {
                for (int c = std::max(0, column - 1); c <= std::min(m_columns - 1, column + 1);
                     ++c) {
                    const std::size_t n = std::size_t(r * m_columns + c);
                    if (group[n] < 0 && score[n] >= MinScore) {
                        group[n] = int(start);
                        members.push_back(int(n));
                        if (score[n] > score[strongest])
                            strongest = n;
                    }
                }
            }
        }
        Light light = lightOf(members, bestChannel[strongest]);
        light.score = score[strongest];
        lights.push_back(std::move(light));
    }
    std::sort(lights.begin(), lights.end(),
              [](const Light &a, const Light &b) { return a.score > b.score; });
    if (lights.size() > std::size_t(MaxLights))
        lights.resize(std::size_t(MaxLights));
    return lights;
}

// The light seen in a group of cells: in each frame the highest of each
// channel over its cells, projected onto the way the channels move together
// from its dark to its lit state, so that brightness and colour both count.
Light LightFinder::lightOf(const std::vector<int> &members, int channel) const
{
    const std::size_t frames = m_times.size();
    std::vector<LightValues> values(frames);
    std::vector<bool> seen(frames, false);
    std::vector<float> brightness = m_brightness;
    std::nth_element(brightness.begin(), brightness.begin() + std::ptrdiff_t(frames / 2),
                     brightness.end());
    const double usual = brightness[frames / 2];
    for (std::size_t t = 0; t < frames; ++t) {
        LightValues top{};
        for (int c : members) {
            const std::uint8_t *v = cell(t, c);
            if (FrameCells::missing(v))
                continue;
            seen[t] = true;
            for (std::size_t k = 0; k < 4; ++k)
                top[k] = std::max<double>(top[k], v[ChangeChannels[k]]);
        }
        // As the camera would have seen it at its usual exposure, where auto
        // exposure clearly darkened the picture (a large glow that brightens
        // it is the light itself, and stays as it is).
        const double darkened = m_brightness[t] > 8 ? usual / m_brightness[t] : 1;
        const double gain = darkened >= 1.15 ? std::min(darkened, 2.0) : 1;
        for (std::size_t k = 0; k < 4; ++k)
            top[k] = k == 0 ? top[k] * gain : 128 + (top[k] - 128) * gain;
        values[t] = top;
    }
    const std::vector<double> levels = lightLevels(values, seen, channel);
    Light light;
    light.curve.reserve(frames);
    for (std::size_t t = 0; t < frames; ++t)
        light.curve.push_back({m_times[t], float(levels[t])});
    light.evidence.spans = sliceLightCurve(light.curve);
    light.evidence.colours = coloursOf(members, light.curve, light.evidence.spans);
    return light;
}

// Each lit span's colour: the cells' mean chroma while lit less their mean
// chroma in the dark around it, summed over the light and its glow.
std::vector<ColourSample> LightFinder::coloursOf(const std::vector<int> &members,
                                                 const std::vector<LightSample> &curve,
                                                 const std::vector<Span> &spans) const
{
    constexpr double Around = 1000; // ms of dark on each side
    // The mean colour of the frames from `from` to `to` in which the light is
    // lit (or dark): the glow's mean chroma over the cells, and its most
    // coloured pixels, which tell the colour of an LED too small to move a
    // cell's mean (reddest up, greenest down, yellowest down).
    auto mean = [&](double from, double to, bool lit, double &cb, double &cr) {
        const auto a = std::lower_bound(m_times.begin(), m_times.end(), from);
        const auto b = std::upper_bound(m_times.begin(), m_times.end(), to);
        double n = 0;
        cb = cr = 0;
        for (auto t = a; t < b; ++t) {
            const std::size_t frame = std::size_t(t - m_times.begin());
            if (lit ? !(curve[frame].level > 0.45f) : !(curve[frame].level < 0.25f))
                continue;
            int redness = 0, greenness = 0, yellowness = 0;
            for (int c : members) {
                const std::uint8_t *v = cell(frame, c);
                if (FrameCells::missing(v))
                    continue;
                cb += (v[Channel::MeanCb] - 128) / 2.0;
                cr += (v[Channel::MeanCr] - 128) / 2.0;
                redness = std::max<int>(redness, v[Channel::Redness]);
                greenness = std::max<int>(greenness, v[Channel::Greenness]);
                yellowness = std::max<int>(yellowness, v[Channel::Yellowness]);
            }
            cb -= yellowness;
            cr += redness - greenness;
            n += 1;
        }
        cb /= std::max(1.0, n);
        cr /= std::max(1.0, n);
        return n;
    };
    std::vector<ColourSample> colours;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        if (!spans[i].lit)
            continue;
        // The lit frames, and the dark ones on either side.
        const Span &span = spans[i];
        const double start = span.startMs, end = span.startMs + span.maxMs;
        double cb = 0, cr = 0, darkCb = 0, darkCr = 0, darkN = 0;
        const double litN = mean(start, end, true, cb, cr);
        for (const std::size_t j : {i - 1, i + 1}) {
            if (j >= spans.size() || spans[j].lit)
                continue;
            const double from = j < i ? start - Around : end;
            const double to = j < i ? start : end + Around;
            double b = 0, r = 0;
            const double k = mean(from, to, false, b, r);
            darkCb += b * k;
            darkCr += r * k;
            darkN += k;
        }
        ColourSample sample;
        if (litN > 0 && darkN > 0) {
            sample.cb = cb - darkCb / darkN;
            sample.cr = cr - darkCr / darkN;
        }
        colours.push_back(sample);
    }
    return colours;
}

// The cell whose colour is strongest among those that are never dark, and
// how it looks: how large its area of that colour is, whether it stands apart.
bool LightFinder::steadyLight(Light &light) const
{
    const std::size_t frames = m_times.size();
    if (frames < 3)
        return false;
    std::vector<double> chroma(m_cellCount, 0), luma(m_cellCount, 0);
    for (std::size_t c = 0; c < m_cellCount; ++c) {
        const CellStatistics::Sums &sums = m_statistics.sums(c);
        // A cell that left the picture was not seen lit the whole time.
        if (sums.frames >= double(frames)) {
            chroma[c] = sums.colour / sums.frames;
            luma[c] = sums.luma / sums.frames;
        }
    }
    const auto best = std::size_t(std::max_element(chroma.begin(), chroma.end()) - chroma.begin());
    if (chroma[best] <= 0)
        return false;
    // The area of about its colour, or of its brightness, around it: a lit
    // LED's white core belongs to it, and so does a lamp or window beside it.
    // It stands apart when most of that area has its colour.
    std::vector<bool> inside(m_cellCount, false);
    std::vector<int> members{int(best)};
    inside[best] = true;
    std::size_t coloured = 1;
    for (std::size_t i = 0; i < members.size(); ++i) {
        const int row = members[i] / m_columns, column = members[i] % m_columns;
        for (int r = std::max(0, row - 1); r <= std::min(m_rows - 1, row + 1); ++r) {
            for (int c = std::max(0, column - 1); c <= std::min(m_columns - 1, column + 1); ++c) {
                const std::size_t n = std::size_t(r * m_columns + c);
                if (inside[n])
                    continue;
                const bool ofItsColour = chroma[n] >= chroma[best] / 2;
                if (ofItsColour || luma[n] >= luma[best] - 16) {
                    inside[n] = true;
                    members.push_back(int(n));
                    coloured += ofItsColour;
                }
            }
        }
    }
    ColourSample colour;
    for (int c : members) {
        const CellStatistics::Sums &sums = m_statistics.sums(std::size_t(c));
        colour.cb += sums.cb / sums.frames;
        colour.cr += sums.cr / sums.frames;
    }
    Span span;
    span.lit = true;
    span.startMs = m_times.front();
    span.minMs = span.maxMs = m_times.back() - m_times.front();
    span.cutAtStart = span.cutAtEnd = true;
    light.evidence.steady = true;
    light.evidence.spans = {span};
    light.evidence.colours = {colour};
    light.evidence.look.areaFraction = double(members.size()) / double(m_cellCount);
    light.evidence.look.chroma = chroma[best];
    light.evidence.look.luma = luma[best];
    light.evidence.look.apart = 2 * coloured >= members.size();
    light.evidence.look.litFraction = m_statistics.sums(best).weakest >= chroma[best] / 2 ? 1 : 0.5;
    for (double t : m_times)
        light.curve.push_back({t, 1.0f});
    return true;
}

} // namespace recording
