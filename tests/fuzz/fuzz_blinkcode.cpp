// Light curves of any code, sampled with jitter, a clock that is off, short or
// long exposure, lost frames and noise within the limits the reader allows,
// each lit span's colour moved by white balance drift and noise, and sometimes
// a second light beside the LED (another code, the same code in another or an
// unclear colour, a lamp): the verdict reads the code or is unsure. It never
// decodes another code, nor a code while another light shows another code or
// another colour.

#include "syntheticcurve.h"
#include "verdict.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <numbers>
#include <optional>

namespace {

using namespace recording;

// Where filmed LEDs of each colour lie in the Cb/Cr plane, in degrees: green,
// red, yellow; and amber, lime and blue, between them.
constexpr std::array<double, 3> Hues{255, 118, 163};
constexpr std::array<double, 3> Unclear{144.5, 185, 320};

// What a light truly shows, when it shows a code.
struct Truth {
    int colour = -1, pattern = -1;
    std::array<int, 4> flashes{};
    bool shows = false; // seen blinking for a while: a reader may know it is a light like the LED
    bool sameAs(const Reading &r) const
    {
        return r.colour == colour &&
               (colour == int(blinkcode::Colour::Green) ? r.pattern == pattern
                                                        : r.flashes == flashes);
    }
};

// A light as the finder gives it: the spans of its curve, and one colour sample
// per lit span at `hue`, moved by `drift` for the whole clip and by up to
// `noise` each, some too faint to tell.
LightEvidence evidence(const synthetic::CurveSetup &setup, double hue, double drift, double noise,
                       double faint)
{
    LightEvidence light;
    light.spans = sliceLightCurve(synthetic::curve(setup));
    std::mt19937 random(setup.seed ^ 0x5eedu);
    std::uniform_real_distribution<double> unit(0, 1);
    for (const Span &span : light.spans) {
        if (!span.lit)
            continue;
        const double h = (hue + drift + noise * (2 * unit(random) - 1)) * std::numbers::pi / 180;
        const double strength = unit(random) < faint ? 0.3 : 1 + 5 * unit(random);
        light.colours.push_back({strength * std::cos(h), strength * std::sin(h)});
    }
    light.steady = light.spans.size() == 1 && light.spans[0].lit;
    // The LED: a small saturated spot.
    light.look = {
        .areaFraction = 0.001, .chroma = 40, .luma = 220, .apart = true, .litFraction = 1};
    return light;
}

Truth truthOf(const synthetic::CurveSetup &setup, const LightEvidence &light)
{
    const long whole = std::count_if(light.spans.begin(), light.spans.end(),
                                     [](const Span &s) { return s.whole(); });
    return {setup.colour, setup.pattern, setup.flashes, whole >= 4};
}

void wrong(const char *what, const Verdict &verdict)
{
    const Reading &r = verdict.reading;
    std::fprintf(stderr, "\n%s: light %d read as colour %d pattern %d flashes %d,%d,%d,%d\n", what,
                 verdict.light, r.colour, r.pattern, r.flashes[0], r.flashes[1], r.flashes[2],
                 r.flashes[3]);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    // The second light first, so that short inputs draw it too.
    const int second = input.ConsumeIntegralInRange(0, 4);
    const bool secondFirst = input.ConsumeBool();
    synthetic::CurveSetup setup;
    setup.colour = input.ConsumeIntegralInRange(0, 2);
    setup.pattern = input.ConsumeIntegralInRange(0, 2);
    for (int &flashes : setup.flashes)
        flashes = input.ConsumeIntegralInRange(1, 16);
    setup.clock = 1 + input.ConsumeFloatingPointInRange(-0.04, 0.04);
    setup.startMs = input.ConsumeFloatingPointInRange(0.0, 60000.0);
    setup.lengthMs = 130000 - input.ConsumeFloatingPointInRange(0.0, 129000.0); // long when unsaid
    setup.frameMs = input.ConsumeFloatingPointInRange(8.0, 70.0);
    setup.jitter = input.ConsumeFloatingPointInRange(0.0, 0.5);
    setup.exposure = input.ConsumeFloatingPointInRange(0.0, 1.0);
    setup.bloom = input.ConsumeFloatingPointInRange(0.05, 1.0);
    setup.dropped = input.ConsumeFloatingPointInRange(0.0, 0.1);
    setup.noise = input.ConsumeFloatingPointInRange(0.0, 0.15);
    setup.seed = input.ConsumeIntegral<unsigned>();
    // White balance drift and noise together stay below the 29 degrees from a
    // colour to its neighbour's band; at their largest they reach a band's edge.
    const double drift = input.ConsumeFloatingPointInRange(-18.0, 18.0);
    const double hueNoise = input.ConsumeFloatingPointInRange(0.0, 9.0);
    const double faint = input.ConsumeFloatingPointInRange(0.0, 0.5);

    std::vector<LightEvidence> lights{
        evidence(setup, Hues[std::size_t(setup.colour)], drift, hueNoise, faint)};
    std::vector<std::optional<Truth>> truths{truthOf(setup, lights[0])};
    synthetic::CurveSetup other = setup;
    other.seed = input.ConsumeIntegral<unsigned>();
    other.startMs = input.ConsumeFloatingPointInRange(0.0, 60000.0);
    const auto addOther = [&](double hue, double hueDrift, double noise) {
        lights.push_back(evidence(other, hue, hueDrift, noise, faint));
        truths.push_back(truthOf(other, lights.back()));
    };
    switch (second) {
    case 1: // another unit: any code in any colour
        other.colour = input.ConsumeIntegralInRange(0, 2);
        other.pattern = input.ConsumeIntegralInRange(0, 2);
        for (int &flashes : other.flashes)
            flashes = input.ConsumeIntegralInRange(1, 16);
        addOther(Hues[std::size_t(other.colour)], drift, hueNoise);
        break;
    case 2: // the same code in another colour
        other.colour = (setup.colour + input.ConsumeIntegralInRange(1, 2)) % 3;
        addOther(Hues[std::size_t(other.colour)], drift, hueNoise);
        break;
    case 3: // the same code in a colour between the bands
        addOther(Unclear[input.ConsumeIntegralInRange<std::size_t>(0, 2)],
                 input.ConsumeFloatingPointInRange(-3.0, 3.0), 3);
        truths.back()->colour = -1;
        break;
    case 4: { // a lamp: lit all the time, large, pale or among other bright areas
        LightEvidence lamp;
        const double length = setup.lengthMs;
        lamp.spans = {{true, 0, length, length, true, true}}; // lit throughout, cut at both ends
        const double h = input.ConsumeFloatingPointInRange(0.0, 2 * std::numbers::pi);
        lamp.colours = {{6 * std::cos(h), 6 * std::sin(h)}};
        lamp.steady = true;
        lamp.look = {.areaFraction = input.ConsumeFloatingPointInRange(0.0, 0.5),
                     .chroma = input.ConsumeFloatingPointInRange(0.0, 80.0),
                     .luma = 250,
                     .apart = input.ConsumeBool(),
                     .litFraction = 1};
        if (lamp.look.areaFraction > 0.05 || lamp.look.chroma < 20 || !lamp.look.apart) {
            lights.push_back(lamp);
            truths.emplace_back();
        }
        break;
    }
    default:
        break;
    }
    if (lights.size() == 2 && secondFirst) {
        std::swap(lights[0], lights[1]);
        std::swap(truths[0], truths[1]);
    }

    const Verdict verdict = judge(lights, setup.frameMs);
    if (verdict.reading.status != Status::Decoded)
        return 0;
    if (verdict.light < 0 || !truths[std::size_t(verdict.light)] ||
        !truths[std::size_t(verdict.light)]->sameAs(verdict.reading))
        wrong("WRONG CODE DECODED", verdict);
    for (const std::optional<Truth> &truth : truths) {
        if (truth && truth->shows && !truth->sameAs(verdict.reading))
            wrong("DECODED WHILE ANOTHER LIGHT SHOWS ANOTHER CODE OR COLOUR", verdict);
    }
    return 0;
}
