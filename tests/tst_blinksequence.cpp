#include "blinksequence.h"
#include "catalogue.h"
#include "fehlerbeschreibung.h"
#include "formdriver.h"

#include <QApplication>
#include <QTimer>

using namespace main_window;

// The LED's timeline: alternating lit and dark spans, in ms, starting with the
// LED as it was armed; a last span of 0 means the LED stays so for good.
using Timeline = QList<int>;

// The state the display button leaves after a selection (LED lit).
static BlinkState armed(const BlinkInputs &in, bool lit = true)
{
    if (in.batteryMode)
        return {500, lit, 0, 0, true};
    return {3000, lit, qint16(in.digits[0] + 1), 0, true};
}

// Walks the sequence for `spans` LED spans, merging ticks that leave the LED as it was.
static Timeline walk(const BlinkInputs &in, BlinkState state, int spans)
{
    Timeline timeline{0};
    bool lit = state.lit;
    for (int ticks = 0; ticks < 10000 && timeline.size() <= spans; ++ticks) {
        if (state.lit != lit) {
            timeline << 0;
            lit = state.lit;
        }
        if (!state.running)
            break;
        timeline.last() += state.interval;
        state = nextBlinkState(state, in);
    }
    return timeline.first(qMin(spans, timeline.size()));
}

static BlinkInputs digits(int a, int b, int c, int d)
{
    return {false, -1, {a - 1, b - 1, c - 1, d - 1}};
}

// Flashes of one digit: 50 lit, 500 dark between them, `pause` dark after the last.
static Timeline flashes(int count, int pause)
{
    Timeline t;
    for (int i = 0; i < count; ++i)
        t << 50 << (i + 1 < count ? 500 : pause);
    return t;
}

class tst_BlinkSequence : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void timeline_data();
    void timeline();
    void realTimerDrivesLed();
};

void tst_BlinkSequence::cleanup()
{
    catalogue::ClearCauseTexts();
    BlinkCount = 0;
    DigitIndex = 0;
}

void tst_BlinkSequence::timeline_data()
{
    QTest::addColumn<BlinkInputs>("inputs");
    QTest::addColumn<bool>("lit");
    QTest::addColumn<Timeline>("expected");

    const Timeline cycle1132 = Timeline{6000, 2000} + flashes(1, 2000) + flashes(1, 2000) +
                               flashes(3, 2000) + flashes(2, 3000);
    Timeline twoCycles = cycle1132 + cycle1132;
    twoCycles[0] += 3000; // the first 3 s keep the LED as the selection left it: lit
    QTest::newRow("1,1,3,2 over two cycles") << digits(1, 1, 3, 2) << true << twoCycles;

    Timeline sixteen = Timeline{9000, 2000};
    for (int d = 0; d < 4; ++d)
        sixteen += flashes(16, d < 3 ? 2000 : 3000);
    QTest::newRow("16,16,16,16") << digits(16, 16, 16, 16) << true << sixteen + Timeline{6000};

    // A digit box without an entry shows no flashes; the LED stays lit instead.
    QTest::newRow("no entry in digit 0: the long light is cut to 2000")
        << BlinkInputs{false, -1, {-1, 0, 0, 0}} << true
        << Timeline{3000 + 2000 + 50, 2000, 50, 2000, 50, 3000, 2000 + 50, 2000};
    QTest::newRow("no entry in digit 3: lit 3000 into the long light")
        << BlinkInputs{false, -1, {0, 0, 0, -1}} << true
        << Timeline{9000, 2000, 50, 2000, 50, 2000, 50, 2000, 3000 + 6000, 2000};
}

void tst_BlinkSequence::timeline()
{
    QFETCH(BlinkInputs, inputs);
    QFETCH(bool, lit);
    QFETCH(Timeline, expected);
    QCOMPARE(walk(inputs, armed(inputs, lit), expected.size()), expected);
}

// Closes the interpretation window as soon as it is open.
static void pressDisplayAndClose(FormDriver &d)
{
    QTimer::singleShot(0, &d.form, [] {
        if (QWidget *window = QApplication::activeModalWidget())
            window->close();
    });
    d.form.Command3_Click();
}

void tst_BlinkSequence::realTimerDrivesLed()
{
    FormDriver d;
    d.choose(0, {}, 1); // slow blinking: the LED changes every 500 ms
    pressDisplayAndClose(d);
    QTRY_VERIFY_WITH_TIMEOUT(!d.led()->isShapeVisible(), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(d.led()->isShapeVisible(), 2000);
    d.combo("Combo2")->setListIndex(1); // a choice stops it, lit
    QTest::qWait(700);
    QVERIFY(d.led()->isShapeVisible());
}

QTEST_MAIN(tst_BlinkSequence)
#include "tst_blinksequence.moc"
