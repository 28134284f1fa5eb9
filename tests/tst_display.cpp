#include "catalogue.h"
#include "fehlerbeschreibung.h"
#include "formdriver.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QTimer>

using interpretation::Fehlerbeschreibung;

// What the interpretation window showed while it was open.
struct Shown {
    bool opened = false;
    QString title;
    QString group;
    QString text0;
    int marked = 0;  // bits whose hand was visible
    int enabled = 0; // bits whose text was not greyed
    bool timerRanMeanwhile = false;
};

class tst_Display : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { catalogue::ClearCauseTexts(); }
    void nothingBeforeAColour();
    void marksAndTexts_data();
    void marksAndTexts();
    void secondPressStartsFresh();
    void sequenceArmedAndStartedAfterClose_data();
    void sequenceArmedAndStartedAfterClose();
    void freshWindowLayout();
    void labelsShowWholeLines_data();
    void labelsShowWholeLines();

private:
    // Presses the display button and closes the window it opens.
    static Shown pressDisplay(FormDriver &d);
};

Shown tst_Display::pressDisplay(FormDriver &d)
{
    Shown shown;
    QTimer::singleShot(0, &d.form, [&] {
        auto *window = qobject_cast<Fehlerbeschreibung *>(QApplication::activeModalWidget());
        if (!window)
            return;
        shown.opened = true;
        shown.title = window->windowTitle();
        shown.group = window->Frame1->title();
        shown.text0 = window->Label1[0]->text();
        for (int n = 0; n < 16; ++n) {
            shown.marked |= window->Image1[n]->isVisible() << n;
            shown.enabled |= window->Label1[n]->isEnabled() << n;
        }
        shown.timerRanMeanwhile = d.timer()->isEnabled();
        window->close();
    });
    QTest::mouseClick(d.button("Command3"), Qt::LeftButton);
    QCoreApplication::processEvents(); // lets the closer run when no window opened
    return shown;
}

void tst_Display::nothingBeforeAColour()
{
    FormDriver d;
    QVERIFY(!pressDisplay(d).opened);
    QVERIFY(!d.timer()->isEnabled());
    QCOMPARE(d.timer()->interval(), 0);
}

void tst_Display::marksAndTexts_data()
{
    QTest::addColumn<int>("colour");
    QTest::addColumn<QList<int>>("digits");
    QTest::addColumn<int>("pattern");
    QTest::addColumn<int>("marked");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("text0");

    const QString red = "Fehler der Steuerung (rote LED)";
    const QString redText = "Prüfsumme des Programmspeichers falsch";
    QTest::newRow("red 1,1,3,2") << 1 << QList<int>{0, 0, 2, 1} << -2 << 0x0021 << red << redText;
    QTest::newRow("yellow 1,1,3,2: same marks, yellow texts")
        << 2 << QList<int>{0, 0, 2, 1} << -2 << 0x0021 << "Fehler der Gerätetechnik (gelbe LED)"
        << "Motor blockiert";
    QTest::newRow("red all 16") << 1 << QList<int>{15, 15, 15, 15} << -2 << 0xFFFF << red
                                << redText;
    QTest::newRow("red all 1: nothing marked, still shown")
        << 1 << QList<int>{0, 0, 0, 0} << -2 << 0 << red << redText;
    QTest::newRow("red, no entry in any box")
        << 1 << QList<int>{-1, -1, -1, -1} << -2 << 0xEEEF << red << redText;
    const QString green = "Akkuzustand (grüne LED)";
    const QString greenText = "Dauerlicht: Akku geladen, Gerät betriebsbereit";
    QTest::newRow("green steady") << 0 << QList<int>{} << 0 << 0x1 << green << greenText;
    QTest::newRow("green slow") << 0 << QList<int>{} << 1 << 0x2 << green << greenText;
    QTest::newRow("green short") << 0 << QList<int>{} << 2 << 0x4 << green << greenText;
    QTest::newRow("green, no pattern") << 0 << QList<int>{} << -1 << 0 << green << greenText;
}

void tst_Display::marksAndTexts()
{
    QFETCH(int, colour);
    QFETCH(QList<int>, digits);
    QFETCH(int, pattern);
    QFETCH(int, marked);
    FormDriver d;
    if (colour == 0) {
        d.choose(1, {15, 15, 15, 15}); // digits left behind in green mode are ignored
        d.choose(0, {}, pattern);
    } else {
        d.choose(colour, digits);
    }
    const Shown shown = pressDisplay(d);
    QVERIFY(shown.opened);
    QCOMPARE(shown.title, QString("Fehlerinterpretation"));
    QTEST(shown.group, "group");
    QTEST(shown.text0, "text0");
    QCOMPARE(shown.marked, marked);
    QCOMPARE(shown.enabled, marked); // every text without a hand is greyed
}

void tst_Display::secondPressStartsFresh()
{
    FormDriver d;
    d.choose(0, {}, 0);
    QCOMPARE(pressDisplay(d).enabled, 0x1);
    d.choose(1, {15, 15, 15, 15});
    const Shown second = pressDisplay(d);
    QCOMPARE(second.marked, 0xFFFF);
    QCOMPARE(second.enabled, 0xFFFF);
}

void tst_Display::sequenceArmedAndStartedAfterClose_data()
{
    QTest::addColumn<int>("colour");
    QTest::addColumn<bool>("running");
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("blinkCount");
    QTest::newRow("digits, stopped") << 1 << false << 3000 << 4;
    QTest::newRow("digits, running") << 2 << true << 3000 << 4;
    QTest::newRow("battery, stopped") << 0 << false << 500 << 0;
}

void tst_Display::sequenceArmedAndStartedAfterClose()
{
    QFETCH(int, colour);
    QFETCH(bool, running);
    FormDriver d;
    d.choose(colour, {3, 0, 0, 0}, colour == 0 ? 1 : -2);
    d.timer()->setEnabled(running);
    main_window::DigitIndex = 2;
    const Shown shown = pressDisplay(d);
    QCOMPARE(shown.timerRanMeanwhile, running); // a stopped sequence waits for the close
    QVERIFY(d.timer()->isEnabled());
    QTEST(d.timer()->interval(), "interval");
    QTEST(int(main_window::BlinkCount), "blinkCount");
    if (colour != 0)
        QCOMPARE(main_window::DigitIndex, qint16(0));
}

void tst_Display::freshWindowLayout()
{
    catalogue::InterpretationCaption.clear();
    Fehlerbeschreibung window;
    QCOMPARE(window.windowTitle(), QString()); // an empty caption gives an empty title
    QCOMPARE(window.Frame1->title(), QString("Frame1"));
    window.Label1[3]->setText("<b>a &amp; b</b>");
    QCOMPARE(window.Label1[3]->textFormat(), Qt::PlainText); // catalogue text is never markup
}

void tst_Display::labelsShowWholeLines_data()
{
    QTest::addColumn<bool>("interpretation");
    QTest::addColumn<QString>("text"); // empty: the label's own text
    QTest::addColumn<bool>("allFit");
    QTest::newRow("address in the main window: every line fits") << false << "" << true;
    QTest::newRow("long cause text: its first line only")
        << true << "Sehr lange Ursache mit vielen Wörtern, die umbricht" << false;
}

void tst_Display::labelsShowWholeLines()
{
    QFETCH(bool, interpretation);
    QFETCH(QString, text);
    QFETCH(bool, allFit);
    FormDriver d;
    Fehlerbeschreibung window;
    QLabel *label = interpretation ? window.Label1[0] : d.form.findChild<QLabel *>("Label1");
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

QTEST_MAIN(tst_Display)
#include "tst_display.moc"
