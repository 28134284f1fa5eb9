#include "form1.h"

#include "application.h"
#include "artwork.h"
#include "blinksequence.h"
#include "catalogue.h"
#include "colours.h"
#include "combobox.h"
#include "controls.h"
#include "dialogs.h"
#include "errorword.h"
#include "fehlerbeschreibung.h"
#include "ledcode.h"
#include "line.h"
#include "recordingreader.h"
#include "screen.h"
#include "shape.h"
#include "timer.h"
#include "twips.h"
#include "windowmanager.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QTimer>

using namespace catalogue;
using toolkit::colourFromBgr;
using toolkit::place;
using toolkit::Shape;
namespace layout = design::form1;

namespace main_window {

qint16 BlinkCount = 0;
qint16 DigitIndex = 0;

namespace {

// Colours are BBGGRR.
constexpr quint32 Grey = 0x808080;
constexpr quint32 Green = 0x00FF00;
constexpr quint32 Black = 0x000000;
constexpr quint32 Yellow = 0x00FFFF;
constexpr quint32 Red = 0x0000FF;
constexpr quint32 Blue = 0xFF0000;
constexpr quint32 LightYellow = 0x80FFFF;

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

// The local files among dragged data; links and text give none.
QStringList localFiles(const QMimeData *data)
{
    QStringList files;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    return files;
}

toolkit::ComboBox *makeCombo(QWidget *parent)
{
    auto *combo = new toolkit::ComboBox(parent);
    combo->setBackColour(colourFromBgr(LightYellow));
    return combo;
}

} // namespace

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

void Form1::createDrawing()
{
    // Created back to front: each shape is drawn over those made before it.
    Shape2[0] = new Shape(Shape::Kind::Rectangle, colourFromBgr(Grey), Shape::Border::None, this);
    place(Shape2[0], "Shape2_0", layout::Shape2_0);
    // The LED is grey on the grey body, so it looks dark until a colour is chosen.
    Shape1 = new Shape(Shape::Kind::Circle, colourFromBgr(Grey), Shape::Border::None, this);
    place(Shape1, "Shape1", layout::Shape1);
    Shape2[1] = new Shape(Shape::Kind::Rectangle, colourFromBgr(Grey), Shape::Border::None, this);
    place(Shape2[1], "Shape2_1", layout::Shape2_1);
    Shape2[2] = new Shape(Shape::Kind::Rectangle, colourFromBgr(Grey), Shape::Border::None, this);
    place(Shape2[2], "Shape2_2", layout::Shape2_2);
    Shape3 = new Shape(Shape::Kind::Rectangle, colourFromBgr(Black), Shape::Border::Default, this);
    place(Shape3, "Shape3", layout::Shape3);
    Line1[0] = new toolkit::Line(layout::Line1_0.x1, layout::Line1_0.x2, layout::Line1_0.y,
                                 colourFromBgr(Blue), 3, this);
    Line1[0]->setObjectName(QStringLiteral("Line1_0"));
    Line1[1] = new toolkit::Line(layout::Line1_1.x1, layout::Line1_1.x2, layout::Line1_1.y,
                                 colourFromBgr(Blue), 3, this);
    Line1[1]->setObjectName(QStringLiteral("Line1_1"));
    Shape4 = new Shape(Shape::Kind::Circle, colourFromBgr(Yellow), Shape::Border::Default, this);
    place(Shape4, "Shape4", layout::Shape4);
    Shape5 = new Shape(Shape::Kind::Circle, colourFromBgr(Red), Shape::Border::Default, this);
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
    if (c == 0) {
        // Green: the battery pattern is the input.
        Combo2->setEnabled(true);
        Combo2->setListIndex(0);
        for (toolkit::ComboBox *digit : Combo3)
            digit->setEnabled(false);
        Shape1->setFillColour(colourFromBgr(Green));
    } else if (c == 1 || c == 2) {
        // Red or yellow: the four flash counts are the input, each reset to one flash.
        Combo2->setEnabled(false);
        for (toolkit::ComboBox *digit : Combo3) {
            digit->setEnabled(true);
            digit->setListIndex(0);
        }
        Shape1->setFillColour(colourFromBgr(c == 1 ? Red : Yellow));
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
    if (c == int(blinkcode::Colour::Green))
        ErrorWord = blinkcode::batteryWord(Combo2->listIndex());
    Fehlerbeschreibung.markBits(ErrorWord);
    Fehlerbeschreibung.exec(); // modal, without owner; the timer goes on meanwhile

    Timer1->setEnabled(true);
}

void Form1::Timer1_Timer()
{
    // Disabled first and enabled last: ticks never overlap, and each interval
    // is measured from the end of the tick that set it.
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

// A drop is taken while the window takes input and no recording is being
// read: a second one is refused, and so is one while a modal window is open.
void Form1::Form_OLEDragOver(const QMimeData *data, bool &accept)
{
    accept =
        !m_readingRecording && !QApplication::activeModalWidget() && !localFiles(data).isEmpty();
}

void Form1::Form_OLEDragDrop(const QMimeData *data)
{
    // Read once the drop has ended, so the file manager is not kept waiting
    // for the whole reading.
    m_readingRecording = true;
    QTimer::singleShot(0, this, [this, files = localFiles(data)] { readRecording(files); });
}

void Form1::OpenShortcut_Activated()
{
    if (m_readingRecording)
        return;
    const QString file = toolkit::chooseFile(this, ReadCatalogueText(Text::RecordingOpen),
                                             RecordingReader::fileFilters());
    if (file.isEmpty())
        return;
    m_readingRecording = true;
    QTimer::singleShot(0, this, [this, file] { readRecording({file}); });
}

void Form1::setDecoder(const QString &program, qint64 timeLimitMs)
{
    m_decoder = program;
    m_decoderTimeLimitMs = timeLimitMs;
}

void Form1::dragEnterEvent(QDragEnterEvent *event)
{
    dragMoveEvent(event);
}

void Form1::dragMoveEvent(QDragMoveEvent *event)
{
    bool accept = false;
    Form_OLEDragOver(event->mimeData(), accept);
    if (accept)
        event->acceptProposedAction();
    else
        event->ignore();
}

void Form1::dropEvent(QDropEvent *event)
{
    bool accept = false;
    Form_OLEDragOver(event->mimeData(), accept);
    if (!accept)
        return event->ignore();
    event->acceptProposedAction();
    Form_OLEDragDrop(event->mimeData());
}

void Form1::readRecording(const QStringList &paths)
{
#ifdef Q_OS_WIN
    const QString decoderName = QStringLiteral("/kestrion-blinkcode-decode.exe");
#else
    const QString decoderName = QStringLiteral("/kestrion-blinkcode-decode");
#endif
    RecordingReader reader(
        this, m_decoder.isEmpty() ? toolkit::applicationPath() + decoderName : m_decoder,
        m_decoderTimeLimitMs);
    if (const std::optional<decoding::DecoderReading> reading = reader.read(paths))
        applyReading(*reading);
    m_readingRecording = false;
}

// A decoded recording is chosen as the user would choose it, through the same
// handlers in the same order: the colour, which resets the other lists and
// stops the sequence, then the battery pattern or the four flash counts; then
// the display button shows the causes and, once closed, replays the code.
void Form1::applyReading(const decoding::DecoderReading &reading)
{
    Combo1->setListIndex(reading.colour);
    if (reading.colour == 0) {
        Combo2->setListIndex(reading.pattern);
    } else {
        for (int i = 0; i < 4; ++i)
            Combo3[i]->setListIndex(reading.flashes[i] - 1);
    }
    Command3_Click();
}

} // namespace main_window
