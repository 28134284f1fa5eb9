#pragma once

#include "ledcode.h"
#include "spans.h"

namespace recording {

// The longest clock error of a unit that a reading allows: 5 %.
inline constexpr double ClockTolerance = 0.05;

// The phases the unit's LED shows. A green pattern is read with a code's: its
// short flash is a flash, its dark a flash gap, slow blinking's light a blink.
enum class Phase { Flash, Blink, Long, FlashGap, DigitGap, CyclePause, None, Ambiguous };

// The long light: a unit's, and the longest, that of the first cycle of the
// program's own simulated LED, which stays lit from the selection until the
// sequence starts.
inline constexpr double LongLightMs = double(blinkcode::LongLight.count());
inline constexpr double LongestLightMs =
    double((blinkcode::LongLight + blinkcode::CyclePause).count());

// Tells a span's phase by its length, allowing for the unit's clock error and
// for edges that the camera saw up to a frame early or late.
class PhaseClassifier
{
public:
    explicit PhaseClassifier(double frameIntervalMs);

    // Whether the span can be the phase: whole spans by their length, cut ones
    // only by the part that was seen.
    bool fits(const Span &span, Phase phase) const;
    // The one phase a whole span can be, or None, or Ambiguous.
    Phase classify(const Span &span) const;

private:
    double m_slackMs;
};

} // namespace recording
