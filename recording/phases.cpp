#include "phases.h"

#include <algorithm>
#include <array>

namespace recording {

namespace {

struct Nominal {
    Phase phase;
    bool lit;
    double lowMs, highMs;
};

// How long a camera may still see a light after it went dark: the temporal
// noise reduction of phones blends each frame with the ones before it, and a
// clipped glow fades over a few frames. A flash and its gap still tell apart
// from a blink and a digit's gap with this much taken from one and given to
// the other.
constexpr double AfterglowMs = 200;

constexpr double ms(blinkcode::milliseconds length)
{
    return double(length.count());
}

// A green pattern is read with a code's phases.
static_assert(blinkcode::ShortFlash == blinkcode::Flash &&
              blinkcode::ShortFlashGap == blinkcode::FlashGap &&
              blinkcode::SlowBlinkHalfPeriod == blinkcode::FlashGap);

constexpr std::array<Nominal, 6> Nominals{{
    {Phase::Flash, true, ms(blinkcode::Flash), ms(blinkcode::Flash)},
    {Phase::Blink, true, ms(blinkcode::SlowBlinkHalfPeriod), ms(blinkcode::SlowBlinkHalfPeriod)},
    {Phase::Long, true, LongLightMs, LongestLightMs},
    {Phase::FlashGap, false, ms(blinkcode::FlashGap), ms(blinkcode::FlashGap)},
    {Phase::DigitGap, false, ms(blinkcode::DigitGap), ms(blinkcode::DigitGap)},
    {Phase::CyclePause, false, ms(blinkcode::CyclePause), ms(blinkcode::CyclePause)},
}};

} // namespace

PhaseClassifier::PhaseClassifier(double frameIntervalMs)
    // An edge can look earlier or later by up to one exposure: one frame.
    : m_slackMs(std::clamp(frameIntervalMs, 0.0, 70.0) + 5)
{}

bool PhaseClassifier::fits(const Span &span, Phase phase) const
{
    const auto n = std::find_if(Nominals.begin(), Nominals.end(),
                                [phase](const Nominal &n) { return n.phase == phase; });
    if (n == Nominals.end() || span.lit != n->lit)
        return false;
    // A light goes dark later than it should by its afterglow: lit spans may
    // last that much longer, dark ones that much shorter.
    const double longer = span.lit ? AfterglowMs : 0, shorter = span.lit ? 0 : AfterglowMs;
    if (span.minMs > n->highMs * (1 + ClockTolerance) + m_slackMs + longer)
        return false;
    return !span.whole() || span.maxMs >= n->lowMs * (1 - ClockTolerance) - m_slackMs - shorter;
}

Phase PhaseClassifier::classify(const Span &span) const
{
    Phase found = Phase::None;
    for (const Nominal &n : Nominals) {
        if (!fits(span, n.phase))
            continue;
        if (found != Phase::None)
            return Phase::Ambiguous;
        found = n.phase;
    }
    return found;
}

} // namespace recording
