// The main window's controls as designed: their places, colours, fixed
// texts, tab order and events, and the names screen readers give them.
#include "form1.h"

#include "artwork.h"
#include "colours.h"
#include "combobox.h"
#include "controls.h"
#include "line.h"
#include "shape.h"
#include "timer.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>

using toolkit::colourFromBgr;
using toolkit::place;
using toolkit::Shape;
namespace layout = design::form1;

namespace main_window {

namespace {

// The maker's postal and contact details; they never change at run time.
const char AddressText[] = "Kestrion Gerätebau GmbH\n"
                           "Beispielweg 12\n"
                           "99999 Musterstadt\n"
                           "Telefon 0000 00000-0\n"
                           "Telefax 0000 00000-99\n"
                           "www.example.com\n"
                           "service@example.com";

QFont smallArial()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(8.25);
    return font;
}

toolkit::ComboBox *makeCombo(QWidget *parent)
{
    auto *combo = new toolkit::ComboBox(parent);
    combo->setBackColour(colourFromBgr(layout::LightYellow));
    return combo;
}

} // namespace

void Form1::createDrawing()
{
    // Created back to front: each shape is drawn over those made before it.
    Shape2[0] =
        new Shape(Shape::Kind::Rectangle, colourFromBgr(layout::Grey), Shape::Border::None, this);
    place(Shape2[0], "Shape2_0", layout::Shape2_0);
    // The LED is grey on the grey body, so it looks dark until a colour is chosen.
    Shape1 = new Shape(Shape::Kind::Circle, colourFromBgr(layout::Grey), Shape::Border::None, this);
    place(Shape1, "Shape1", layout::Shape1);
    Shape2[1] =
        new Shape(Shape::Kind::Rectangle, colourFromBgr(layout::Grey), Shape::Border::None, this);
    place(Shape2[1], "Shape2_1", layout::Shape2_1);
    Shape2[2] =
        new Shape(Shape::Kind::Rectangle, colourFromBgr(layout::Grey), Shape::Border::None, this);
    place(Shape2[2], "Shape2_2", layout::Shape2_2);
    Shape3 = new Shape(Shape::Kind::Rectangle, colourFromBgr(layout::Black), Shape::Border::Default,
                       this);
    place(Shape3, "Shape3", layout::Shape3);
    Line1[0] = new toolkit::Line(layout::Line1_0.x1, layout::Line1_0.x2, layout::Line1_0.y,
                                 colourFromBgr(layout::Blue), 3, this);
    Line1[0]->setObjectName(QStringLiteral("Line1_0"));
    Line1[1] = new toolkit::Line(layout::Line1_1.x1, layout::Line1_1.x2, layout::Line1_1.y,
                                 colourFromBgr(layout::Blue), 3, this);
    Line1[1]->setObjectName(QStringLiteral("Line1_1"));
    Shape4 =
        new Shape(Shape::Kind::Circle, colourFromBgr(layout::Yellow), Shape::Border::Default, this);
    place(Shape4, "Shape4", layout::Shape4);
    Shape5 =
        new Shape(Shape::Kind::Circle, colourFromBgr(layout::Red), Shape::Border::Default, this);
    place(Shape5, "Shape5", layout::Shape5);
}

