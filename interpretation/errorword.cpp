#include "errorword.h"

namespace interpretation
{

std::int32_t digitWord(const std::array<int, 4> &listIndexes)
{
    std::int32_t word = 0;
    for (int index : listIndexes)
        word = word * 16 + index;
    return word;
}

} // namespace interpretation
