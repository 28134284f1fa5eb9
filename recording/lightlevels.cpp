#include "lightlevels.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace recording {

namespace {

// Otsu's threshold over values: the split into a low and a high class with
// the largest variance between them.
double otsu(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const double n = double(values.size());
    const double sum = std::accumulate(values.begin(), values.end(), 0.0);
    double best = -1, below = 0, threshold = values.empty() ? 0 : values.front();
    for (std::size_t i = 0; i + 1 < values.size(); ++i) {
        below += values[i];
        const double k = double(i + 1);
        const double low = below / k, high = (sum - below) / (n - k);
        const double between = k * (n - k) * (high - low) * (high - low);
        if (between > best && values[i + 1] > values[i]) {
            best = between;
            threshold = (values[i] + values[i + 1]) / 2;
        }
    }
    return threshold;
}

// How a light's channels move from dark to lit: each channel counts by how
// clearly it tells the two apart, its rise over its own flicker from one dark
// frame to the next. A glint that brightens the lens but leaves its colour,
// or a colour that drifts with the white balance, moves little of the level.
struct Projection {
    LightValues dark{}, direction{};
    double length = 0;
    double levelOf(const LightValues &v) const
    {
        double level = 0;
        for (std::size_t k = 0; k < 4; ++k)
            level += direction[k] * (v[k] - dark[k]);
        return level / length;
    }
};

Projection projectionOf(const std::vector<LightValues> &values, const std::vector<bool> &seen,
                        const std::vector<bool> &on)
{
    Projection p;
    LightValues lit{};
    double litN = 0, darkN = 0;
    for (std::size_t t = 0; t < values.size(); ++t) {
        if (!seen[t])
            continue;
        for (std::size_t k = 0; k < 4; ++k)
            (on[t] ? lit : p.dark)[k] += values[t][k];
        (on[t] ? litN : darkN) += 1;
    }
    for (std::size_t k = 0; k < 4; ++k) {
        lit[k] /= std::max(1.0, litN);
        p.dark[k] /= std::max(1.0, darkN);
        std::vector<double> steps;
        for (std::size_t t = 1; t < values.size(); ++t)
            if (seen[t] && seen[t - 1] && !on[t] && !on[t - 1])
                steps.push_back(std::abs(values[t][k] - values[t - 1][k]));
        const auto middle = steps.begin() + std::ptrdiff_t(steps.size() / 2);
        std::nth_element(steps.begin(), middle, steps.end());
        const double noise = std::max(1.0, steps.empty() ? 1.0 : *middle);
        p.direction[k] = std::max(0.0, lit[k] - p.dark[k]) / (noise * noise);
        p.length += p.direction[k] * (lit[k] - p.dark[k]);
    }
    return p;
}

} // namespace

std::vector<double> lightLevels(const std::vector<LightValues> &values,
                                const std::vector<bool> &seen, int channel)
{
    const std::size_t frames = values.size();
    std::vector<bool> on(frames, false);
    std::vector<double> strongest;
    for (std::size_t t = 0; t < frames; ++t)
        if (seen[t])
            strongest.push_back(values[t][std::size_t(channel)]);
    const double first = otsu(strongest);
    for (std::size_t t = 0; t < frames; ++t)
        on[t] = seen[t] && values[t][std::size_t(channel)] > first;
    std::vector<double> levels(frames, 0.35);
    for (int round = 0; round < 3; ++round) {
        const Projection projection = projectionOf(values, seen, on);
        std::vector<double> seenLevels;
        for (std::size_t t = 0; t < frames; ++t) {
            if (!seen[t] || projection.length <= 0)
                continue;
            levels[t] = projection.levelOf(values[t]);
            seenLevels.push_back(levels[t]);
        }
        const double split = otsu(seenLevels);
        for (std::size_t t = 0; t < frames; ++t)
            on[t] = seen[t] && levels[t] > split;
    }
    return levels;
}

} // namespace recording
