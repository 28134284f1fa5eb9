#include "combobox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

using toolkit::ComboBox;

class tst_ComboBox : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { delete m_window; }
    void setListIndexRaisesClick_data();
    void setListIndexRaisesClick();
    void arrowKeyAndWheelChooseAndClick();
    void tabMovesFocusWithoutKeyPress();
    void lettersInOpenListIgnored();

private:
    QWidget *m_window = nullptr;
    ComboBox *m_combo = nullptr;
    QWidget *m_next = nullptr;
    int m_keyPresses = 0;
};

void tst_ComboBox::init()
{
    m_window = new QWidget;
    m_combo = new ComboBox(m_window);
    m_next = new ComboBox(m_window);
    for (const char *text : {"1", "2", "3"})
        m_combo->addItem(text);
    m_keyPresses = 0;
    connect(m_combo, &ComboBox::keyPress, m_combo, [this](int &keyAscii) {
        ++m_keyPresses;
        keyAscii = 0;
    });
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void tst_ComboBox::setListIndexRaisesClick_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::addColumn<int>("expected");
    QTest::newRow("new entry") << 0 << 2 << 2;
    QTest::newRow("same entry again") << 1 << 1 << 1;
    QTest::newRow("no entry") << 1 << -1 << -1;
    QTest::newRow("out of range gives none") << 1 << 7 << -1;
}

void tst_ComboBox::setListIndexRaisesClick()
{
    QFETCH(int, first);
    QFETCH(int, second);
    QCOMPARE(m_combo->listIndex(), -1); // filling the list chooses nothing
    QSignalSpy clicks(m_combo, &ComboBox::click);
    m_combo->setListIndex(first);
    m_combo->setListIndex(second);
    QCOMPARE(clicks.size(), 2);
    QTEST(m_combo->listIndex(), "expected");
}

void tst_ComboBox::arrowKeyAndWheelChooseAndClick()
{
    QSignalSpy clicks(m_combo, &ComboBox::click);
    QTest::keyClick(m_combo, Qt::Key_Down);
    QTest::keyClick(m_combo, Qt::Key_Down);
    QCOMPARE(m_combo->listIndex(), 1);
    QCOMPARE(m_keyPresses, 0); // arrows yield no character
    const QPointF centre = QRectF(m_combo->rect()).center();
    QWheelEvent down(centre, m_combo->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(m_combo, &down);
    QCOMPARE(m_combo->listIndex(), 2);
    QCOMPARE(clicks.size(), 3);
}

void tst_ComboBox::tabMovesFocusWithoutKeyPress()
{
    m_window->activateWindow();
    m_combo->setFocus();
    QTRY_VERIFY(m_combo->hasFocus());
    QTest::keyClick(m_combo, Qt::Key_Tab);
    QCOMPARE(m_keyPresses, 0);
    QTRY_VERIFY(m_next->hasFocus());
}

void tst_ComboBox::lettersInOpenListIgnored()
{
    m_combo->setListIndex(0);
    m_combo->showPopup();
    QTRY_VERIFY(m_combo->view()->isVisible());
    QTest::keyClick(m_combo->view(), Qt::Key_3); // would jump to the entry "3"
    QTest::keyClick(m_combo->view(), Qt::Key_Return);
    QTRY_VERIFY(!m_combo->view()->isVisible());
    QCOMPARE(m_combo->listIndex(), 0);
}

QTEST_MAIN(tst_ComboBox)
#include "tst_combobox.moc"
