#include "blinksequence.h"
#include "errorword.h"

#include <QTest>

using namespace blinkcode;
using Positions = std::array<int, 4>; // list positions of the digit boxes (flashes - 1)
// The LED's timeline: alternating lit and dark spans, in ms, starting lit, as
// a selection leaves the LED before the display button arms the sequence.
using Timeline = QList<int>;

class tst_BlinkCode : public QObject
{
    Q_OBJECT

private slots:
    // The bits the interpretation window marks for a red or yellow code.
    void digitWord_data()
    {
        QTest::addColumn<Positions>("positions");
        QTest::addColumn<int>("word");
        QTest::newRow("flashes 1,1,3,2") << Positions{0, 0, 2, 1} << 0x0021;
        QTest::newRow("first box gives the high bits") << Positions{1, 0, 0, 0} << 0x1000;
        QTest::newRow("all 16 flashes") << Positions{15, 15, 15, 15} << 0xFFFF;
        QTest::newRow("all 1 flash") << Positions{0, 0, 0, 0} << 0;
        QTest::newRow("no entry: low bits of -4369") << Positions{-1, -1, -1, -1} << 0xEEEF;
    }

    void digitWord()
    {
        QFETCH(Positions, positions);
        QTEST(blinkcode::digitWord(positions) & 0xFFFF, "word");
    }

    // Battery patterns steady, slow, short, none: one bit each (2^-1 rounds to even 0).
    void batteryWord()
    {
        const auto word = &blinkcode::batteryWord;
        QCOMPARE(QList<int>({word(0), word(1), word(2), word(-1)}), QList<int>({1, 2, 4, 0}));
    }

    // What the LED shows for a red or yellow code: 50 ms flashes, 500 ms dark
    // between them, 2000 ms dark after a digit, 3000 ms after the fourth.
    void timeline_data()
    {
        QTest::addColumn<Positions>("positions");
        QTest::addColumn<Timeline>("expected");
        // the long light, then 1, 1, 3 and 2 flashes
        const Timeline cycle{6000, 2000, 50, 2000, 50, 2000, 50, 500,
                             50,   500,  50, 2000, 50, 500,  50, 3000};
        Timeline twoCycles = cycle + cycle;
        twoCycles[0] += 3000; // the first 3 s keep the LED as the selection left it: lit
        QTest::newRow("1,1,3,2 over two cycles") << Positions{0, 0, 2, 1} << twoCycles;
        Timeline sixteen{9000, 2000};
        for (int flash = 0; flash < 64; ++flash)
            sixteen << 50 << (flash % 16 < 15 ? 500 : flash < 63 ? 2000 : 3000);
        QTest::newRow("16,16,16,16") << Positions{15, 15, 15, 15} << sixteen + Timeline{6000};
        // A digit box without an entry shows no flashes; the LED stays lit instead.
        QTest::newRow("no entry in digit 0: the long light is cut to 2000")
            << Positions{-1, 0, 0, 0}
            << Timeline{3000 + 2000 + 50, 2000, 50, 2000, 50, 3000, 2000 + 50, 2000};
    }

    // Walks the armed sequence tick by tick, merging ticks that leave the LED as it was;
    // a span of a minute ends the walk, so that an LED stuck lit fails instead of hanging.
    void timeline()
    {
        QFETCH(Positions, positions);
        QFETCH(Timeline, expected);
        BlinkState state = armBlinkSequence({0, true}, {false, -1, positions});
        Timeline walked{0};
        for (bool lit = true; walked.size() <= expected.size() && walked.last() < 60000;) {
            if (state.lit != lit)
                walked << 0;
            lit = state.lit;
            walked.last() += state.interval;
            state = nextBlinkState(state, {false, -1, positions});
        }
        QCOMPARE(walked.mid(0, expected.size()), expected);
    }
};

QTEST_MAIN(tst_BlinkCode)
#include "tst_blinkcode.moc"
