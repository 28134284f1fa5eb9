#include "blinksequence.h"

#include "ledcode.h"

namespace blinkcode {

namespace {

BlinkState batteryTick(BlinkState state, int pattern)
{
    switch (pattern) {
    case int(BatteryPattern::Steady): // the sequence ends with the LED lit
        state.lit = true;
        state.running = false;
        break;
    case int(BatteryPattern::SlowBlinking):
        state.interval = SlowBlinkHalfPeriod.count();
        state.lit = !state.lit;
        break;
    case int(BatteryPattern::ShortFlashing): // the first tick after arming lights the LED
        if (state.interval == ShortFlashGap.count()) {
            state.interval = ShortFlash.count();
            state.lit = true;
        } else {
            state.interval = ShortFlashGap.count();
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
    case CyclePause.count(): // after the pause that ends a cycle, or after arming: the long light
        state.interval = LongLight.count();
        state.lit = true;
        break;
    case LongLight.count():
        state.interval = DigitGap.count();
        state.lit = false;
        break;
    case DigitGap.count(): // first flash of a digit
        state.interval = Flash.count();
        state.lit = true;
        break;
    case Flash.count(): // a flash has been shown
        state.interval = FlashGap.count();
        state.lit = false;
        state.blinkCount = std::int16_t(state.blinkCount - 1);
        break;
    case FlashGap.count(): // next flash of the same digit
        state.interval = Flash.count();
        state.lit = true;
        break;
    default:
        break;
    }
    // Whatever the phase: a digit without flashes left is finished.
    if (state.blinkCount == 0) {
        state.digitIndex = std::int16_t(state.digitIndex + 1);
        if (state.digitIndex >= 4) {
            state.interval = CyclePause.count();
            state.digitIndex = 0;
            state.blinkCount = std::int16_t(digits[0] + 1);
        } else {
            state.blinkCount = std::int16_t(digits[state.digitIndex] + 1);
            state.interval = DigitGap.count();
        }
    }
    return state;
}

} // namespace

BlinkState armBlinkSequence(BlinkState state, const BlinkInputs &inputs)
{
    state.blinkCount = 0;
    if (inputs.batteryMode) {
        state.interval = ShortFlashGap.count();
    } else {
        state.digitIndex = 0;
        state.blinkCount = std::int16_t(inputs.digits[0] + 1);
        state.interval = CyclePause.count();
    }
    return state;
}

BlinkState nextBlinkState(BlinkState state, const BlinkInputs &inputs)
{
    state.running = true;
    if (inputs.batteryMode)
        return batteryTick(state, inputs.pattern);
    return digitTick(state, inputs.digits);
}

} // namespace blinkcode