void Form1::createInputs()
{
    Frame1 = toolkit::makeFrame(this);
    place(Frame1, "Frame1", layout::Frame1);
    Combo1 = makeCombo(Frame1);
    place(Combo1, "Combo1", layout::Combo1);

    Frame2 = toolkit::makeFrame(this);
    place(Frame2, "Frame2", layout::Frame2);
    Combo2 = makeCombo(Frame2);
    place(Combo2, "Combo2", layout::Combo2);
    Combo2->setEnabled(false);

    Frame3 = toolkit::makeFrame(this);
    place(Frame3, "Frame3", layout::Frame3);
    for (int i = 0; i < 4; ++i) {
        Combo3[i] = makeCombo(Frame3);
        design::TwipsRect digit = layout::Combo3;
        digit.left += layout::Combo3Pitch * i;
        place(Combo3[i], QStringLiteral("Combo3_%1").arg(i), digit);
        Combo3[i]->setEnabled(false);
    }

    Command3 = toolkit::makeCommandButton(this);
    place(Command3, "Command3", layout::Command3);
    Command3->setText(QStringLiteral("Fehleranzeige"));
    Command2 = toolkit::makeCommandButton(this);
    place(Command2, "Command2", layout::Command2);
    Command2->setText(QStringLiteral("B&eenden"));

    Timer1 = new toolkit::Timer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));

    // A recording is dropped on the window or opened with Ctrl+O; nothing
    // in the window shows either.
    setAcceptDrops(true);
    OpenShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), this);
    OpenShortcut->setObjectName(QStringLiteral("OpenShortcut"));

    // Placeholders until Form_Load reads the catalogue.
    Frame1->setTitle(QStringLiteral("Frame1"));
    Frame2->setTitle(QStringLiteral("Frame2"));
    Frame3->setTitle(QStringLiteral("Frame3"));

    // Tab order: exit button, display button, colour, pattern, then the digits right to left.
    setTabOrder(Command2, Command3);
    setTabOrder(Command3, Combo1);
    setTabOrder(Combo1, Combo2);
    setTabOrder(Combo2, Combo3[3]);
    for (int i = 3; i > 0; --i)
        setTabOrder(Combo3[i], Combo3[i - 1]);
    Command2->setFocus();
}

void Form1::createInfo()
{
    Image1 = toolkit::makeImage(resources::logo(), this);
    place(Image1, "Image1", layout::Image1);
    Label2 = toolkit::makeLabel(this);
    place(Label2, "Label2", layout::Label2);
    Label2->setFont(smallArial());
    Label2->setText(QStringLiteral("Version 1.01"));
    Label1 = toolkit::makeLabel(this);
    place(Label1, "Label1", layout::Label1);
    Label1->setFont(smallArial());
    Label1->setText(QString::fromUtf8(AddressText));
}

void Form1::wireEvents()
{
    connect(Combo1, &toolkit::ComboBox::click, this, &Form1::Combo1_Click);
    connect(Combo2, &toolkit::ComboBox::click, this, &Form1::Combo2_Click);
    connect(Combo1, &toolkit::ComboBox::keyPress, this, &Form1::Combo1_KeyPress);
    connect(Combo2, &toolkit::ComboBox::keyPress, this, &Form1::Combo2_KeyPress);
    for (int i = 0; i < 4; ++i) {
        connect(Combo3[i], &toolkit::ComboBox::click, this, [this, i] { Combo3_Click(i); });
        connect(Combo3[i], &toolkit::ComboBox::keyPress, this,
                [this, i](int &keyAscii) { Combo3_KeyPress(i, keyAscii); });
    }
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Timer1, &toolkit::Timer::timer, this, &Form1::Timer1_Timer);
    connect(OpenShortcut, &QShortcut::activated, this, &Form1::OpenShortcut_Activated);
}

// Screen readers name each list after its frame's caption, as a sighted user reads it.
void Form1::nameForAssistiveTechnology()
{
    const auto caption = [](const QGroupBox *frame) {
        QString text = frame->title();
        return text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    };
    Combo1->setAccessibleName(caption(Frame1));
    Combo2->setAccessibleName(caption(Frame2));
    for (int i = 0; i < 4; ++i)
        Combo3[i]->setAccessibleName(QStringLiteral("%1: %2").arg(caption(Frame3)).arg(i + 1));
    Shape1->setAccessibleName(QStringLiteral("Status-LED"));
    Shape1->setAccessibleStateTexts(QStringLiteral("leuchtet"), QStringLiteral("dunkel"));
    // Grey on the grey body, the LED is off until a colour is chosen.
    Shape1->setAccessibleDescription(QStringLiteral("aus"));
    Image1->setAccessibleName(QStringLiteral("Logo"));
}

} // namespace main_window
