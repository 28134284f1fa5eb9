#include "fehlerbeschreibung.h"

#include "artwork.h"
#include "catalogue.h"
#include "colours.h"
#include "controls.h"
#include "screen.h"
#include "twips.h"
#include "windowmanager.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>

using toolkit::place;
namespace layout = design::fehlerbeschreibung;

namespace interpretation {

namespace {

constexpr quint32 PaleYellow = 0xC0FFFF; // BBGGRR

void paintBackground(QWidget *widget)
{
    toolkit::setBackColour(widget, toolkit::colourFromBgr(PaleYellow));
    widget->setAutoFillBackground(true);
}

} // namespace

Fehlerbeschreibung::Fehlerbeschreibung()
{
    setObjectName(QStringLiteral("Fehlerbeschreibung"));
    setWindowTitle(QStringLiteral("Fehlerinterpretation"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(toolkit::twipsToPixels(layout::Client.width),
                 toolkit::twipsToPixels(layout::Client.height));

    Frame1 = toolkit::makeFrame(this);
    place(Frame1, "Frame1", layout::Frame1);
    paintBackground(Frame1);
    Frame1->setTitle(QStringLiteral("Frame1"));

    // Row i: the hand of bit i on the left, the cause text to its right, a row
    // pitch apart; the hand fills only the middle half of its picture's height.
    const QPixmap hand = resources::hand();
    for (int i = 0; i < 16; ++i) {
        design::TwipsRect image = layout::Image1, label = layout::Label1;
        image.top += layout::RowPitch * i;
        label.top += layout::RowPitch * i;
        Image1[i] = toolkit::makeImage(hand, Frame1);
        place(Image1[i], QStringLiteral("Image1_%1").arg(i), image);
        Image1[i]->setAccessibleName(QStringLiteral("Gemeldet:"));
        Label1[i] = toolkit::makeLabel(Frame1);
        place(Label1[i], QStringLiteral("Label1_%1").arg(i), label);
        Label1[i]->setText(QStringLiteral("Label1"));
        paintBackground(Label1[i]);
    }
    // The hands overlap their neighbours' transparent margins; keep every text on top.
    for (QLabel *label : Label1)
        label->raise();

    Form_Load();
}

void Fehlerbeschreibung::Form_Load()
{
    toolkit::centreOnScreen(this);
    toolkit::setCaption(this, catalogue::InterpretationCaption);
}

void Fehlerbeschreibung::showCauseTexts(int c)
{
    if (c < 0 || c > 2)
        return;
    for (int n = 0; n < 16; ++n)
        Label1[n]->setText(catalogue::BitTexts[n][c]);
    Frame1->setTitle(catalogue::GroupCaptions[c]);
}

void Fehlerbeschreibung::markBits(std::int32_t errorWord)
{
    std::int32_t mask = 1;
    for (int n = 0; n < 16; ++n, mask *= 2) {
        if (errorWord & mask) {
            Image1[n]->setVisible(true);
        } else {
            Image1[n]->setVisible(false);
            Label1[n]->setEnabled(false); // shows the text greyed
        }
    }
}

void Fehlerbeschreibung::keyPressEvent(QKeyEvent *event)
{
    // Only the close box or the system's close command closes this window;
    // QDialog would also close it on Escape.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace interpretation
