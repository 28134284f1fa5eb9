#include "blinksequence.h"

namespace main_window {

namespace {

BlinkState batteryTick(BlinkState state, int pattern)
{
    switch (pattern) {
    case 0: // steady light: the sequence ends with the LED lit
        state.lit = true;
        state.running = false;
        break;
    case 1:
        state.interval = 500;
        state.lit = !state.lit;
        break;
    case 2: // the first tick after arming finds 500 and lights the LED
        if (state.interval == 500) {
            state.interval = 50;
            state.lit = true;
        } else {
            state.interval = 500;
            state.lit = false;
        }
        break;
    default: // no pattern chosen: the LED keeps its state, the timer ticks on
        break;
    }
    return state;
}

BlinkState digitTick(BlinkState state, const std::array<int, 4> &digits)
{
    switch (state.interval) {
    case 3000: // after the pause that ends a cycle (or the first 3 s): the long light
        state.interval = 6000;
        state.lit = true;
        break;
    case 6000:
        state.interval = 2000;
        state.lit = false;
        break;
    case 2000: // first flash of a digit
        state.interval = 50;
        state.lit = true;
        break;
    case 50: // a flash has been shown
        state.interval = 500;
        state.lit = false;
        state.blinkCount = qint16(state.blinkCount - 1);
        break;
    case 500: // next flash of the same digit
        state.interval = 50;
        state.lit = true;
        break;
    default:
        break;
    }
    // Whatever the phase: a digit without flashes left is finished.
    if (state.blinkCount == 0) {
        state.digitIndex = qint16(state.digitIndex + 1);
        if (state.digitIndex >= 4) {
            state.interval = 3000;
            state.digitIndex = 0;
            state.blinkCount = qint16(digits[0] + 1);
        } else {
            state.blinkCount = qint16(digits[state.digitIndex] + 1);
            state.interval = 2000;
        }
    }
    return state;
}

} // namespace

BlinkState nextBlinkState(BlinkState state, const BlinkInputs &inputs)
{
    state.running = true;
    if (inputs.batteryMode)
        return batteryTick(state, inputs.pattern);
    return digitTick(state, inputs.digits);
}

} // namespace main_window
