#include "reading.h"

#include "errorword.h"

namespace recording {

std::int32_t errorWord(const Reading &reading)
{
    if (!reading.hasCode())
        return 0;
    if (reading.colour == int(blinkcode::Colour::Green))
        return blinkcode::batteryWord(reading.pattern);
    const std::array<int, 4> &f = reading.flashes;
    return blinkcode::digitWord({f[0] - 1, f[1] - 1, f[2] - 1, f[3] - 1});
}

} // namespace recording
