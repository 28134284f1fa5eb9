// Random use of the main window against model.h; RANDOMUSE_SEED replays a failure's sequence.
#include "catalogue.h"
#include "combobox.h"
#include "fehlerbeschreibung.h"
#include "form1.h"
#include "model.h"
#include "shape.h"
#include "timer.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLoggingCategory>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <random>

using catalogue::ReadCatalogueText;

class tst_RandomUse : public QObject
{
    Q_OBJECT

private slots:
    void matchesModel()
    {
        // The offscreen platform says each time that it cannot raise a list or grab the keyboard.
        QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
        QApplication::setQuitOnLastWindowClosed(false); // the exit button is one of the actions
        start();
        QTimer::singleShot(0, this, &tst_RandomUse::step);
        m_loop.exec();
        QVERIFY2(m_failure.isEmpty(), qPrintable(m_failure));
        qInfo("seed %u: %d actions matched the model", m_seed, m_done);
    }

private:
    void start()
    {
        main_window::BlinkCount = main_window::DigitIndex = 0; // as at a fresh start
        m_form = std::make_unique<main_window::Form1>(SHIPPED_FOLDER);
        m_model = std::make_unique<Model>();
        m_boxes = m_form->findChildren<toolkit::ComboBox *>(); // Combo1, Combo2, Combo3_0 to 3
        std::ranges::sort(m_boxes, {}, &QObject::objectName);
        m_timer = m_form->findChild<toolkit::Timer *>("Timer1");
        m_timer->blockSignals(true); // ticks come from the test alone
        m_form->show();
        if (!QTest::qWaitForWindowActive(m_form.get()))
            qFatal("main window not active");
    }

    // Runs also in a modal window's loop; waits while an action's events or a closed press unwind.
    void step()
    {
        if ((m_pressing ? !QApplication::activeModalWidget() : m_busy) && ++m_waits < 100000)
            return QTimer::singleShot(0, this, &tst_RandomUse::step);
        const QString diff = std::exchange(m_waits, 0) < 100000 ? firstDifference() : "never ends";
        if (!diff.isEmpty())
            m_failure = QString::asprintf("seed %u, action %d (%ls): %ls", m_seed, m_done,
                                          qUtf16Printable(m_last), qUtf16Printable(diff));
        if (!m_failure.isEmpty() || (m_done >= m_actions && !m_model->windowOpen)) {
            QApplication::closeAllWindows();
            return m_loop.quit();
        }
        if (m_model->ended)
            start();
        QTimer::singleShot(0, this, &tst_RandomUse::step);
        ++m_done;
        const QScopedValueRollback busy(m_busy, true);
        act();
    }

    void act()
    {
        const int box = pick(6), kind = pick(100);
        if (m_model->windowOpen && (kind < 15 || m_done > m_actions)) {
            m_last = QStringLiteral("close the interpretation window");
            m_model->closeWindow();
            QApplication::activeModalWidget()->close(); // its close box
        } else if (kind < 40 || m_idleTicks > 0) { // now and then the user just watches the LED
            m_idleTicks = m_idleTicks > 0 ? m_idleTicks - 1 : pick(20) ? 0 : pick(300);
            m_last = QStringLiteral("timer tick");
            m_timer->blockSignals(!m_model->timerEnabled); // a stopped timer raises none
            emit m_timer->timer();
            m_timer->blockSignals(true);
            m_model->tick();
        } else if (kind < 55) {
            chooseFromList(box);
        } else if (kind < 88) {
            keyOrWheel(box, kind < 75);
        } else if (kind < 99 || pick(3)) {
            m_model->pressDisplay();
            const QScopedValueRollback pressing(m_pressing, true); // until its window closes
            press(m_form->findChild<QPushButton *>("Command3"), pick(4));
        } else {
            m_model->exit();
            if (pick(3) || m_model->windowOpen) // a blocked window gets no close box
                return press(m_form->findChild<QPushButton *>("Command2"), pick(2));
            m_last = QStringLiteral("close box of the main window");
            m_form->close();
        }
    }

