#include "blinksequence.h"

#include <QTest>

using namespace main_window;

// The LED's timeline: alternating lit and dark spans, in ms, starting lit, as
// a selection leaves the LED before the display button arms the sequence.
using Timeline = QList<int>;
using Positions = std::array<int, 4>;

// Walks the armed sequence tick by tick, merging ticks that leave the LED as it was.
static Timeline walk(const Positions &positions, int spans)
{
    const BlinkInputs in{false, -1, positions};
    BlinkState state{3000, true, qint16(positions[0] + 1), 0, true};
    Timeline timeline{0};
    for (bool lit = true; timeline.size() <= spans; state = nextBlinkState(state, in)) {
        if (state.lit != lit)
            timeline << 0;
        lit = state.lit;
        timeline.last() += state.interval;
    }
    return timeline.first(spans);
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
    void timeline_data();
    void timeline();
};

// list positions of the four digit boxes (flashes - 1) -> what the LED shows
void tst_BlinkSequence::timeline_data()
{
    QTest::addColumn<Positions>("positions");
    QTest::addColumn<Timeline>("expected");
    const Timeline cycle1132 = Timeline{6000, 2000} + flashes(1, 2000) + flashes(1, 2000) +
                               flashes(3, 2000) + flashes(2, 3000);
    Timeline twoCycles = cycle1132 + cycle1132;
    twoCycles[0] += 3000; // the first 3 s keep the LED as the selection left it: lit
    QTest::newRow("1,1,3,2 over two cycles") << std::array{0, 0, 2, 1} << twoCycles;
    Timeline sixteen = Timeline{9000, 2000};
    for (int d = 0; d < 4; ++d)
        sixteen += flashes(16, d < 3 ? 2000 : 3000);
    QTest::newRow("16,16,16,16") << std::array{15, 15, 15, 15} << sixteen + Timeline{6000};
    // A digit box without an entry shows no flashes; the LED stays lit instead.
    QTest::newRow("no entry in digit 0: the long light is cut to 2000")
        << std::array{-1, 0, 0, 0}
        << Timeline{3000 + 2000 + 50, 2000, 50, 2000, 50, 3000, 2000 + 50, 2000};
    QTest::newRow("no entry in digit 3: lit 3000 into the long light")
        << std::array{0, 0, 0, -1}
        << Timeline{9000, 2000, 50, 2000, 50, 2000, 50, 2000, 3000 + 6000, 2000};
}

void tst_BlinkSequence::timeline()
{
    QFETCH(Positions, positions);
    QFETCH(Timeline, expected);
    QCOMPARE(walk(positions, expected.size()), expected);
}

QTEST_MAIN(tst_BlinkSequence)
#include "tst_blinksequence.moc"
