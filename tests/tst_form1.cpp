#include "combobox.h"
#include "design.h"
#include "fehlerbeschreibung.h"
#include "form1.h"
#include "textfit.h"

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QStyleOption>
#include <QTest>
#include <QTimer>

static QString entries(const QWidget &form, const char *name)
{
    QStringList list;
    const auto *combo = form.findChild<toolkit::ComboBox *>(name);
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list.join('|');
}

class tst_Form1 : public QObject
{
    Q_OBJECT

private slots:
    void startUp_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("shipped, umlauts decoded")
            << SHIPPED_FOLDER
            << QStringList({"Fehlerausgabe Firmwareversionen Kestrion 1.XX", "B&eenden",
                            "Grün|Rot|Gelb", "Dauerlicht|Blinken|Blitzen"});
        QTest::newRow("no catalogue: empty texts") << "/none" << QStringList({"", "", "||", "||"});
    }

    void startUp()
    {
        QFETCH(QString, folder);
        main_window::Form1 form(folder);
        QTEST(QStringList({form.windowTitle(), form.findChild<QPushButton *>("Command2")->text(),
                           entries(form, "Combo1"), entries(form, "Combo2")}),
              "texts");
        QCOMPARE(entries(form, "Combo3_3"), "1|2|3|4|5|6|7|8|9|10|11|12|13|14|15|16");
        const QPoint off = form.frameGeometry().center() - form.screen()->geometry().center();
        QVERIFY(qAbs(off.x()) <= 1 && qAbs(off.y()) <= 1); // no window manager: centred exactly
    }

    // Tab walks the controls in design order; a list passes it on, never takes it as typed.
    void tabOrder()
    {
        main_window::Form1 form(SHIPPED_FOLDER);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.findChild<toolkit::ComboBox *>("Combo1")->setListIndex(1);
        QString order = QApplication::focusWidget()->objectName();
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order += ' ' + QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order, "Command2 Command3 Combo1 Combo3_3 Combo3_2 Combo3_1 Combo3_0");
    }

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

    // The catalogue checker measures each text in the font and the room its control really has.
    void textRoomAsDrawn()
    {
        main_window::Form1 form(SHIPPED_FOLDER);
        interpretation::Fehlerbeschreibung causes;
        using Kind = design::TextControl::Kind;
        for (const design::TextControl &control : design::textControls()) {
            QWidget *window = control.window == form.objectName() ? &form : (QWidget *)&causes;
            auto *w =
                control.kind == Kind::Title ? window : window->findChild<QWidget *>(control.name);
            QVERIFY2(w && w->font() == design::programFont(), control.name);
            QStyleOptionGroupBox frame;
            QStyleOptionButton button;
            QStyleOptionComboBox list;
            for (QStyleOption *option :
                 std::initializer_list<QStyleOption *>{&frame, &button, &list})
                option->initFrom(w);
            frame.subControls = QStyle::SC_GroupBoxLabel;
            button.features = QStyleOptionButton::AutoDefaultButton;
            const QStyle *style = w->style();
            const QRect label =
                style->subControlRect(QStyle::CC_GroupBox, &frame, QStyle::SC_GroupBoxLabel, w);
            const QRect inside = style->subElementRect(QStyle::SE_PushButtonContents, &button, w);
            const QRect field =
                style->subControlRect(QStyle::CC_ComboBox, &list, QStyle::SC_ComboBoxEditField, w);
            // by kind: frame, button, list (its text starts a pixel into the field), row, title
            const int room[] = {w->width() - label.left(), inside.width(), field.width() - 1,
                                w->contentsRect().width(), control.width};
            QCOMPARE(room[int(control.kind)], control.width);
            QCOMPARE(control.kind == Kind::Row ? w->height() : 0, control.height);
        }
    }
};

QTEST_MAIN(tst_Form1)
#include "tst_form1.moc"
