#include "errorword.h"

#include <cmath>

namespace blinkcode {

std::int32_t digitWord(const std::array<int, 4> &listIndexes)
{
    std::int32_t word = 0;
    for (int index : listIndexes)
        word = word * 16 + index;
    return word;
}

std::int32_t batteryWord(int listIndex)
{
    if (listIndex < -1 || listIndex > 30)
        return 0; // no list holds such a position; keeps the shift defined
    // std::nearbyint rounds halves to even in the default rounding mode: 2^-1 gives 0.
    return std::int32_t(std::nearbyint(std::ldexp(1.0, listIndex)));
}

} // namespace blinkcode
