#include "blinkcode.h"

#include <algorithm>
#include <array>

namespace recording {

namespace {

// The phases the unit shows, each with its nominal length. The long light
// reaches up to 9000 ms because the program's own simulated LED lights 3 s
// longer in its first cycle; a real unit's long light lasts 6000 ms.
enum class Phase { Flash, Blink, Long, Gap500, Gap2000, Gap3000, None, Ambiguous };

struct Nominal {
    Phase phase;
    bool lit;
    double lowMs, highMs;
};

constexpr std::array<Nominal, 6> Nominals{{{Phase::Flash, true, 50, 50},
                                           {Phase::Blink, true, 500, 500},
                                           {Phase::Long, true, 6000, 9000},
                                           {Phase::Gap500, false, 500, 500},
                                           {Phase::Gap2000, false, 2000, 2000},
                                           {Phase::Gap3000, false, 3000, 3000}}};

// A lit span seen longer than this is no flash: in a red or yellow code it
// can only be the long light.
constexpr double LongerThanAnyFlashMs = 300;
// Green patterns: how much of them must be seen. Short flashing needs more
// flashes in a row than a digit can have.
constexpr int BlinksNeeded = 4;
constexpr int FlashesNeeded = 17;
// What to film, in seconds, when too little was seen.
constexpr double FilmForCodeS = 60;
constexpr double FilmForPatternS = 15;

const Nominal &nominal(Phase phase)
{
    return *std::find_if(Nominals.begin(), Nominals.end(),
                         [phase](const Nominal &n) { return n.phase == phase; });
}

class SpanReader
{
public:
    SpanReader(const std::vector<Span> &spans, const SpanContext &context)
        : m_spans(spans), m_context(context),
          // An edge can look earlier or later by up to one exposure: one frame.
          m_slackMs(std::clamp(context.frameIntervalMs, 0.0, 70.0) + 5)
    {}

    // Whether the span can be the phase: whole spans by their length, cut ones
    // only by the part that was seen.
    bool fits(const Span &span, Phase phase) const
    {
        if (phase == Phase::None || phase == Phase::Ambiguous)
            return false;
        const Nominal &n = nominal(phase);
        if (span.lit != n.lit)
            return false;
        if (span.minMs > n.highMs * (1 + ClockTolerance) + m_slackMs)
            return false;
        return !span.whole() || span.maxMs >= n.lowMs * (1 - ClockTolerance) - m_slackMs;
    }

    // The one phase a whole span can be, or None, or Ambiguous.
    Phase classify(const Span &span) const
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

    bool isLong(std::size_t i) const
    {
        const Span &span = m_spans[i];
        if (span.whole())
            return classify(span) == Phase::Long;
        return span.lit && span.minMs > LongerThanAnyFlashMs && fits(span, Phase::Long);
    }

    // The digits seen whole around the long light at index i: after it, and
    // before it back to the previous cycle's long light. A recording that
    // starts in the middle of a cycle thus reads the last digits before the
    // long light and the first ones after it.
    std::array<int, 4> digitsAround(std::size_t i) const
    {
        std::array<int, 4> digits{};
        auto phase = [&](long k) {
            return k >= 0 && std::size_t(k) < m_spans.size() && m_spans[std::size_t(k)].whole()
                       ? classify(m_spans[std::size_t(k)])
                       : Phase::None;
        };
        // Forwards: 2000 ms dark, then each digit up to the dark that ends it.
        long k = long(i) + 1;
        if (phase(k++) == Phase::Gap2000) {
            for (int d = 0; d < 4; ++d) {
                const Phase end = d < 3 ? Phase::Gap2000 : Phase::Gap3000;
                int flashes = 0;
                while (phase(k) == Phase::Flash && phase(k + 1) == Phase::Gap500) {
                    ++flashes;
                    k += 2;
                }
                if (phase(k) != Phase::Flash || phase(k + 1) != end)
                    break;
                digits[std::size_t(d)] = flashes + 1;
                k += 2;
            }
        }
        // Backwards: 3000 ms dark, then each digit back to the dark before it.
        k = long(i) - 1;
        if (phase(k--) == Phase::Gap3000) {
            for (int d = 3; d >= 0; --d) {
                int flashes = 0;
                while (phase(k) == Phase::Flash && phase(k - 1) == Phase::Gap500) {
                    ++flashes;
                    k -= 2;
                }
                if (phase(k) != Phase::Flash || phase(k - 1) != Phase::Gap2000)
                    break;
                if (digits[std::size_t(d)] == 0)
                    digits[std::size_t(d)] = flashes + 1;
                k -= 2;
            }
        }
        return digits;
    }

    // Whether every span fits the code's cycle, the long light at index i
    // opening it: those before it backwards, those after it forwards.
    bool explainsAll(const std::array<int, 4> &digits, std::size_t i) const
    {
        std::vector<Phase> cycle{Phase::Long, Phase::Gap2000};
        for (int d = 0; d < 4; ++d) {
            for (int f = 0; f < digits[std::size_t(d)]; ++f) {
                cycle.push_back(Phase::Flash);
                cycle.push_back(f + 1 < digits[std::size_t(d)] ? Phase::Gap500
                                : d < 3                        ? Phase::Gap2000
                                                               : Phase::Gap3000);
            }
        }
        const long n = long(cycle.size());
        for (std::size_t k = 0; k < m_spans.size(); ++k) {
            const long at = ((long(k) - long(i)) % n + n) % n;
            const Phase expected = cycle[std::size_t(at)];
            const Span &span = m_spans[k];
            const bool ok = expected == Phase::Long
                                ? isLong(k) || (!span.whole() && fits(span, expected))
                            : span.whole() ? classify(span) == expected
                                           : fits(span, expected);
            if (!ok)
                return false;
        }
        return true;
    }

