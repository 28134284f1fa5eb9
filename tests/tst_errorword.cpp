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

void tst_ErrorWord::digitWord_data()
{
    QTest::addColumn<QList<int>>("listIndexes");
    QTest::addColumn<int>("lowBits");
    QTest::newRow("flashes 1,1,3,2 give bits 0 and 5") << QList<int>{0, 0, 2, 1} << 0x0021;
    QTest::newRow("all 16 flashes set every bit") << QList<int>{15, 15, 15, 15} << 0xFFFF;
    QTest::newRow("all single flashes set none") << QList<int>{0, 0, 0, 0} << 0x0000;
    QTest::newRow("first box gives the high digit") << QList<int>{15, 0, 0, 0} << 0xF000;
    QTest::newRow("last box gives the low digit") << QList<int>{0, 0, 0, 15} << 0x000F;
    QTest::newRow("no entry anywhere counts -1 each") << QList<int>{-1, -1, -1, -1} << 0xEEEF;
    QTest::newRow("no entry in the last box borrows") << QList<int>{0, 0, 1, -1} << 0x000F;
}

void tst_ErrorWord::digitWord()
{
    QFETCH(QList<int>, listIndexes);
    QFETCH(int, lowBits);
    const auto word =
        interpretation::digitWord({listIndexes[0], listIndexes[1], listIndexes[2], listIndexes[3]});
    QCOMPARE(word & 0xFFFF, lowBits);
}

void tst_ErrorWord::batteryWord_data()
{
    QTest::addColumn<int>("listIndex");
    QTest::addColumn<int>("word");
    QTest::newRow("steady light") << 0 << 1;
    QTest::newRow("slow blinking") << 1 << 2;
    QTest::newRow("short flashing") << 2 << 4;
    QTest::newRow("no pattern: one half rounds to even 0") << -1 << 0;
}

void tst_ErrorWord::batteryWord()
{
    QFETCH(int, listIndex);
    QTEST(int(interpretation::batteryWord(listIndex)), "word");
}

QTEST_MAIN(tst_ErrorWord)
#include "tst_errorword.moc"
