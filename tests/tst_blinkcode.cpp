#include "errorword.h"
#include "syntheticcurve.h"

#include <QTest>

using Positions = std::array<int, 4>; // list positions of the digit boxes (flashes - 1)
using Flashes = std::array<int, 4>;   // flash counts of the digits, 0 where a box has no entry
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

    // What the LED shows for a red or yellow code.
    void timeline_data()
    {
        QTest::addColumn<Flashes>("flashes");
        QTest::addColumn<Timeline>("expected");
        // the long light, then 1, 1, 3 and 2 flashes
        const Timeline cycle{6000, 2000, 50, 2000, 50, 2000, 50, 500,
                             50,   500,  50, 2000, 50, 500,  50, 3000};
        Timeline twoCycles = cycle + cycle;
        twoCycles[0] += 3000; // the first 3 s keep the LED as the selection left it: lit
        QTest::newRow("1,1,3,2 over two cycles") << Flashes{1, 1, 3, 2} << twoCycles;
        Timeline sixteen{9000, 2000};
        for (int flash = 0; flash < 64; ++flash)
            sixteen << 50 << (flash % 16 < 15 ? 500 : flash < 63 ? 2000 : 3000);
        QTest::newRow("16,16,16,16") << Flashes{16, 16, 16, 16} << sixteen + Timeline{6000};
        // A digit box without an entry shows no flashes; the LED stays lit instead.
        QTest::newRow("no entry in digit 0: the long light is cut to 2000")
            << Flashes{0, 1, 1, 1}
            << Timeline{3000 + 2000 + 50, 2000, 50, 2000, 50, 3000, 2000 + 50, 2000};
    }

    // The spans of the LED from the display button on, over two minutes; an LED
    // stuck lit shows none.
    void timeline()
    {
        QFETCH(Flashes, flashes);
        QFETCH(Timeline, expected);
        const auto spans =
            synthetic::unitTimeline(int(blinkcode::Colour::Red), -1, flashes, 1, 120000, true);
        Timeline walked;
        for (std::size_t k = 1; k < spans.size(); ++k)
            walked << int(spans[k].startMs - spans[k - 1].startMs);
        QCOMPARE(walked.mid(0, expected.size()), expected);
    }
};

QTEST_MAIN(tst_BlinkCode)
#include "tst_blinkcode.moc"