    // Clicks a button: 0 by mouse, 1 by its access key, 2 by space and 3 by Enter on it.
    void press(QPushButton *button, int how)
    {
        const QKeySequence keys[] = {
            {}, QKeySequence::mnemonic(button->text()), Qt::Key_Space, Qt::Key_Return};
        m_last = button->objectName() + " by " + (how ? keys[how].toString() : "mouse");
        if (!QApplication::activeModalWidget()) // the main window gets the keyboard back
            how > 1 ? button->setFocus() : m_form->activateWindow();
        how ? QTest::keySequence(mainWindow(), keys[how]) : click(button);
    }

    // Opens the list with the mouse and clicks an entry, as far as the window lets it.
    void chooseFromList(int box)
    {
        toolkit::ComboBox *combo = m_boxes[box];
        const int entry = pick(combo->count());
        m_last = QStringLiteral("entry %1 of box %2 from its list").arg(entry).arg(box);
        m_model->choose(box, entry);
        click(combo);
        QAbstractItemView *view = combo->view();
        if (!view->isVisible())
            return;
        const QModelIndex index = view->model()->index(entry, 0);
        view->scrollTo(index);
        const QPoint at = view->viewport()->mapTo(
            view->window(), QPoint(view->width() / 2, view->visualRect(index).center().y()));
        // The pointer moves over the list first: a release where the opening click was is ignored.
        QTest::mouseMove(view->window()->windowHandle(), QPoint(1, 1));
        QTest::mouseClick(view->window()->windowHandle(), Qt::LeftButton, {}, at);
    }

