#pragma once

#include <array>
#include <cstdint>

namespace blinkcode {

// The digit word: the four list positions as hexadecimal digits, the first box
// giving bits 12 to 15. A position of -1 (no entry chosen) counts as -1, so the
// word is then the two's-complement value of that sum.
std::int32_t digitWord(const std::array<int, 4> &listIndexes);

// The battery word: 2 to the power of the pattern's list position, rounded to
// the nearest integer with halves to even, so patterns 0, 1, 2 give bits 0, 1, 2
// and no pattern (-1) gives 0.
std::int32_t batteryWord(int listIndex);

} // namespace blinkcode
