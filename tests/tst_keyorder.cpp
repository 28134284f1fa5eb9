#include "combobox.h"
#include "form1.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

class tst_KeyOrder : public QObject
{
    Q_OBJECT

private slots:
    void accessKeyThenSpace_data()
    {
        QTest::addColumn<Qt::Key>("accessKey");
        QTest::newRow("display by Alt+F, then space") << Qt::Key_F;
        QTest::newRow("exit by Alt+E, then space") << Qt::Key_E;
    }

    // Keys typed 30 ms apart act in that order: an access key's click never comes after the space.
    void accessKeyThenSpace()
    {
        QFETCH(Qt::Key, accessKey);
        main_window::Form1 form(SHIPPED_FOLDER);
        form.show();
        form.findChild<toolkit::ComboBox *>("Combo1")->setListIndex(1); // red
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.findChild<QWidget *>("Command3")->setFocus(); // the display button
        QTimer::singleShot(30, [] { // to the window that has the keyboard, if any
            if (QWindow *window = qGuiApp->focusWindow())
                QTest::keyClick(window, Qt::Key_Space);
        });
        int closed = 0; // interpretation windows the user closed
        const auto modal = &QApplication::activeModalWidget;
        for (int at : {300, 450}) // the upper window, then any left below it
            QTimer::singleShot(at, &form, [&] { closed += modal() && modal()->close(); });
        QTest::keyClick(form.windowHandle(), accessKey, Qt::AltModifier); // returns once closed
        QTest::qWait(600);
        QCOMPARE(closed, int(accessKey == Qt::Key_F));
        QCOMPARE(form.isVisible(), accessKey == Qt::Key_F);
    }
};

QTEST_MAIN(tst_KeyOrder)
#include "tst_keyorder.moc"
