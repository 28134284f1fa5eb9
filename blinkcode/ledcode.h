#pragma once

// What the unit's LED shows: its colours, the battery patterns of a green
// light, and the nominal timing of every phase.

#include <array>
#include <chrono>

namespace blinkcode {

// In the order of the colour list; a colour's list position is its value.
enum class Colour { Green, Red, Yellow };
// In the order of the pattern list.
enum class BatteryPattern { Steady, SlowBlinking, ShortFlashing };

// The colours in English, as the recording reader writes them.
inline constexpr std::array<const char *, 3> ColourNames{"green", "red", "yellow"};

using std::chrono::milliseconds;

// A red or yellow code: a long light opens each cycle and is followed by a gap;
// then each digit's flashes, a gap between two flashes, a gap after each digit
// and, after the fourth, a pause that ends the cycle.
inline constexpr milliseconds LongLight{6000};
inline constexpr milliseconds Flash{50};
inline constexpr milliseconds FlashGap{500};
inline constexpr milliseconds DigitGap{2000};
inline constexpr milliseconds CyclePause{3000};

// A green light: slow blinking is lit for half its period and dark for the
// other half; short flashing repeats a short flash and a gap.
inline constexpr milliseconds SlowBlinkHalfPeriod{500};
inline constexpr milliseconds ShortFlash{50};
inline constexpr milliseconds ShortFlashGap{500};

// One cycle of a red or yellow code with these flash counts (1 to 16 each).
constexpr milliseconds codeCycle(const std::array<int, 4> &flashes)
{
    milliseconds cycle = LongLight + DigitGap + 3 * DigitGap + CyclePause;
    for (int n : flashes)
        cycle += n * Flash + (n - 1) * FlashGap;
    return cycle;
}

} // namespace blinkcode
