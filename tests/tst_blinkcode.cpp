#include "errorword.h"
#include "syntheticcurve.h"

#include <QTest>

using Positions = std::array<int, 4>; // list positions of the digit boxes (flashes - 1)

// Whole codes are shown against the model in tst_form1 and tst_randomuse; here the words
// and the timeline where a box has no entry, which the window's tests never reach.
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

    // From the display button on, lit and dark spans in ms: a digit box without an entry
    // shows no flashes, and the LED stays lit instead, the long light cut to 2000.
    void timelineWithoutEntry()
    {
        const auto spans =
            synthetic::unitTimeline(int(blinkcode::Colour::Red), -1, {0, 1, 1, 1}, 1, 120000, true);
        QList<int> walked;
        for (std::size_t k = 1; k < spans.size(); ++k)
            walked << int(spans[k].startMs - spans[k - 1].startMs);
        QCOMPARE(walked.mid(0, 8),
                 QList<int>({3000 + 2000 + 50, 2000, 50, 2000, 50, 3000, 2000 + 50, 2000}));
    }
};

QTEST_MAIN(tst_BlinkCode)
#include "tst_blinkcode.moc"
