#include "catalogue.h"
#include "combobox.h"
#include "fehlerbeschreibung.h"
#include "form1.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QTest>
#include <cmath>

using interpretation::Fehlerbeschreibung;
using main_window::Form1;

// Relative luminance, as the accessibility guidelines (WCAG) define it.
static double luminance(const QColor &colour)
{
    const auto linear = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

static double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

// The contrast of what is drawn in `area` against its background: the most
// frequent colour there is the background, the pixel that stands out most from
// it is the text or the arrow.
static double drawnContrast(const QImage &image, const QRect &area)
{
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    }
    QRgb back = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > counts.value(back))
            back = it.key();
    }
    double best = 1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        best = qMax(best, contrastRatio(QColor(back), QColor(it.key())));
    return best;
}

// A dark desktop theme: light text on dark grey.
static QPalette darkPalette()
{
    return QPalette(QColor(0x32, 0x32, 0x32));
}

class tst_Contrast : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void readable_data();
    void readable();
    void labelsShowWholeLines_data();
    void labelsShowWholeLines();
};

void tst_Contrast::cleanup()
{
    QApplication::setPalette(QApplication::style()->standardPalette());
    catalogue::ClearCauseTexts();
}

enum Part { Whole, Text, Arrow, Caption };

void tst_Contrast::readable_data()
{
    QTest::addColumn<bool>("dark");
    QTest::addColumn<QString>(
        "control"); // an object name; "Form2." marks the interpretation window
    QTest::addColumn<int>("part");
    QTest::addColumn<double>("minimum");

    for (bool dark : {false, true}) {
        const char *theme = dark ? "dark" : "light";
        const auto row = [&](const char *what) -> QTestData & {
            return QTest::addRow("%s: %s", theme, what);
        };
        row("chosen colour") << dark << "Combo1" << int(Text) << 4.5;
        row("colour list arrow") << dark << "Combo1" << int(Arrow) << 3.0;
        row("chosen flash count") << dark << "Combo3_2" << int(Text) << 4.5;
        row("greyed battery pattern") << dark << "Combo2" << int(Text) << 3.0;
        row("frame caption of the causes") << dark << "Form2.Frame1" << int(Caption) << 4.5;
        row("reported cause") << dark << "Form2.Label1_0" << int(Whole) << 4.5;
        row("greyed cause") << dark << "Form2.Label1_1" << int(Whole) << 3.0;
        row("address, in the theme's colours") << dark << "Label1" << int(Whole) << 4.5;
    }
}

void tst_Contrast::readable()
{
    QFETCH(bool, dark);
    QFETCH(QString, control);
    QFETCH(int, part);
    QFETCH(double, minimum);
    QApplication::setPalette(dark ? darkPalette() : QApplication::style()->standardPalette());

    // Red chosen after green: the battery pattern stays greyed with its entry.
    Form1 form(SHIPPED_FOLDER);
    form.findChild<toolkit::ComboBox *>("Combo1")->setListIndex(0);
    form.findChild<toolkit::ComboBox *>("Combo1")->setListIndex(1);
    Fehlerbeschreibung window;
    window.showCauseTexts(1);
    window.markBits(0x0021);

    QWidget *top = control.startsWith("Form2.") ? static_cast<QWidget *>(&window) : &form;
    const QWidget *widget = top->findChild<QWidget *>(control.section('.', -1));
    QVERIFY(widget);
    const QImage image = top->grab().toImage();
    QRect area(widget->mapTo(top, QPoint()), widget->size());
    if (part == Text)
        area.setRight(area.right() - area.height()); // the arrow sits in a square at the right
    else if (part == Arrow)
        area.setLeft(area.right() - area.height());
    else if (part == Caption)
        area.setHeight(widget->fontMetrics().ascent());
    const double ratio = drawnContrast(image, area.adjusted(1, 1, -1, -1));
    qInfo("%s: %.2f:1", QTest::currentDataTag(), ratio);
    QVERIFY2(ratio >= minimum, qPrintable(QString::number(ratio)));
}

// A label shows only the lines that fit its height whole, never a sliver of the next.
void tst_Contrast::labelsShowWholeLines_data()
{
    QTest::addColumn<bool>("interpretation");
    QTest::addColumn<QString>("text"); // empty: the label's own text
    QTest::addColumn<bool>("allFit");
    QTest::newRow("address in the main window: every line fits") << false << "" << true;
    QTest::newRow("long cause text: its first line only")
        << true << "Sehr lange Ursache mit vielen Wörtern, die umbricht" << false;
}

void tst_Contrast::labelsShowWholeLines()
{
    QFETCH(bool, interpretation);
    QFETCH(QString, text);
    QFETCH(bool, allFit);
    Form1 form(SHIPPED_FOLDER);
    Fehlerbeschreibung window;
    QLabel *label = interpretation ? window.Label1[0] : form.findChild<QLabel *>("Label1");
    if (!text.isEmpty())
        label->setText(text);
    // The same text in a plain label tall enough for all its lines.
    QLabel tall(label->text());
    tall.setWordWrap(true);
    tall.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    tall.setFont(label->font());
    tall.setPalette(label->palette());
    tall.setAutoFillBackground(true);
    tall.resize(label->width(), label->height() * 10);
    const QImage all =
        tall.grab().toImage().copy(label->rect()).convertToFormat(QImage::Format_RGB32);
    const QImage shown = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (allFit) {
        QCOMPARE(shown, all);
        return;
    }
    // The first line as the plain label draws it, below it nothing.
    const int lineBottom = label->fontMetrics().height();
    QVERIFY(lineBottom < shown.height()); // else there is no room for a sliver
    QCOMPARE(shown.copy(0, 0, shown.width(), lineBottom), all.copy(0, 0, all.width(), lineBottom));
    QImage blank = shown.copy(0, lineBottom, shown.width(), shown.height() - lineBottom);
    blank.fill(shown.pixel(shown.width() - 1, 0));
    QCOMPARE(shown.copy(0, lineBottom, shown.width(), shown.height() - lineBottom), blank);
}

QTEST_MAIN(tst_Contrast)
#include "tst_contrast.moc"
