// A model of what the user can see and change in the program, written from how
// the program is meant to behave and not from its code, in plain C++ so that a
// random-use test can run it beside the real windows and compare them.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <string>

namespace model {

// The texts read from the catalogue at start-up that the interpretation window shows.
struct Texts {
    std::string interpretationCaption;
    std::array<std::string, 3> groupCaptions;            // green, red, yellow
    std::array<std::array<std::string, 3>, 16> bitTexts; // [bit][colour]
};

struct Box {
    bool enabled = false;
    int listIndex = -1; // -1: no entry chosen
};

// The interpretation window while it is open; every opening loads it afresh.
struct Interpretation {
    std::string caption;
    std::string frameCaption = "Frame1";
    std::array<std::string, 16> texts;
    std::array<bool, 16> handVisible;
    std::array<bool, 16> textEnabled;
    Interpretation()
    {
        texts.fill("Label1");
        handVisible.fill(true);
        textEnabled.fill(true);
    }
};

enum class Mode { None, Battery, Digits };

inline constexpr std::uint32_t Grey = 0x808080, Green = 0x00FF00, Red = 0x0000FF,
                               Yellow = 0x00FFFF; // BBGGRR

struct Program {
    explicit Program(Texts t) : texts(std::move(t)) {}

    Texts texts;
    Box colour{true, -1};
    Box pattern;
    std::array<Box, 4> digits;
    std::uint32_t ledColour = Grey;
    bool ledLit = true;
    bool timerEnabled = false;
    int interval = 0; // 0: never armed yet
    std::int16_t blinkCount = 0;
    std::int16_t digitIndex = 0;
    bool windowOpen = false;
    Interpretation window;
    bool ended = false;

    // The mode is not stored: it is which boxes are enabled.
    Mode mode() const
    {
        return pattern.enabled ? Mode::Battery : digits[0].enabled ? Mode::Digits : Mode::None;
    }
    // The main window takes input only while it lives and no modal window is open.
    bool takesInput() const { return !ended && !windowOpen; }

    // Boxes are numbered 0 colour, 1 pattern, 2 to 5 digits 0 to 3.
    Box &box(int b) { return b == 0 ? colour : b == 1 ? pattern : digits[b - 2]; }

    // The user chooses entry `index` of box `b` (raises the box's click even for
    // the same entry). Returns whether the choice reached the box.
    bool choose(int b, int index)
    {
        if (!takesInput() || !box(b).enabled)
            return false;
        box(b).listIndex = index;
        if (b == 0)
            colourClick();
        stopWithLedLit();
        return true;
    }

    // A typed character is always discarded, so nothing changes.
    void type(int /*box*/, char /*c*/) {}

    void exit()
    {
        if (takesInput())
            ended = true;
    }

    void pressDisplay()
    {
        if (!takesInput() || (!pattern.enabled && !digits[0].enabled))
            return;
        blinkCount = 0;
        if (pattern.enabled) {
            interval = 500;
        } else {
            digitIndex = 0;
            blinkCount = static_cast<std::int16_t>(digits[0].listIndex + 1);
            interval = 3000;
        }
        std::int32_t word = 0;
        for (const Box &d : digits)
            word = word * 16 + d.listIndex;
        window = Interpretation();
        window.caption = texts.interpretationCaption;
        const int c = colour.listIndex;
        if (c >= 0 && c <= 2) {
            for (int n = 0; n < 16; ++n)
                window.texts[n] = texts.bitTexts[n][c];
            window.frameCaption = texts.groupCaptions[c];
            if (c == 0) // round half to even: pattern -1 gives 0.5, which is 0
                word = static_cast<std::int32_t>(std::nearbyint(std::pow(2.0, pattern.listIndex)));
        }
        for (int n = 0; n < 16; ++n) {
            window.handVisible[n] = (word & (1 << n)) != 0;
            window.textEnabled[n] = window.handVisible[n];
        }
        windowOpen = true;
    }

    // Closing the interpretation window lets the display command go on: it starts the timer.
    void closeWindow()
    {
        if (!windowOpen)
            return;
        windowOpen = false;
        timerEnabled = true;
    }

    // One tick of the timer; a stopped timer raises none.
    void tick()
    {
        if (ended || !timerEnabled)
            return;
        timerEnabled = false;
        if (mode() == Mode::Battery) {
            switch (pattern.listIndex) {
            case 0:
                ledLit = true;
                return; // steady light: the sequence ends here
            case 1:
                interval = 500, ledLit = !ledLit;
                break;
            case 2:
                ledLit = interval == 500;
                interval = ledLit ? 50 : 500;
                break;
            }
        } else {
            digitTick();
        }
        timerEnabled = true;
    }

private:
    void colourClick()
    {
        const int c = colour.listIndex;
        if (c == 0) {
            pattern = {true, 0};
            for (Box &d : digits)
                d.enabled = false;
            ledColour = Green;
        } else if (c == 1 || c == 2) {
            pattern.enabled = false;
            for (Box &d : digits)
                d = {true, 0};
            ledColour = c == 1 ? Red : Yellow;
        }
    }

    void stopWithLedLit() { timerEnabled = false, ledLit = true; }

    void digitTick()
    {
        switch (interval) {
        case 3000:
            interval = 6000, ledLit = true;
            break;
        case 6000:
            interval = 2000, ledLit = false;
            break;
        case 2000:
        case 500:
            interval = 50, ledLit = true;
            break;
        case 50:
            interval = 500, ledLit = false, --blinkCount;
            break;
        }
        if (blinkCount != 0)
            return;
        if (++digitIndex >= 4) {
            interval = 3000, digitIndex = 0;
            blinkCount = static_cast<std::int16_t>(digits[0].listIndex + 1);
        } else {
            blinkCount = static_cast<std::int16_t>(digits[digitIndex].listIndex + 1);
            interval = 2000;
        }
    }
};

} // namespace model
