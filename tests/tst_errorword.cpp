#include "errorword.h"

#include <QTest>

using namespace interpretation;

class tst_ErrorWord : public QObject
{
    Q_OBJECT

private slots:
    void digitWord_data();
    void digitWord();
    void batteryWord_data();
    void batteryWord();
};

// list positions of the four digit boxes (flashes - 1) -> the bits marked
void tst_ErrorWord::digitWord_data()
{
    QTest::addColumn<QList<int>>("positions");
    QTest::addColumn<int>("word");
    QTest::newRow("flashes 1,1,3,2") << QList<int>{0, 0, 2, 1} << 0x0021;
    QTest::newRow("first box gives the high bits") << QList<int>{1, 0, 0, 0} << 0x1000;
    QTest::newRow("all 16 flashes") << QList<int>{15, 15, 15, 15} << 0xFFFF;
    QTest::newRow("all 1 flash") << QList<int>{0, 0, 0, 0} << 0;
    QTest::newRow("no entry anywhere: low bits of -4369") << QList<int>{-1, -1, -1, -1} << 0xEEEF;
    QTest::newRow("no entry in the last box") << QList<int>{0, 0, 0, -1} << 0xFFFF;
}

void tst_ErrorWord::digitWord()
{
    QFETCH(QList<int>, positions);
    QFETCH(int, word);
    const std::int32_t value =
        interpretation::digitWord({positions[0], positions[1], positions[2], positions[3]});
    QCOMPARE(value & 0xFFFF, word);
}

// list position of the battery pattern -> the one bit marked
void tst_ErrorWord::batteryWord_data()
{
    QTest::addColumn<int>("pattern");
    QTest::addColumn<int>("word");
    QTest::newRow("steady") << 0 << 1;
    QTest::newRow("slow") << 1 << 2;
    QTest::newRow("short") << 2 << 4;
    QTest::newRow("no pattern: 0.5 rounds to even 0") << -1 << 0;
}

void tst_ErrorWord::batteryWord()
{
    QFETCH(int, pattern);
    QTEST(int(interpretation::batteryWord(pattern)), "word");
}

QTEST_MAIN(tst_ErrorWord)
#include "tst_errorword.moc"
