#include "form1.h"

#include "blinksequence.h"
#include "catalogue.h"
#include "colours.h"
#include "combobox.h"
#include "errorword.h"
#include "fehlerbeschreibung.h"
#include "ledcode.h"
#include "screen.h"
#include "shape.h"
#include "timer.h"
#include "twips.h"
#include "windowmanager.h"

#include <QGroupBox>
#include <QPushButton>

using namespace catalogue;
using blinkcode::Colour;
using toolkit::colourFromBgr;
namespace layout = design::form1;

namespace main_window {

qint16 BlinkCount = 0;
qint16 DigitIndex = 0;

Form1::Form1(const QString &applicationFolder)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Fehlerausgabe Firmwareversionen Kestrion 1.XX"));
    // The border is sizable, but the controls keep their places.
    resize(toolkit::twipsToPixels(layout::Client.width),
           toolkit::twipsToPixels(layout::Client.height));

    createDrawing();
    createInputs();
    createInfo();
    wireEvents();
    Form_Load(applicationFolder);
    nameForAssistiveTechnology();
}

void Form1::Form_Load(const QString &applicationFolder)
{
    ClearCauseTexts();
    toolkit::centreOnScreen(this);
    ReadCatalogue(cataloguePathIn(applicationFolder));

    Frame1->setTitle(ReadCatalogueText(Text::Frame1Caption));
    Frame2->setTitle(ReadCatalogueText(Text::Frame2Caption));
    Frame3->setTitle(ReadCatalogueText(Text::Frame3Caption));
    Command2->setText(ReadCatalogueText(Text::Command2Caption));
    Command3->setText(ReadCatalogueText(Text::Command3Caption));
    toolkit::setCaption(this, ReadCatalogueText(Text::Form1Caption));
    InterpretationCaption = ReadCatalogueText(Text::Form2Caption);

    Combo1->setText(QString());
    Combo2->setText(QString());
    for (toolkit::ComboBox *combo : Combo3)
        combo->setText(QString());

    for (int i = 0; i < 3; ++i)
        Combo1->addItem(ReadCatalogueText(colourName(i)));
    for (int i = 0; i < 3; ++i)
        Combo2->addItem(ReadCatalogueText(patternName(i)));
    for (toolkit::ComboBox *combo : Combo3) {
        for (int i = 1; i <= 16; ++i)
            combo->addItem(QString::number(i));
    }

    ReadCauseTexts();
}

void Form1::Combo1_Click()
{
    const int c = Combo1->listIndex();
    if (c == int(Colour::Green)) {
        // Green: the battery pattern is the input.
        Combo2->setEnabled(true);
        Combo2->setListIndex(0);
        for (toolkit::ComboBox *digit : Combo3)
            digit->setEnabled(false);
        Shape1->setFillColour(colourFromBgr(layout::Green));
    } else if (c == int(Colour::Red) || c == int(Colour::Yellow)) {
        // Red or yellow: the four flash counts are the input, each reset to one flash.
        Combo2->setEnabled(false);
        for (toolkit::ComboBox *digit : Combo3) {
            digit->setEnabled(true);
            digit->setListIndex(0);
        }
        Shape1->setFillColour(colourFromBgr(c == int(Colour::Red) ? layout::Red : layout::Yellow));
    }
    Timer1->setEnabled(false);
    Shape1->setShapeVisible(true);
}

void Form1::Combo2_Click()
{
    Timer1->setEnabled(false);
    Shape1->setShapeVisible(true);
}

void Form1::Combo3_Click(int)
{
    Timer1->setEnabled(false);
    Shape1->setShapeVisible(true);
}

// The lists are chosen from, never typed into: every character is discarded.
void Form1::Combo1_KeyPress(int &keyAscii)
{
    keyAscii = 0;
}

void Form1::Combo2_KeyPress(int &keyAscii)
{
    keyAscii = 0;
}

void Form1::Combo3_KeyPress(int, int &keyAscii)
{
    keyAscii = 0;
}

void Form1::Command2_Click()
{
    // The main window is the only one open here, so closing it ends the program.
    close();
}

void Form1::Command3_Click()
{
    if (!Combo2->isEnabled() && !Combo3[0]->isEnabled())
        return; // no colour chosen yet

    // Arm the blink sequence. A running timer restarts its count with the new
    // interval; a stopped one starts once the window has been closed.
    const blinkcode::BlinkInputs inputs{Combo2->isEnabled(),
                                        Combo2->listIndex(),
                                        {Combo3[0]->listIndex(), Combo3[1]->listIndex(),
                                         Combo3[2]->listIndex(), Combo3[3]->listIndex()}};
    const blinkcode::BlinkState armed = blinkcode::armBlinkSequence(
        {Timer1->interval(), Shape1->isShapeVisible(), BlinkCount, DigitIndex}, inputs);
    BlinkCount = armed.blinkCount;
    DigitIndex = armed.digitIndex;
    Timer1->setInterval(armed.interval);

    std::int32_t ErrorWord = blinkcode::digitWord(inputs.digits);

    interpretation::Fehlerbeschreibung Fehlerbeschreibung;
    const int c = Combo1->listIndex();
    Fehlerbeschreibung.showCauseTexts(c);
    if (c == int(Colour::Green))
        ErrorWord = blinkcode::batteryWord(Combo2->listIndex());
    Fehlerbeschreibung.markBits(ErrorWord);
    Fehlerbeschreibung.exec(); // modal, without owner; the timer goes on meanwhile

    Timer1->setEnabled(true);
}

void Form1::Timer1_Timer()
{
    // Disabled first and enabled last: ticks never overlap. The timer counts the
    // next interval from this tick's due time, so the code keeps its timeline.
    Timer1->setEnabled(false);
    const blinkcode::BlinkState next = blinkcode::nextBlinkState(
        {Timer1->interval(), Shape1->isShapeVisible(), BlinkCount, DigitIndex},
        {Combo2->isEnabled(),
         Combo2->listIndex(),
         {Combo3[0]->listIndex(), Combo3[1]->listIndex(), Combo3[2]->listIndex(),
          Combo3[3]->listIndex()}});
    Shape1->setShapeVisible(next.lit);
    BlinkCount = next.blinkCount;
    DigitIndex = next.digitIndex;
    Timer1->setInterval(next.interval);
    Timer1->setEnabled(next.running);
}

} // namespace main_window
