#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

class QGroupBox;
class QLabel;

namespace interpretation {

// The interpretation window: the 16 possible causes of one LED colour, one row
// per bit of the error word, with a hand at each cause the code reports and the
// others greyed. Each use builds it afresh with its design-time values, so the
// caller keeps it as a local and lets it go when it has been closed.
class Fehlerbeschreibung : public QDialog
{
    Q_OBJECT

public:
    // Loads the window: its design-time controls, then Form_Load.
    Fehlerbeschreibung();

    // Sets the 16 cause texts and the group caption of colour `c` (0 green,
    // 1 red, 2 yellow); any other value sets no texts.
    void showCauseTexts(int c);

    // Shows the hand of every bit set in `errorWord`; hides the hand of every
    // clear bit and greys its text.
    void markBits(std::int32_t errorWord);

    QGroupBox *Frame1 = nullptr;
    std::array<QLabel *, 16> Image1{};
    std::array<QLabel *, 16> Label1{};

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Load();
};

} // namespace interpretation
