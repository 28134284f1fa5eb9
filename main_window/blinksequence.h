#pragma once

#include <QtGlobal>
#include <array>

namespace main_window {

// Where the blink sequence stands: the interval that has just elapsed, the
// LED, and the digit bookkeeping (16-bit signed, as the counters are kept).
struct BlinkState {
    int interval = 0;      // ms
    bool lit = false;      // LED shown
    qint16 blinkCount = 0; // flashes still to show in the current digit
    qint16 digitIndex = 0; // current digit, 0 to 3
    bool running = true;   // whether the timer runs on after this tick
};

// What the user has chosen, read at each tick.
struct BlinkInputs {
    bool batteryMode = false;    // the pattern list is enabled (green)
    int pattern = -1;            // its list position: 0 steady, 1 slow, 2 short
    std::array<int, 4> digits{}; // list positions of the digit boxes (flashes - 1)
};

// One tick of the blink sequence: from the state whose interval has just
// elapsed, the state of the next phase.
//
// Battery mode: pattern 0 lights the LED and stops; pattern 1 toggles every
// 500 ms; pattern 2 gives 50 ms light, 500 ms dark. Digit mode: 6000 ms light,
// 2000 ms dark, then per digit its flashes of 50 ms with 500 ms dark between
// them and 2000 ms dark after each digit (3000 ms after the fourth). A digit's
// flash count is read from its box when the digit starts.
BlinkState nextBlinkState(BlinkState state, const BlinkInputs &inputs);

} // namespace main_window
