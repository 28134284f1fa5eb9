#include "spanreader.h"

#include "phases.h"

#include <algorithm>
#include <array>

namespace recording {

namespace {

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

class SpanReader
{
public:
    SpanReader(const std::vector<Span> &spans, const SpanContext &context)
        : m_spans(spans), m_context(context), m_phases(context.frameIntervalMs)
    {}

    Phase classify(const Span &span) const { return m_phases.classify(span); }
    bool fits(const Span &span, Phase phase) const { return m_phases.fits(span, phase); }

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
        // Forwards: a digit gap, then each digit up to the dark that ends it.
        long k = long(i) + 1;
        if (phase(k++) == Phase::DigitGap) {
            for (int d = 0; d < 4; ++d) {
                const Phase end = d < 3 ? Phase::DigitGap : Phase::CyclePause;
                int flashes = 0;
                while (phase(k) == Phase::Flash && phase(k + 1) == Phase::FlashGap) {
                    ++flashes;
                    k += 2;
                }
                if (phase(k) != Phase::Flash ||
                    (phase(k + 1) != end && !(d == 3 && endsLast(k + 1, flashes + 1))))
                    break;
                digits[std::size_t(d)] = flashes + 1;
                k += 2;
            }
        }
        // Backwards: the cycle's pause, then each digit back to the dark before it.
        k = long(i) - 1;
        if (phase(k--) == Phase::CyclePause) {
            for (int d = 3; d >= 0; --d) {
                int flashes = 0;
                while (phase(k) == Phase::Flash && phase(k - 1) == Phase::FlashGap) {
                    ++flashes;
                    k -= 2;
                }
                if (phase(k) != Phase::Flash || phase(k - 1) != Phase::DigitGap)
                    break;
                if (digits[std::size_t(d)] == 0)
                    digits[std::size_t(d)] = flashes + 1;
                k -= 2;
            }
        }
        return digits;
    }

    // Whether span k is the cycle's pause after the last digit of `flashes`,
    // cut by the end of the recording: the digit is over when it has 16
    // flashes, the most a digit has, or when the dark has lasted as long as
    // the gap between digits (no flash gap lasts that long).
    bool endsLast(long k, int flashes) const
    {
        if (k < 0 || std::size_t(k) + 1 != m_spans.size())
            return false;
        const Span &span = m_spans[std::size_t(k)];
        return !span.lit && span.cutAtEnd && !span.cutAtStart && fits(span, Phase::CyclePause) &&
               (flashes == 16 || span.minMs >= double(blinkcode::DigitGap.count()));
    }

    // Whether every span fits the code's cycle, the long light at index i
    // opening it: those before it backwards, those after it forwards.
    bool explainsAll(const std::array<int, 4> &digits, std::size_t i) const
    {
        std::vector<Phase> cycle{Phase::Long, Phase::DigitGap};
        for (int d = 0; d < 4; ++d) {
            for (int f = 0; f < digits[std::size_t(d)]; ++f) {
                cycle.push_back(Phase::Flash);
                cycle.push_back(f + 1 < digits[std::size_t(d)] ? Phase::FlashGap
                                : d < 3                        ? Phase::DigitGap
                                                               : Phase::CyclePause);
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

    // Where the first whole cycle starts: at the first long light whose start
    // was seen (a recording that starts inside a long light sees its cycle only
    // in part); -1 when no long light began within the recording.
    double firstCycleStart() const
    {
        for (std::size_t k = 0; k < m_spans.size(); ++k) {
            if (!m_spans[k].cutAtStart && isLong(k))
                return m_spans[k].startMs;
        }
        return -1;
    }

    long wholeLit() const
    {
        return std::count_if(m_spans.begin(), m_spans.end(),
                             [](const Span &s) { return s.lit && s.whole(); });
    }

    Reading read() const;

private:
    bool seenGreen() const { return m_context.colour == int(blinkcode::Colour::Green); }
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
    PhaseClassifier m_phases;
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
        reading.pattern = int(blinkcode::BatteryPattern::Steady);
        reading.cycleStartMs = 0;
        if (m_spans[0].minMs <= LongestLightMs * (1 + ClockTolerance))
            return unsure(Reason::TooShort, seenGreen() ? FilmForPatternS : FilmForCodeS);
        return withColour(reading, true);
    }
    if (fitsPattern(Phase::Blink, Phase::FlashGap) || fitsPattern(Phase::Flash, Phase::FlashGap)) {
        const Reading pattern = readPattern();
        // Up to 16 flashes a flash gap apart may also be one digit of a code.
        if (pattern.reason != Reason::TooShort || seenGreen())
            return pattern;
    }
    return readCode();
}

Reading SpanReader::readPattern() const
{
    const bool blinking = fitsPattern(Phase::Blink, Phase::FlashGap);
    const long lit = blinking ? wholeLit()
                              : std::count_if(m_spans.begin(), m_spans.end(),
                                              [](const Span &s) { return s.lit; });
    if (lit < (blinking ? BlinksNeeded : FlashesNeeded))
        return unsure(Reason::TooShort, FilmForPatternS);
    Reading reading;
    reading.pattern = int(blinking ? blinkcode::BatteryPattern::SlowBlinking
                                   : blinkcode::BatteryPattern::ShortFlashing);
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
        reading.cycleStartMs = firstCycleStart();
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
    } else if (seenGreen() != green) {
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
