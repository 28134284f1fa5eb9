#include "verdict.h"

#include "spanreader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace recording {

namespace {

// A colour's band of hue in the Cb/Cr plane, in degrees, where it is sure:
// the hue of a lit span's change as the finder measures it, glow and most
// coloured pixels together. Filmed LEDs measure: red 105 to 130 (its orange
// glow), amber 139 to 147, yellow 155 to 171, lime 176 to 190, green 219 to 270
// (its blue). Each band ends where the colours between begin, so that a colour
// moved by white balance towards an edge reads as unclear, never as the
// neighbour; yellow and lime lie close, and a lime LED may read unclear
// rather than yellow only by a few degrees.
struct Band {
    blinkcode::Colour colour;
    double fromDegrees, toDegrees;
};
constexpr std::array<Band, 3> SureBands{{
    {blinkcode::Colour::Red, 85, 134},
    {blinkcode::Colour::Yellow, 152, 174},
    {blinkcode::Colour::Green, 212, 290},
}};

// A sample that moves chroma by less than this, or by less than this part of
// the light's median sample (a flash half hidden between frames), tells no
// colour, and is skipped.
constexpr double TooLittleColour = 0.5;
constexpr double WeakerThanMedian = 0.25;
// The part of a light's colour evidence that may show another colour, or none.
constexpr double OtherColourAtMost = 0.2;
// A light's colour needs a lit span seen this long (a long or a steady light)
// or this many lit spans that show a colour.
constexpr double LongLitMs = 1000;
constexpr int ColouredSpansNeeded = 3;

// A light that never goes dark is an LED only when it looks like one: a small,
// saturated, bright spot apart from other bright areas, lit all the time.
// Lamps, windows, white or pale lights and large signs are none.
constexpr double LedAreaAtMost = 0.05; // of the picture: its glow, filmed from close by
constexpr double LedChromaAtLeast = 20;
constexpr double LedLumaAtLeast = 128;
constexpr double LedLitAtLeast = 0.95; // of the recording

// A light that blinks a few times in the unit's timing may be a second LED.
constexpr long MinSpansOfALed = 4;

bool neverDark(const LightEvidence &light)
{
    return light.steady ||
           (!light.spans.empty() && std::all_of(light.spans.begin(), light.spans.end(),
                                                [](const Span &s) { return s.lit; }));
}

bool looksLikeAnLed(const SteadyLook &look)
{
    return look.areaFraction <= LedAreaAtMost && look.chroma >= LedChromaAtLeast &&
           look.luma >= LedLumaAtLeast && look.apart && look.litFraction >= LedLitAtLeast;
}

// The light's colour: that of all its lit spans together, each weighing by how
// strongly it shows its colour, well inside the colour's band; and the spans
// that show another colour or none clearly weigh little against it (a flash
// half hidden between two frames shows more of the glow than of the light).
// Enough spans must show it; else -1.
int colourOfLight(const LightEvidence &light)
{
    const auto lit =
        std::count_if(light.spans.begin(), light.spans.end(), [](const Span &s) { return s.lit; });
    if (light.colours.size() != std::size_t(lit))
        return -1; // samples that cannot be matched to the lit spans tell nothing
    std::vector<double> strengths;
    for (const ColourSample &sample : light.colours)
        strengths.push_back(std::hypot(sample.cb, sample.cr));
    std::sort(strengths.begin(), strengths.end());
    const double floor =
        std::max(TooLittleColour,
                 strengths.empty() ? 0 : WeakerThanMedian * strengths[strengths.size() / 2]);
    ColourSample sum;
    int coloured = 0;
    bool longLit = false;
    std::size_t next = 0;
    for (const Span &span : light.spans) {
        if (!span.lit)
            continue;
        const ColourSample &sample = light.colours[next++];
        if (!(std::hypot(sample.cb, sample.cr) >= floor))
            continue;
        sum.cb += sample.cb;
        sum.cr += sample.cr;
        ++coloured;
        longLit = longLit || span.minMs >= LongLitMs;
    }
    const int colour = colourOf(sum);
    if (colour < 0 || !(longLit || coloured >= ColouredSpansNeeded))
        return -1;
    double against = 0, total = 0;
    for (const ColourSample &sample : light.colours) {
        const double strength = std::hypot(sample.cb, sample.cr);
        if (!(strength >= floor))
            continue;
        total += strength;
        if (colourOf(sample) != colour)
            against += strength;
    }
    return against <= OtherColourAtMost * total ? colour : -1;
}

// How close an unsure reading came to a code: a code whose colour was in
// doubt first, then one whose cycles differ; every other reason alike, so that
// the clearest light's reason is given.
int closeness(const Reading &reading)
{
    switch (reading.reason) {
    case Reason::None:
        return 0;
    case Reason::ColourUnclear:
    case Reason::ColourDoesNotFit:
        return 1;
    case Reason::CyclesDisagree:
        return 2;
    default:
        return 3;
    }
}

Reading noBlinkingLight()
{
    Reading reading;
    reading.status = Status::Unsure;
    reading.reason = Reason::NoBlinkingLight;
    return reading;
}

} // namespace

