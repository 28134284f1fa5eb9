#include "catalogue.h"
#include "combobox.h"
#include "design.h"
#include "fehlerbeschreibung.h"
#include "form1.h"
#include "model.h"
#include "shape.h"
#include "textfit.h"
#include "timer.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyleOption>
#include <QTemporaryDir>
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
    // Every caption, entry and cause text comes from its own key; screen readers
    // name each list after its frame's caption without the access-key mark.
    void textsFromTheirKeys()
    {
        // Each text of a catalogue in which every value names its own section and key.
        const auto named = [](const QString &section, const QString &key) {
            return section + " &" + key;
        };
        QByteArray ini;
        for (const char *name : {"Bezeichnungen", "Farben", "Unterspannung", "Kestrion"}) {
            ini += '[' + QByteArray(name) + "]\n";
            for (const auto &[section, key] : catalogue::catalogueProfileKeys())
                ini += section == name ? (key + '=' + named(section, key) + '\n').toLatin1() : "";
        }
        QTemporaryDir dir;
        QFile file(dir.filePath("ErrorMessage.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(ini) == ini.size() && file.flush());

        main_window::Form1 form(dir.path());
        const auto frame = [&](const char *name) { return form.findChild<QGroupBox *>(name); };
        const auto text = [&](const char *name) {
            return form.findChild<QPushButton *>(name)->text();
        };
        const QStringList shown =
            QStringList({frame("Frame1")->title(), frame("Frame2")->title(),
                         frame("Frame3")->title(), text("Command2"), text("Command3"),
                         form.windowTitle(), catalogue::InterpretationCaption}) +
            QStringList(catalogue::GroupCaptions.begin(), catalogue::GroupCaptions.end());
        const QStringList keys = {
            "0",     "1",     "2",    "Command_Beenden", "Command_Fehleranzeige",
            "Form1", "Form2", "Akku", "HC11_Fehler",     "MH_Fehler"};
        for (int i = 0; i < keys.size(); ++i)
            QCOMPARE(shown[i], named("Bezeichnungen", keys[i]));
        QCOMPARE(entries(form, "Combo1"), "Farben &0|Farben &1|Farben &2");
        QCOMPARE(entries(form, "Combo2"), "Unterspannung &0|Unterspannung &1|Unterspannung &2");
        for (int n = 0; n < 16 * 3; ++n) {
            const char *colour = std::array{"GREEN", "RED", "YELLOW"}[n % 3];
            QCOMPARE(catalogue::BitTexts[n / 3][n % 3],
                     named("Kestrion", colour + QString::number(n / 3)));
        }
        const auto list = [&](const char *name) { return form.findChild<QWidget *>(name); };
        QCOMPARE(QStringList({list("Combo1")->accessibleName(), list("Combo2")->accessibleName(),
                              list("Combo3_0")->accessibleName(),
                              list("Combo3_3")->accessibleName(), list("Shape1")->accessibleName(),
                              list("Shape1")->accessibleDescription()}),
                 QStringList({"Bezeichnungen 0", "Bezeichnungen 1", "Bezeichnungen 2: 1",
                              "Bezeichnungen 2: 4", "Status-LED", "aus"}));
    }

    // Letters typed into the open list choose nothing; an arrow still moves in it. The window
    // starts with the exit button focused; Tab walks the controls in design order, a list
    // passes it on, never takes it as typed.
    void keyboard()
    {
        main_window::Form1 form(SHIPPED_FOLDER);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QString order = QApplication::focusWidget()->objectName();
        auto *colours = form.findChild<toolkit::ComboBox *>("Combo1");
        colours->setListIndex(0);
        colours->showPopup();
        QAbstractItemView *open = colours->view();
        QTRY_VERIFY(open->isVisible());
        QTest::keyClicks(open, "rgR"); // letters of other entries
        QTest::keyClick(open, Qt::Key_Down);
        QTest::keyClick(open, Qt::Key_Return);
        QTRY_VERIFY(!open->isVisible());
        QCOMPARE(colours->listIndex(), 1); // red: the digit boxes take the focus too
        form.findChild<QWidget *>("Command2")->setFocus();
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order += ' ' + QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order, "Command2 Command3 Combo1 Combo3_3 Combo3_2 Combo3_1 Combo3_0");
    }

    // Hours of blinking on a clock the test moves: each tick comes where the
    // code's timeline puts it and shows the LED as the model says. Ticks noticed
    // a little late keep to the timeline; after a stall the count starts afresh.
    void ledTimeline_data()
    {
        QTest::addColumn<QList<int>>("choice"); // colour, then pattern or four digit positions
        QTest::addColumn<qint64>("lateNs");
        QTest::addColumn<bool>("drifts");
        QTest::newRow("red 1,1,3,2, ticks 0.3 ms late")
            << QList{1, 0, 0, 2, 1} << 300000ll << false;
        QTest::newRow("yellow 16,16,16,16, 1.9 ms late")
            << QList{2, 15, 15, 15, 15} << 1900000ll << false;
        QTest::newRow("green short flashes, 0.3 ms late") << QList{0, 2} << 300000ll << false;
        QTest::newRow("green slow blinking, stalls of 5 ms") << QList{0, 1} << 5000000ll << true;
        QTest::newRow("red 2,16,1,9, stalls of 5 ms") << QList{1, 1, 15, 0, 8} << 5000000ll << true;
    }

    void ledTimeline()
    {
        QFETCH(QList<int>, choice);
        QFETCH(qint64, lateNs);
        QFETCH(bool, drifts);
        main_window::Form1 form(SHIPPED_FOLDER);
        auto *timer = form.findChild<toolkit::Timer *>("Timer1");
        auto *led = form.findChild<toolkit::Shape *>("Shape1");
        timer->setClock(toolkit::Timer::Clock::Manual);
        Model model;
        const char *names[] = {"Combo1", "Combo2", "Combo3_0", "Combo3_1", "Combo3_2", "Combo3_3"};
        for (int i = 0; i < choice.size(); ++i) {
            const int box = i && choice.size() > 2 ? i + 1 : i; // the digits' boxes follow Combo2
            form.findChild<toolkit::ComboBox *>(names[box])->setListIndex(choice[i]);
            model.choose(box, choice[i]);
        }
        QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
        form.Command3_Click(); // returns once its window is closed: the timer starts
        model.pressDisplay();
        model.closeWindow();

        qint64 due = toolkit::Timer::manualClockNs() + model.interval * 1000000ll;
        int ticks = 0;
        QString wrong;
        connect(timer, &toolkit::Timer::timer, this, [&] { // after the window's own handler
            const qint64 now = toolkit::Timer::manualClockNs();
            model.tick();
            if (wrong.isEmpty() &&
                (now != due + lateNs || led->isShapeVisible() != model.ledLit ||
                 led->accessibleDescription() != (model.ledLit ? "leuchtet" : "dunkel")))
                wrong =
                    QString::asprintf("tick %d at %lld ns, due %lld ns, LED %d %ls, model %d",
                                      ticks, now, due, led->isShapeVisible(),
                                      qUtf16Printable(led->accessibleDescription()), model.ledLit);
            due += model.interval * 1000000ll + (drifts ? lateNs : 0);
            ++ticks;
        });
        toolkit::Timer::advanceManualClock(qint64(3600) * 1000000000, lateNs); // an hour
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QVERIFY(ticks > 400);
    }

    // Without a catalogue every text is empty; the digits' lists count from 1. With no window
    // manager the window is centred exactly.
    void startUp()
    {
        main_window::Form1 form("/none");
        QCOMPARE(QStringList({form.windowTitle(), form.findChild<QPushButton *>("Command2")->text(),
                              entries(form, "Combo1"), entries(form, "Combo2"),
                              entries(form, "Combo3_3")}),
                 QStringList({"", "", "||", "||", "1|2|3|4|5|6|7|8|9|10|11|12|13|14|15|16"}));
        const QPoint off = form.frameGeometry().center() - form.screen()->geometry().center();
        QVERIFY(qAbs(off.x()) <= 1 && qAbs(off.y()) <= 1);
    }

    void accessKeyThenSpace_data()
    {
        QTest::addColumn<Qt::Key>("accessKey");
        QTest::newRow("display by Alt+F, then space") << Qt::Key_F;
        QTest::newRow("exit by Alt+E, then space") << Qt::Key_E;
    }

    // Keys typed one after the other act in that order: an access key clicks at once, so
    // the space typed next finds the window that the click opened, or the main window closed.
    void accessKeyThenSpace()
    {
        QFETCH(Qt::Key, accessKey);
        main_window::Form1 form(SHIPPED_FOLDER);
        form.show();
        form.findChild<toolkit::ComboBox *>("Combo1")->setListIndex(1); // red
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.findChild<QWidget *>("Command3")->setFocus(); // the display button
        const auto modal = &QApplication::activeModalWidget;
        int closed = 0; // interpretation windows the user closed, each once it is open
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] { closed += modal() && modal()->close(); });
        bool typed = false, clickedFirst = false;
        const auto typeSpace = [&] { // to the window that has the keyboard, if any
            typed = true, clickedFirst = modal() || !form.isVisible(), closer.start(10);
            if (QWindow *window = qGuiApp->focusWindow())
                QTest::keyClick(window, Qt::Key_Space);
        };
        // The space comes right after the access key has pressed its button.
        connect(
            form.findChild<QPushButton *>(accessKey == Qt::Key_F ? "Command3" : "Command2"),
            &QPushButton::pressed, this, [&] { QTimer::singleShot(0, typeSpace); },
            Qt::SingleShotConnection);
        QTest::keyClick(form.windowHandle(), accessKey, Qt::AltModifier);
        QTRY_VERIFY(typed);
        QVERIFY(clickedFirst);
        QCOMPARE(closed, int(accessKey == Qt::Key_F));
        QCOMPARE(form.isVisible(), accessKey == Qt::Key_F);
    }

    // A screen reader has a name of its own for every text, picture, button, list and frame
    // of both windows, the hands included, and for the LED (not just the frame's title that
    // it falls back to); the drawing around the LED is decoration.
    void everyControlNamed()
    {
        main_window::Form1 form(SHIPPED_FOLDER);
        interpretation::Fehlerbeschreibung causes;
        int named = 0;
        for (QWidget *window : {(QWidget *)&form, (QWidget *)&causes}) {
            for (QWidget *w : window->findChildren<QWidget *>()) {
                const auto *label = qobject_cast<QLabel *>(w);
                const auto *button = qobject_cast<QAbstractButton *>(w);
                const auto *frame = qobject_cast<QGroupBox *>(w);
                if (!label && !button && !frame && !w->inherits("QComboBox") &&
                    w->objectName() != "Shape1")
                    continue;
                const QString name = !w->accessibleName().isEmpty() ? w->accessibleName()
                                     : label                        ? label->text()
                                     : button                       ? button->text()
                                     : frame                        ? frame->title()
                                                                    : QString();
                QVERIFY2(!name.trimmed().isEmpty(), qPrintable(w->objectName()));
                ++named;
            }
        }
        QVERIFY(named >= 16 * 2 + 10);
    }

    // The logo and the hand are drawn at the screen's ratio: their "@2x" twins
    // where it has two device pixels to the pixel (the suite runs at both).
    void picturesAtScreenRatio()
    {
        main_window::Form1 form(SHIPPED_FOLDER);
        interpretation::Fehlerbeschreibung causes;
        const qreal ratio = qApp->devicePixelRatio();
        for (const auto &[picture, size] :
             {std::pair{form.findChild<QLabel *>("Image1"), 51}, std::pair{causes.Image1[0], 32}}) {
            QCOMPARE(picture->pixmap().devicePixelRatio(), ratio);
            QCOMPARE(picture->pixmap().size(), QSize(size, size) * ratio);
        }
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
            frame.initFrom(w), button.initFrom(w), list.initFrom(w);
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
