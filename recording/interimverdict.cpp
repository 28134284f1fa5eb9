#include "verdict.h"

#include "spanreader.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace recording {

int colourOf(const ColourSample &sample)
{
    double hue = std::atan2(sample.cr, sample.cb) * 180 / std::numbers::pi;
    if (hue < 0)
        hue += 360;
    if (std::hypot(sample.cb, sample.cr) < 0.5)
        return -1;
    if (hue >= 80 && hue <= 130)
        return int(blinkcode::Colour::Red);
    if (hue >= 142 && hue <= 200)
        return int(blinkcode::Colour::Yellow);
    if (hue >= 205 && hue <= 265)
        return int(blinkcode::Colour::Green);
    return -1;
}

Verdict judge(const std::vector<LightEvidence> &lights, double frameIntervalMs)
{
    Verdict verdict;
    verdict.reading.status = Status::Unsure;
    verdict.reading.reason = Reason::NoBlinkingLight;
    std::vector<Reading> readings;
    for (const LightEvidence &light : lights) {
        ColourSample sum;
        for (const ColourSample &c : light.colours)
            sum.cb += c.cb, sum.cr += c.cr;
        SpanContext context;
        context.colour = colourOf(sum);
        context.frameIntervalMs = frameIntervalMs;
        readings.push_back(light.steady && (light.look.areaFraction > 0.01 || !light.look.apart)
                               ? verdict.reading
                               : readBlinkCode(light.spans, context));
    }
    for (std::size_t i = 0; i < readings.size(); ++i) {
        if (readings[i].status == Status::Decoded) {
            verdict.reading = readings[i];
            verdict.light = int(i);
            break;
        }
    }
    if (verdict.light < 0 && !readings.empty()) {
        verdict.reading = readings[0];
        verdict.light = 0;
    }
    return verdict;
}

} // namespace recording
