#include "catalogue.h"
#include "formdriver.h"
#include "shape.h"
#include "timer.h"

#include <QAbstractItemView>

class tst_Inputs : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { catalogue::ClearCauseTexts(); }
    void colourSwitchesMode_data();
    void colourSwitchesMode();
    void typedKeysChangeNothing_data();
    void typedKeysChangeNothing();
    void choiceStopsSequence_data();
    void choiceStopsSequence();
};

void tst_Inputs::colourSwitchesMode_data()
{
    // The colours are chosen in turn; between two choices every enabled box is
    // moved off its first entry (pattern to 2, digits to 5).
    QTest::addColumn<QList<int>>("colours");
    QTest::addColumn<bool>("patternEnabled");
    QTest::addColumn<int>("pattern");
    QTest::addColumn<int>("digit");
    QTest::addColumn<QColor>("led");
    QTest::newRow("green") << QList<int>{0} << true << 0 << -1 << QColor(Qt::green);
    QTest::newRow("red") << QList<int>{1} << false << -1 << 0 << QColor(Qt::red);
    QTest::newRow("yellow") << QList<int>{2} << false << -1 << 0 << QColor(Qt::yellow);
    QTest::newRow("red after green resets the digits")
        << QList<int>{1, 0, 1} << false << 2 << 0 << QColor(Qt::red);
    QTest::newRow("green after red keeps the digits")
        << QList<int>{1, 0} << true << 0 << 5 << QColor(Qt::green);
    QTest::newRow("same colour again resets its boxes")
        << QList<int>{2, 2} << false << -1 << 0 << QColor(Qt::yellow);
    QTest::newRow("green again resets the pattern")
        << QList<int>{0, 0} << true << 0 << -1 << QColor(Qt::green);
    QTest::newRow("no colour keeps LED and mode")
        << QList<int>{1, -1} << false << -1 << 5 << QColor(Qt::red);
}

void tst_Inputs::colourSwitchesMode()
{
    QFETCH(QList<int>, colours);
    FormDriver d;
    for (int k = 0; k < colours.size(); ++k) {
        if (k > 0) {
            if (d.combo("Combo2")->isEnabled())
                d.combo("Combo2")->setListIndex(2);
            for (int i = 0; i < 4 && d.digit(0)->isEnabled(); ++i)
                d.digit(i)->setListIndex(5);
        }
        d.choose(colours[k]);
    }
    QTEST(d.combo("Combo2")->isEnabled(), "patternEnabled");
    QTEST(d.combo("Combo2")->listIndex(), "pattern");
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(d.digit(i)->isEnabled(), !d.combo("Combo2")->isEnabled());
        QTEST(d.digit(i)->listIndex(), "digit");
    }
    QTEST(d.led()->fillColour(), "led");
    QVERIFY(d.led()->isShapeVisible());
}

void tst_Inputs::typedKeysChangeNothing_data()
{
    QTest::addColumn<QByteArray>("box");
    for (const char *box : {"Combo1", "Combo2", "Combo3_0", "Combo3_1", "Combo3_2", "Combo3_3"})
        QTest::newRow(box) << QByteArray(box);
}

void tst_Inputs::typedKeysChangeNothing()
{
    QFETCH(QByteArray, box);
    FormDriver d;
    d.choose(box == "Combo2" ? 0 : 2, {}, box == "Combo2" ? 1 : -2);
    toolkit::ComboBox *combo = d.combo(box.constData());
    const int before = combo->listIndex();
    d.timer()->setEnabled(true); // any change of choice would stop it
    for (Qt::Key key : {Qt::Key_G, Qt::Key_R, Qt::Key_1, Qt::Key_3, Qt::Key_Backspace,
                        Qt::Key_Return, Qt::Key_Escape, Qt::Key_Space, Qt::Key_Delete})
        QTest::keyClick(combo, key);
    QTest::keyClick(combo, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(combo->listIndex(), before);
    QVERIFY(d.timer()->isEnabled());
    QVERIFY(!combo->view()->isVisible()); // space would have opened the list
}

void tst_Inputs::choiceStopsSequence_data()
{
    QTest::addColumn<QByteArray>("box");
    QTest::addColumn<int>("colour");
    QTest::newRow("pattern") << QByteArray("Combo2") << 0;
    QTest::newRow("digit 2") << QByteArray("Combo3_2") << 1;
    QTest::newRow("colour") << QByteArray("Combo1") << 2;
}

void tst_Inputs::choiceStopsSequence()
{
    QFETCH(QByteArray, box);
    QFETCH(int, colour);
    FormDriver d;
    d.choose(colour);
    d.timer()->setEnabled(true);
    d.led()->setShapeVisible(false); // the sequence left the LED dark
    d.combo(box.constData())->setListIndex(1);
    QVERIFY(!d.timer()->isEnabled());
    QVERIFY(d.led()->isShapeVisible());
}

QTEST_MAIN(tst_Inputs)
#include "tst_inputs.moc"
