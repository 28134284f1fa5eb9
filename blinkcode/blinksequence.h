#pragma once

#include <array>
#include <cstdint>

namespace blinkcode {

// Where the blink sequence stands: the interval that has just elapsed, the
// LED, and the digit bookkeeping (16-bit signed, as the counters are kept).
struct BlinkState {
    int interval = 0;            // ms
    bool lit = false;            // LED shown
    std::int16_t blinkCount = 0; // flashes still to show in the current digit
    std::int16_t digitIndex = 0; // current digit, 0 to 3
    bool running = true;         // whether the timer runs on after this tick
};

// What the user has chosen, read at each tick.
struct BlinkInputs {
    bool batteryMode = false;    // the pattern list is enabled (green)
    int pattern = -1;            // its list position, a BatteryPattern
    std::array<int, 4> digits{}; // list positions of the digit boxes (flashes - 1)
};

// The state the display button arms from `state`: a battery pattern's first
// tick comes one short flashing gap later; a code starts at its first digit
// after a cycle's pause, the LED kept as it was until then. The LED and
// whether the timer runs are left as they are.
BlinkState armBlinkSequence(BlinkState state, const BlinkInputs &inputs);

// One tick of the blink sequence: from the state whose interval has just
// elapsed, the state of the next phase (timings in ledcode.h).
//
// Battery mode: steady lights the LED and stops; slow blinking toggles it every
// half period; short flashing alternates its flash and gap. Digit mode: the
// long light, a digit gap, then per digit its flashes with a flash gap between
// them, a digit gap after each digit and the cycle's pause after the fourth. A
// digit's flash count is read from its box when the digit starts.
BlinkState nextBlinkState(BlinkState state, const BlinkInputs &inputs);

} // namespace blinkcode