    // Arrow keys and the wheel step to a neighbouring or outermost entry; typed keys do nothing.
    void keyOrWheel(int box, bool navigate)
    {
        static const QKeySequence keys[] = {
            Qt::Key_Up,     Qt::Key_Down,   Qt::Key_Home,        Qt::Key_End,   Qt::Key_A,
            Qt::Key_R,      Qt::Key_1,      Qt::Key_5,           Qt::Key_Space, Qt::Key_Backspace,
            Qt::Key_Return, Qt::Key_Escape, Qt::CTRL | Qt::Key_V};
        toolkit::ComboBox *combo = m_boxes[box];
        const bool wheel = navigate && pick(2);
        const int i = navigate ? pick(wheel ? 2 : 4) : 4 + pick(9);
        m_last = QString("%1 %2, box %3").arg(wheel ? "wheel" : "key", keys[i].toString()).arg(box);
        const int from = combo->listIndex(), last = combo->count() - 1;
        const int to = i < 4 ? std::array{from - 1, from + 1, 0, last}[i] : from;
        if (to >= 0 && to <= last && to != from)
            m_model->choose(box, to);
        if (wheel) {
            QWheelEvent e(centreOf(combo), combo->mapToGlobal(combo->rect().center()), {},
                          {0, i == 0 ? 120 : -120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
            if (!QApplication::activeModalWidget()) // a blocked window gets no wheel turns
                QApplication::sendEvent(mainWindow(), &e);
        } else if (!navigate && m_model->windowOpen && pick(2)) { // no key closes the window
            m_last = QStringLiteral("key %1 in the interpretation window").arg(keys[i].toString());
            QTest::keySequence(QApplication::activeModalWidget()->windowHandle(), keys[i]);
        } else if (combo->isEnabled()) { // into a blocked window the key goes nowhere
            if (m_model->takesInput())
                combo->setFocus();
            QTest::keySequence(mainWindow(), keys[i]);
        }
    }

    QString firstDifference()
    {
        const Model &m = *m_model;
        QString diff;
        const auto check = [&](const QString &field, const auto &real, const auto &expected) {
            if (diff.isEmpty() && real != expected)
                diff = QStringLiteral("%1 is %2, expected %3").arg(field).arg(real).arg(expected);
        };
        check("main window shown", m_form->isVisible(), !m.ended);
        if (m.ended)
            return diff;
        for (int b = 0; b < 6; ++b) {
            check(m_boxes[b]->objectName() + ".Enabled", m_boxes[b]->isEnabled(), m.enabled[b]);
            check(m_boxes[b]->objectName() + ".ListIndex", m_boxes[b]->listIndex(), m.listIndex[b]);
        }
        check("a list left open", QApplication::activePopupWidget() != nullptr, false);
        const toolkit::Shape *led = m_form->findChild<toolkit::Shape *>("Shape1");
        check("Shape1.FillColor", led->fillColour().name(), QColor(QRgb(m.ledColour)).name());
        check("Shape1.Visible", led->isShapeVisible(), m.ledLit);
        check("Timer1.Enabled", m_timer->isEnabled(), m.timerEnabled);
        check("Timer1.Interval", m_timer->interval(), m.interval);
        check("BlinkCount", int(main_window::BlinkCount), int(m.blinkCount));
        check("DigitIndex", int(main_window::DigitIndex), int(m.digitIndex));
        int shown = 0;
        for (QWidget *top : QApplication::topLevelWidgets())
            shown += qobject_cast<interpretation::Fehlerbeschreibung *>(top) && top->isVisible();
        auto *w = qobject_cast<interpretation::Fehlerbeschreibung *>(qApp->activeModalWidget());
        check("interpretation windows shown", shown, int(m.windowOpen));
        check("interpretation window modal", w != nullptr, m.windowOpen);
        if (!w || !m.windowOpen)
            return diff;
        const int c = m.windowColour; // 3: the window's own placeholders
        const char *words[] = {"GREEN", "RED", "YELLOW"},
                   *groups[] = {"Akku", "HC11_Fehler", "MH_Fehler"};
        check("window caption", w->windowTitle(), ReadCatalogueText("Bezeichnungen", "Form2"));
        check("frame caption", w->Frame1->title(),
              c < 3 ? ReadCatalogueText("Bezeichnungen", groups[c]) : "Frame1");
        for (int n = 0; n < 16; ++n) {
            check(QString("row %1 text").arg(n), w->Label1[n]->text(),
                  c < 3 ? ReadCatalogueText("Kestrion", words[c] + QString::number(n)) : "Label1");
            check(QString("row %1 hand shown").arg(n), !w->Image1[n]->isHidden(), m.bitSet[n]);
            check(QString("row %1 text not greyed").arg(n), w->Label1[n]->isEnabled(), m.bitSet[n]);
        }
        return diff;
    }

    int pick(int n) { return int(m_random() % unsigned(n)); }
    QWindow *mainWindow() const { return m_form->windowHandle(); }
    QPoint centreOf(QWidget *w) const { return w->mapTo(m_form.get(), w->rect().center()); }
    void click(QWidget *w) { QTest::mouseClick(mainWindow(), Qt::LeftButton, {}, centreOf(w)); }

    std::unique_ptr<main_window::Form1> m_form;
    std::unique_ptr<Model> m_model;
    QList<toolkit::ComboBox *> m_boxes; // colour, pattern, digits 0 to 3
    toolkit::Timer *m_timer = nullptr;
    const unsigned m_seed = qEnvironmentVariable("RANDOMUSE_SEED", "1").toUInt();
    const int m_actions = qEnvironmentVariable("RANDOMUSE_ACTIONS", "10000").toInt();
    std::mt19937 m_random{m_seed};
    QEventLoop m_loop;
    int m_done = 0, m_idleTicks = 0, m_waits = 0;
    bool m_busy = false, m_pressing = false; // an action, a display press under way
    QString m_last, m_failure;
};

QTEST_MAIN(tst_RandomUse)
#include "tst_randomuse.moc"