int colourOf(const ColourSample &sample)
{
    if (!(std::hypot(sample.cb, sample.cr) >= TooLittleColour))
        return -1;
    double hue = std::atan2(sample.cr, sample.cb) * 180 / std::numbers::pi;
    if (hue < 0)
        hue += 360;
    for (const Band &band : SureBands) {
        if (hue >= band.fromDegrees && hue <= band.toDegrees)
            return int(band.colour);
    }
    return -1;
}

// The rules, in the order they apply:
//  1. A light that is never dark counts only when it looks like an LED (small,
//     saturated, bright, apart from other bright areas, lit all the recording)
//     of one of the unit's colours; a lamp, a window, a pale light, a sign or a
//     blue light is left out. No light left: no_blinking_light.
//  2. Each light's colour: every lit span that shows a colour lies well inside
//     the same colour's band, and a long light or three lit spans show it;
//     otherwise the colour is unclear.
//  3. Each light's spans are read by the timing grammar (readBlinkCode): every
//     whole span has one meaning (else frame_rate_too_low or
//     not_a_kestrion_code), a whole cycle or enough of a pattern was seen (else
//     too_short), every cycle reads the same (else cycles_disagree); then its
//     colour must be told (else colour_unclear) and fit the kind of code, a
//     battery pattern green and a code red or yellow (else colour_does_not_fit).
//  4. The reading is the first (clearest) light's that decodes; when none
//     does, that of the light that came closest to a code (a colour in doubt,
//     cycles that differ), else the clearest light's.
//  5. A decoded reading stays sure only when every other light that decodes, or
//     that blinks in the unit's timing for a while without a code proved, shows
//     the same code in the same colour: else two_lights_blink.
Verdict judge(const std::vector<LightEvidence> &lights, double frameIntervalMs)
{
    std::vector<Reading> readings(lights.size());
    std::vector<bool> counts(lights.size(), false);
    for (std::size_t i = 0; i < lights.size(); ++i) {
        const LightEvidence &light = lights[i];
        const int colour = colourOfLight(light);
        if (light.spans.empty() ||
            (neverDark(light) && (!looksLikeAnLed(light.look) || colour < 0)))
            continue;
        counts[i] = true;
        SpanContext context;
        context.colour = colour;
        context.frameIntervalMs = frameIntervalMs;
        readings[i] = readBlinkCode(light.spans, context);
    }

    Verdict verdict;
    for (std::size_t i = 0; i < lights.size(); ++i) {
        if (counts[i] && (verdict.light < 0 ||
                          closeness(readings[i]) < closeness(readings[std::size_t(verdict.light)])))
            verdict.light = int(i);
    }
    if (verdict.light < 0) {
        verdict.reading = noBlinkingLight();
        return verdict;
    }
    verdict.reading = readings[std::size_t(verdict.light)];
    if (verdict.reading.status != Status::Decoded)
        return verdict;

    for (std::size_t i = 0; i < lights.size(); ++i) {
        if (!counts[i] || int(i) == verdict.light)
            continue;
        const Reading &other = readings[i];
        const long wholeSpans = std::count_if(lights[i].spans.begin(), lights[i].spans.end(),
                                              [](const Span &s) { return s.whole(); });
        const bool unitLike =
            other.status == Status::Decoded ||
            ((other.reason == Reason::TooShort || other.reason == Reason::CyclesDisagree ||
              other.reason == Reason::ColourUnclear || other.reason == Reason::ColourDoesNotFit) &&
             wholeSpans >= MinSpansOfALed);
        const bool same = other.colour == verdict.reading.colour &&
                          other.pattern == verdict.reading.pattern &&
                          other.flashes == verdict.reading.flashes;
        if (unitLike && !same) {
            verdict.reading.status = Status::Unsure;
            verdict.reading.reason = Reason::TwoLightsBlink;
        }
    }
    return verdict;
}

} // namespace recording
