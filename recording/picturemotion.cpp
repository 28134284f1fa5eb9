#include "picturemotion.h"

#include <algorithm>
#include <cmath>

namespace recording {

namespace {

// Edges along one axis of the picture, high-passed so that a slow change of
// brightness (exposure, flicker bands) does not move them.
void edges(std::vector<float> &profile)
{
    const std::size_t n = profile.size();
    std::vector<float> smooth(n);
    constexpr int Reach = 16;
    std::vector<double> sum(n + 1, 0);
    for (std::size_t i = 0; i < n; ++i)
        sum[i + 1] = sum[i] + profile[i];
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t a = i >= Reach ? i - Reach : 0, b = std::min(n, i + Reach + 1);
        smooth[i] = float((sum[b] - sum[a]) / double(b - a));
    }
    for (std::size_t i = 0; i + 1 < n; ++i)
        profile[i] = (profile[i + 1] - smooth[i + 1]) - (profile[i] - smooth[i]);
    if (n > 0)
        profile[n - 1] = 0;
    double energy = 0;
    for (float v : profile)
        energy += double(v) * v;
    const float scale = energy > 0 ? float(std::sqrt(double(n) / energy)) : 1.f;
    for (float &v : profile)
        v *= scale;
}

// The shift of `edges` against `reference` near `around`, in pixels: the one
// with the smallest mean difference over the part both see.
// How much better than staying put a shift must match to be believed.
constexpr double ClearMatch = 0.8;

int bestShift(const std::vector<float> &reference, const std::vector<float> &profile, int around,
              int reach)
{
    const int n = int(reference.size());
    int best = around;
    double bestCost = 1e300, stayCost = 1e300;
    for (int s = around - reach; s <= around + reach; ++s) {
        if (std::abs(s) > n / 4)
            continue;
        const int from = std::max(0, -s), to = std::min(n, n - s);
        // Every other pixel: the edges are smoothed over several.
        double cost = 0;
        for (int i = from; i < to; i += 2)
            cost += std::abs(double(profile[std::size_t(i + s)]) - reference[std::size_t(i)]);
        cost /= std::max(1, (to - from + 1) / 2);
        if (s == around)
            stayCost = cost;
        if (cost < bestCost) {
            bestCost = cost;
            best = s;
        }
    }
    // A picture without clear edges (a plain wall, the dark) matches anywhere
    // about as well: the picture is then taken to stay where it was.
    return bestCost < ClearMatch * stayCost ? best : around;
}

} // namespace

// How far the picture moved since the first frame: its rows' and columns'
// brightness profiles matched against the first frame's.
void PictureMotion::shiftOf(const FrameView &frame, int &dx, int &dy)
{
    // Every eighth row and column is enough to see where the edges are.
    constexpr int Step = 8;
    m_columnEdges.assign(std::size_t(frame.width), 0);
    m_rowEdges.assign(std::size_t(frame.height), 0);
    for (int y = 0; y < frame.height; y += Step) {
        const std::uint8_t *line = frame.luma + std::ptrdiff_t(y) * frame.lumaStride;
        for (int x = 0; x < frame.width; ++x)
            m_columnEdges[std::size_t(x)] += line[x];
    }
    for (int y = 0; y < frame.height; ++y) {
        const std::uint8_t *line = frame.luma + std::ptrdiff_t(y) * frame.lumaStride;
        int sum = 0;
        for (int x = Step / 2; x < frame.width; x += Step)
            sum += line[x];
        m_rowEdges[std::size_t(y)] = float(sum);
    }
    edges(m_columnEdges);
    edges(m_rowEdges);
    if (m_referenceColumns.empty()) {
        m_referenceColumns = m_columnEdges;
        m_referenceRows = m_rowEdges;
        dx = dy = 0;
        return;
    }
    // A hand moves the picture by at most about a fiftieth of it per frame.
    m_dx = dx = bestShift(m_referenceColumns, m_columnEdges, m_dx, std::max(4, frame.width / 40));
    m_dy = dy = bestShift(m_referenceRows, m_rowEdges, m_dy, std::max(4, frame.height / 40));
}

} // namespace recording
