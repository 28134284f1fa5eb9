#include "catalogue.h"
#include "formdriver.h"
#include "shape.h"
#include "timer.h"

#include <QSignalSpy>

class tst_Inputs : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { catalogue::ClearCauseTexts(); }
    void colourSwitchesMode_data();
    void colourSwitchesMode();
    void noColourKeepsLedAndMode();
    void typedKeysChangeNothing_data();
    void typedKeysChangeNothing();
    void choiceStopsSequence_data();
    void choiceStopsSequence();
    void arrowKeyChoosesColour();
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
    auto *led = d.form.findChild<toolkit::Shape *>("Shape1");
    QTEST(led->fillColour(), "led");
    QVERIFY(led->isShapeVisible());
}

void tst_Inputs::noColourKeepsLedAndMode()
{
    FormDriver d;
    d.choose(1, {3, 3, 3, 3});
    d.combo("Combo1")->setListIndex(-1);
    auto *led = d.form.findChild<toolkit::Shape *>("Shape1");
    QCOMPARE(led->fillColour(), QColor(Qt::red));
    QVERIFY(d.digit(0)->isEnabled());
    QCOMPARE(d.digit(3)->listIndex(), 3);
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
    auto *timer = d.form.findChild<toolkit::Timer *>("Timer1");
    timer->setEnabled(true); // any change of choice would stop it
    for (Qt::Key key : {Qt::Key_G, Qt::Key_R, Qt::Key_1, Qt::Key_3, Qt::Key_Backspace,
                        Qt::Key_Return, Qt::Key_Escape, Qt::Key_Space, Qt::Key_Delete})
        QTest::keyClick(combo, key);
    QTest::keyClick(combo, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(combo->listIndex(), before);
    QVERIFY(timer->isEnabled());
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
    auto *timer = d.form.findChild<toolkit::Timer *>("Timer1");
    auto *led = d.form.findChild<toolkit::Shape *>("Shape1");
    timer->setEnabled(true);
    led->setShapeVisible(false); // the sequence left the LED dark
    d.combo(box.constData())->setListIndex(1);
    QVERIFY(!timer->isEnabled());
    QVERIFY(led->isShapeVisible());
}

void tst_Inputs::arrowKeyChoosesColour()
{
    FormDriver d;
    QTest::keyClick(d.combo("Combo1"), Qt::Key_Down);
    QTest::keyClick(d.combo("Combo1"), Qt::Key_Down);
    QCOMPARE(d.combo("Combo1")->listIndex(), 1);
    QVERIFY(d.digit(0)->isEnabled());
    QCOMPARE(d.digit(0)->listIndex(), 0);
}

QTEST_MAIN(tst_Inputs)
#include "tst_inputs.moc"