    // Whether every span fits a green pattern of this lit and dark phase.
    bool fitsPattern(Phase lit, Phase dark) const
    {
        return std::all_of(m_spans.begin(), m_spans.end(), [&](const Span &span) {
            const Phase phase = span.lit ? lit : dark;
            return span.whole() ? classify(span) == phase : fits(span, phase);
        });
    }

    long wholeLit() const
    {
        return std::count_if(m_spans.begin(), m_spans.end(),
                             [](const Span &s) { return s.lit && s.whole(); });
    }

    Reading read() const;

private:
    Reading unsure(Reason reason, double value = 0) const
    {
        Reading reading;
        reading.status = Status::Unsure;
        reading.reason = reason;
        reading.reasonValue = value;
        reading.colour = m_context.colour;
        return reading;
    }
    Reading readPattern() const;
    Reading readCode() const;
    Reading withColour(Reading reading, bool green) const;
    Reading failedSpan() const;

    const std::vector<Span> &m_spans;
    SpanContext m_context;
    double m_slackMs;
};

Reading SpanReader::read() const
{
    if (m_spans.empty())
        return unsure(Reason::NoBlinkingLight);
    const bool everySpanHasAMeaning =
        std::all_of(m_spans.begin(), m_spans.end(), [&](const Span &span) {
            const Phase phase = classify(span);
            return !span.whole() || (phase != Phase::None && phase != Phase::Ambiguous);
        });
    if (!everySpanHasAMeaning)
        return failedSpan();
    if (m_spans.size() == 1) {
        // A light that never changes: the steady green light, or too little of
        // a red or yellow code's long light.
        if (!m_spans[0].lit)
            return unsure(Reason::NoBlinkingLight);
        Reading reading;
        reading.pattern = 0;
        reading.cycleStartMs = 0;
        if (m_spans[0].minMs <= nominal(Phase::Long).highMs * (1 + ClockTolerance))
            return unsure(Reason::TooShort, m_context.colour == 0 ? FilmForPatternS : FilmForCodeS);
        return withColour(reading, true);
    }
    if (fitsPattern(Phase::Blink, Phase::Gap500) || fitsPattern(Phase::Flash, Phase::Gap500)) {
        const Reading pattern = readPattern();
        // Up to 16 flashes 500 ms apart may also be one digit of a code.
        if (pattern.reason != Reason::TooShort || m_context.colour == 0)
            return pattern;
    }
    return readCode();
}

Reading SpanReader::readPattern() const
{
    const bool blinking = fitsPattern(Phase::Blink, Phase::Gap500);
    const long lit = blinking ? wholeLit()
                              : std::count_if(m_spans.begin(), m_spans.end(),
                                              [](const Span &s) { return s.lit; });
    if (lit < (blinking ? BlinksNeeded : FlashesNeeded))
        return unsure(Reason::TooShort, FilmForPatternS);
    Reading reading;
    reading.pattern = blinking ? 1 : 2;
    // The first edge into light that was seen.
    for (const Span &span : m_spans) {
        if (span.lit && !span.cutAtStart) {
            reading.cycleStartMs = span.startMs;
            break;
        }
    }
    return withColour(reading, true);
}

Reading SpanReader::readCode() const
{
    // The first long light around which every digit was seen whole; all the
    // other spans, other cycles included, must then fit its code.
    for (std::size_t i = 0; i < m_spans.size(); ++i) {
        if (!isLong(i))
            continue;
        const std::array<int, 4> digits = digitsAround(i);
        if (std::find(digits.begin(), digits.end(), 0) != digits.end() ||
            std::any_of(digits.begin(), digits.end(), [](int d) { return d > 16; }))
            continue;
        Reading reading;
        reading.flashes = digits;
        const Span &opening = m_spans[i];
        // A long light that began before the recording: its start from its end.
        reading.cycleStartMs =
            opening.cutAtStart
                ? std::max(0.0, opening.startMs + opening.minMs - nominal(Phase::Long).lowMs)
                : opening.startMs;
        if (!explainsAll(digits, i)) {
            Reading best = unsure(Reason::CyclesDisagree);
            best.flashes = reading.flashes;
            best.cycleStartMs = reading.cycleStartMs;
            return best;
        }
        return withColour(reading, false);
    }
    return unsure(Reason::TooShort, FilmForCodeS);
}

// The reading, decoded when the colour fits it.
Reading SpanReader::withColour(Reading reading, bool green) const
{
    reading.colour = m_context.colour;
    if (m_context.colour < 0) {
        reading.status = Status::Unsure;
        reading.reason = Reason::ColourUnclear;
    } else if ((m_context.colour == 0) != green) {
        reading.status = Status::Unsure;
        reading.reason = Reason::ColourDoesNotFit;
    } else {
        reading.status = Status::Decoded;
        reading.reason = Reason::None;
    }
    return reading;
}

// A span that is no phase of the unit: below 30 frames per second most likely a
// flash that fell between two frames.
Reading SpanReader::failedSpan() const
{
    if (m_context.frameIntervalMs > 34)
        return unsure(Reason::FrameRateTooLow, 1000 / m_context.frameIntervalMs);
    return unsure(Reason::NotAKestrionCode);
}

} // namespace

Reading readBlinkCode(const std::vector<Span> &spans, const SpanContext &context)
{
    return SpanReader(spans, context).read();
}

} // namespace recording
