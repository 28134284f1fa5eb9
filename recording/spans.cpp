#include "spans.h"

#include <algorithm>

namespace recording {

namespace {

constexpr float LitAbove = 0.45f;
constexpr float DarkBelow = 0.25f;
// Between the thresholds a sample is also judged against the flash around it:
// one that rises this much over the lowest of the last RiseWithinMs, since the
// light was last lit, is lit (a flash only partly exposed), and one that has
// fallen back by FallBack of its flash's rise soon after it lit is dark (the
// glow that noise reduction and compression leave).
constexpr float ClearRise = 0.3f;
constexpr double RiseWithinMs = 300;
constexpr float FallBack = 0.4f;
// Only so soon after the light came on: later, a long light that the camera's
// auto exposure dims is still lit.
constexpr double GlowWithinMs = 300;
constexpr double DarkBlinkAtMostMs = 150;

// Each sample's state: 1 lit, 0 dark, -1 undecided.
std::vector<int> states(const std::vector<LightSample> &curve)
{
    std::vector<int> state(curve.size(), -1);
    float peak = 0, base = 0;
    double onsetMs = 0;
    bool lit = false;
    // After a flash has fallen back into its glow, the light is dark until it
    // clearly rises again, however bright the glow stays.
    bool glowing = false;
    for (std::size_t i = 0; i < curve.size(); ++i) {
        const float level = curve[i].level;
        float lowest = level;
        // (at most 64 samples back: 300 ms even at 200 frames/s), and only
        // since the light was last lit: the glow that lingers after a flash
        // has not risen from the dark before the flash.
        for (std::size_t j = i; j-- > 0 && i - j <= 64 && state[j] != 1 &&
                                curve[j].timeMs >= curve[i].timeMs - RiseWithinMs;)
            lowest = std::min(lowest, curve[j].level);
        const bool risen = !(level < DarkBelow) && level - lowest >= ClearRise;
        const bool fallen = lit && curve[i].timeMs - onsetMs <= GlowWithinMs &&
                            peak - level >= FallBack * (peak - base);
        if (glowing)
            state[i] = risen ? 1 : 0;
        else if (level > LitAbove || risen)
            state[i] = 1;
        else if (level < DarkBelow || fallen)
            state[i] = 0;
        glowing = (glowing || fallen) && state[i] == 0 && !(level < DarkBelow);
        if (state[i] == 1 && !lit)
            base = lowest, peak = level, onsetMs = curve[i].timeMs;
        peak = std::max(peak, level);
        lit = state[i] == 1 || (lit && state[i] < 0);
    }
    return state;
}

// A light seen dark in one sample only, between two lit spans, was lit: no
// dark phase of the unit is that short (the shortest lasts 500 ms), and joined,
// the lit spans are longer than any flash, so no flash is lost.
std::vector<Span> withoutDarkBlinks(std::vector<Span> spans)
{
    std::vector<Span> kept;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const Span &span = spans[i];
        if (!span.lit && span.whole() && span.minMs == 0 && span.maxMs <= DarkBlinkAtMostMs &&
            !kept.empty() && i + 1 < spans.size()) {
            // The dark sample lies within both lit spans' outer bounds.
            Span &before = kept.back();
            const Span &after = spans[i + 1];
            before.minMs += span.maxMs + after.minMs;
            before.maxMs += after.maxMs;
            before.cutAtEnd = after.cutAtEnd;
            ++i;
            continue;
        }
        kept.push_back(span);
    }
    return kept;
}

} // namespace

std::vector<Span> sliceLightCurve(const std::vector<LightSample> &curve)
{
    std::vector<Span> spans;
    // The span being built: the last clear sample before it, its first and its
    // latest clear sample.
    bool lit = false;
    bool known = false;
    double firstMs = 0, beforeMs = 0, lastMs = 0;
    auto close = [&](double afterMs) {
        Span span;
        span.lit = lit;
        span.cutAtStart = spans.empty();
        span.startMs = span.cutAtStart ? firstMs : (beforeMs + firstMs) / 2;
        span.minMs = lastMs - firstMs;
        span.maxMs = afterMs - (span.cutAtStart ? firstMs : beforeMs);
        spans.push_back(span);
    };
    const std::vector<int> state = states(curve);
    for (std::size_t i = 0; i < curve.size(); ++i) {
        // A sample that is neither decides nothing: an edge lies somewhere
        // between the last clear sample and the next one.
        const LightSample &sample = curve[i];
        if (state[i] < 0)
            continue;
        if (known && !(sample.timeMs > lastMs))
            continue; // time must run forward
        const bool on = state[i] == 1;
        if (!known) {
            known = true;
            lit = on;
            firstMs = lastMs = sample.timeMs;
            continue;
        }
        if (on != lit) {
            close(sample.timeMs);
            beforeMs = lastMs;
            firstMs = sample.timeMs;
            lit = on;
        }
        lastMs = sample.timeMs;
    }
    if (known) {
        close(lastMs);
        spans.back().cutAtEnd = true;
    }
    return withoutDarkBlinks(spans);
}

} // namespace recording
