#include "spans.h"

namespace recording {

namespace {

constexpr float LitAbove = 0.45f;
constexpr float DarkBelow = 0.25f;

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
    for (const LightSample &sample : curve) {
        // A sample between the thresholds decides nothing: an edge lies
        // somewhere between the last clear sample and the next one.
        if (!(sample.level > LitAbove) && !(sample.level < DarkBelow))
            continue;
        if (known && !(sample.timeMs > lastMs))
            continue; // time must run forward
        const bool state = sample.level > LitAbove;
        if (!known) {
            known = true;
            lit = state;
            firstMs = lastMs = sample.timeMs;
            continue;
        }
        if (state != lit) {
            close(sample.timeMs);
            beforeMs = lastMs;
            firstMs = sample.timeMs;
            lit = state;
        }
        lastMs = sample.timeMs;
    }
    if (known) {
        close(lastMs);
        spans.back().cutAtEnd = true;
    }
    return spans;
}

} // namespace recording
