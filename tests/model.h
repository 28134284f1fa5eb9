// What the user sees and changes, modelled from how the program should behave, not from its code.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

struct Model {
    // The boxes: 0 colour, 1 pattern, 2 to 5 digits 0 to 3; list index -1: no entry chosen.
    std::array<bool, 6> enabled{true};
    std::array<int, 6> listIndex{-1, -1, -1, -1, -1, -1};
    std::uint32_t ledColour = 0x808080; // grey, as RRGGBB
    bool ledLit = true, timerEnabled = false, windowOpen = false, ended = false;
    // A recording being read (its progress window open), a message about one open.
    bool reading = false, message = false;
    int interval = 0; // 0: never armed yet
    std::int16_t blinkCount = 0, digitIndex = 0;
    // The interpretation window: texts of one colour (3: placeholders); a clear bit greys a row.
    int windowColour = 3;
    std::array<bool, 16> bitSet{};

    bool takesInput() const { return !ended && !windowOpen && !reading && !message; }
    bool batteryMode() const { return enabled[1]; }
    int digit(int i) const { return listIndex[2 + i]; }

    // The user chooses entry `index` of box `b`; the box's click comes even for the same entry.
    void choose(int b, int index)
    {
        if (!takesInput() || !enabled[b])
            return;
        listIndex[b] = index;
        if (b == 0 && index <= 2) {     // green enables the pattern, red and yellow the digits
            for (int d = 1; d < 6; ++d) // an enabled box shows its first entry
                listIndex[d] = (enabled[d] = (d == 1) == (index == 0)) ? 0 : listIndex[d];
            ledColour = std::array{0x00FF00u, 0xFF0000u, 0xFFFF00u}[index]; // green, red, yellow
        }
        timerEnabled = false, ledLit = true;
    }

    void exit() { ended = ended || takesInput(); }

    void pressDisplay()
    {
        if (!takesInput() || (!batteryMode() && !enabled[2]))
            return;
        blinkCount = 0, interval = 500;
        if (!batteryMode())
            digitIndex = 0, blinkCount = std::int16_t(digit(0) + 1), interval = 3000;
        std::int32_t word = ((digit(0) * 16 + digit(1)) * 16 + digit(2)) * 16 + digit(3);
        windowColour = listIndex[0] < 0 ? 3 : listIndex[0]; // the list holds three colours
        if (windowColour == 0) // round half to even: pattern -1 gives 0.5, which is 0
            word = std::int32_t(std::nearbyint(std::pow(2.0, listIndex[1])));
        for (int n = 0; n < 16; ++n)
            bitSet[n] = (word & (1 << n)) != 0;
        windowOpen = true;
    }

    // Closing the interpretation window lets the display command go on: it starts the timer.
    void closeWindow() { timerEnabled = timerEnabled || windowOpen, windowOpen = false; }

    // A recording dropped or opened: read, or refused while the window takes no input.
    bool startReading() { return takesInput() && (reading = true); }
    void cancelReading() { reading = false; }
    // A reading that is not applied: nothing changes but a message.
    void tell() { reading = false, message = true; }
    void closeMessage() { message = false; }

    // A decoded recording is chosen as the user would choose it, then shown.
    void readDecoded(int colour, int pattern, const std::array<int, 4> &flashes)
    {
        reading = false;
        choose(0, colour);
        for (int b = 1; b < 6; ++b)
            choose(b, b == 1 ? pattern : flashes[b - 2] - 1); // only the enabled boxes take it
        pressDisplay();
    }

    void tick()
    {
        if (ended || !timerEnabled)
            return;
        if (!batteryMode())
            return digitTick();
        if (listIndex[1] == 0) // steady light: the sequence ends here
            timerEnabled = false, ledLit = true;
        else if (listIndex[1] == 1)
            interval = 500, ledLit = !ledLit;
        else if (listIndex[1] == 2) // lit 50 ms, dark 500 ms; the first tick after arming finds 500
            ledLit = interval == 500, interval = ledLit ? 50 : 500;
    }

    // A 3 s pause, 6 s lit, then per digit 2 s dark and its flashes (50 ms lit, 500 ms dark).
    void digitTick()
    {
        // {interval that ended, next interval, LED lit during it}
        static constexpr int phases[][3] = {
            {3000, 6000, 1}, {6000, 2000, 0}, {2000, 50, 1}, {500, 50, 1}, {50, 500, 0}};
        const int ending = interval;
        for (const auto &[from, to, lit] : phases)
            if (ending == from) // the end of a 50 ms flash leaves one fewer to show
                blinkCount = std::int16_t(blinkCount - (from == 50)), interval = to, ledLit = lit;
        if (blinkCount != 0)
            return;
        digitIndex = std::int16_t((digitIndex + 1) % 4);
        blinkCount = std::int16_t(digit(digitIndex) + 1);
        interval = digitIndex == 0 ? 3000 : 2000; // the pause of 3 s ends a cycle
    }
};
