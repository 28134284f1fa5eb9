#include "lightview.h"

namespace decoding {

std::vector<DigitCount> digitCounts(const std::vector<LightView::Span> &spans)
{
    std::vector<DigitCount> digits;
    DigitCount digit;
    bool open = false; // after a digit gap, in a run of flashes and the gaps between them
    for (const LightView::Span &span : spans) {
        if (span.phase == Phase::Flash && open) {
            digit.startMs = digit.flashes++ == 0 ? span.startMs : digit.startMs;
            digit.endMs = span.endMs;
        } else if (span.phase != Phase::FlashGap || !open) {
            const bool ends = span.phase == Phase::DigitGap || span.phase == Phase::CyclePause;
            if (open && ends && digit.flashes > 0)
                digits.push_back(digit);
            open = span.phase == Phase::DigitGap;
            digit = {};
        }
    }
    return digits;
}

} // namespace decoding
