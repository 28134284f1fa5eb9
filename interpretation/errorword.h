#pragma once

#include <array>
#include <cstdint>

namespace interpretation
{

// The digit word: the four list positions as hexadecimal digits, the first box
// giving bits 12 to 15. A position of -1 (no entry chosen) counts as -1, so the
// word is then the two's-complement value of that sum.
std::int32_t digitWord(const std::array<int, 4> &listIndexes);

} // namespace interpretation
