#include "combobox.h"
#include "fehlerbeschreibung.h"
#include "form1.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

// Two keys typed 30 ms apart take effect in the order they were typed: a
// button's access key does not click it after the next key has opened a window.
class tst_KeyOrder : public QObject
{
    Q_OBJECT

private slots:
    void clicksInTypedOrder_data();
    void clicksInTypedOrder();
};

namespace {

struct Key {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

} // namespace

Q_DECLARE_METATYPE(Key)

namespace {

// Types a key into whichever window has the keyboard, as the window system does.
void type(const Key &k)
{
    if (QWindow *window = QGuiApplication::focusWindow())
        QTest::keyClick(window, k.key, k.modifiers);
}

int openInterpretationWindows()
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        n += qobject_cast<interpretation::Fehlerbeschreibung *>(w) && w->isVisible();
    return n;
}

} // namespace

void tst_KeyOrder::clicksInTypedOrder_data()
{
    QTest::addColumn<Key>("first");
    QTest::addColumn<Key>("second");
    QTest::addColumn<bool>("mainWindowLives");
    QTest::addColumn<int>("windows"); // interpretation windows open at once, at most
    const Key space{Qt::Key_Space, Qt::NoModifier};
    QTest::newRow("display by Alt+F, then space")
        << Key{Qt::Key_F, Qt::AltModifier} << space << true << 1;
    QTest::newRow("exit by Alt+E, then space")
        << Key{Qt::Key_E, Qt::AltModifier} << space << false << 0;
    // Enter clicks the focused button at once, as the space bar does on release.
    QTest::newRow("display by Enter, then Alt+E")
        << Key{Qt::Key_Return, Qt::NoModifier} << Key{Qt::Key_E, Qt::AltModifier} << true << 1;
}

void tst_KeyOrder::clicksInTypedOrder()
{
    QFETCH(Key, first);
    QFETCH(Key, second);
    QFETCH(bool, mainWindowLives);
    QFETCH(int, windows);

    // Red chosen, the interpretation window just closed, the display button focused.
    main_window::Form1 form(SHIPPED_FOLDER);
    form.show();
    form.findChild<toolkit::ComboBox *>("Combo1")->setListIndex(1);
    form.activateWindow();
    if (!QTest::qWaitForWindowActive(&form))
        QSKIP("the window system does not activate windows");
    form.findChild<QPushButton *>("Command3")->setFocus();

    int most = 0;
    bool alone = false; // an interpretation window without the main window
    QTimer watch;
    connect(&watch, &QTimer::timeout, &form, [&] {
        most = qMax(most, openInterpretationWindows());
        alone = alone || (openInterpretationWindows() > 0 && !form.isVisible());
    });
    watch.start(5);
    QTimer::singleShot(0, &form, [&] { type(first); });
    QTimer::singleShot(30, &form, [&] { type(second); });
    // Close the upper window, and later any left below it.
    for (int at : {300, 450, 600})
        QTimer::singleShot(at, &form, [] {
            if (QWidget *w = QApplication::activeModalWidget())
                w->close();
        });
    QTest::qWait(800);

    QCOMPARE(most, windows);
    QVERIFY(!alone);
    QCOMPARE(form.isVisible(), mainWindowLives);
    if (!mainWindowLives) { // no window left: the program ends
        for (QWindow *w : QGuiApplication::topLevelWindows())
            QVERIFY(!w->isVisible());
    }
    QVERIFY(!QApplication::activeModalWidget()); // closing the window returned to the main window
}

QTEST_MAIN(tst_KeyOrder)
#include "tst_keyorder.moc"
