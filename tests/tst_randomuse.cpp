// Random use of the real main window, compared after every action with the
// model in model.h. RANDOMUSE_SEED picks the sequence (to replay a failure),
// RANDOMUSE_ACTIONS its length.
#include "catalogue.h"
#include "combobox.h"
#include "fehlerbeschreibung.h"
#include "form1.h"
#include "model.h"
#include "shape.h"
#include "timer.h"
#include "twips.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <random>

using catalogue::ReadCatalogueText;
using interpretation::Fehlerbeschreibung;

static QList<Fehlerbeschreibung *> shownWindows()
{
    QList<Fehlerbeschreibung *> shown;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *w = qobject_cast<Fehlerbeschreibung *>(top); w && w->isVisible())
            shown << w;
    return shown;
}

class tst_RandomUse : public QObject
{
    Q_OBJECT

private slots:
    void matchesModel()
    {
        // The offscreen platform says each time that it cannot raise a list or grab the keyboard.
        static const QtMessageHandler testlib =
            qInstallMessageHandler([](QtMsgType t, const QMessageLogContext &c, const QString &s) {
                if (!s.startsWith(QLatin1String("This plugin does not support")))
                    testlib(t, c, s);
            });
        QApplication::setQuitOnLastWindowClosed(false); // the exit button is one of the actions
        start();                                        // the program finds its catalogue
        // Per colour its 16 cause texts and the frame caption, then the window's placeholders.
        const char *words[] = {"GREEN", "RED", "YELLOW"},
                   *groups[] = {"Akku", "HC11_Fehler", "MH_Fehler"};
        for (int c = 0; c < 3; ++c)
            for (int n = 0; n < 17; ++n)
                m_texts[c][n] = n < 16
                                    ? ReadCatalogueText("Kestrion", words[c] + QString::number(n))
                                    : ReadCatalogueText("Bezeichnungen", groups[c]);
        m_texts[3].fill("Label1");
        m_texts[3][16] = "Frame1";
        m_caption = ReadCatalogueText("Bezeichnungen", "Form2");
        QTimer::singleShot(0, this, &tst_RandomUse::step);
        m_loop.exec();
        QVERIFY2(m_failure.isEmpty(), qPrintable(m_failure));
        qInfo("seed %u: %d actions matched the model", m_seed, m_done);
    }

private:
    // A fresh start of the program: the module-level counters start at 0 again.
    void start()
    {
        main_window::BlinkCount = main_window::DigitIndex = 0;
        m_form = std::make_unique<main_window::Form1>(SHIPPED_FOLDER);
        m_model = std::make_unique<model::Program>();
        for (int b = 0; const char *name :
                        {"Combo1", "Combo2", "Combo3_0", "Combo3_1", "Combo3_2", "Combo3_3"})
            m_boxes[b++] = m_form->findChild<toolkit::ComboBox *>(name);
        m_display = m_form->findChild<QPushButton *>("Command3");
        m_exit = m_form->findChild<QPushButton *>("Command2");
        m_led = m_form->findChild<toolkit::Shape *>("Shape1");
        m_timer = m_form->findChild<toolkit::Timer *>("Timer1");
        // Ticks come from the test alone, whatever measures the interval.
        m_timer->blockSignals(true);
        m_form->show();
        m_form->activateWindow();
        if (!QTest::qWaitForWindowActive(m_form.get()))
            qFatal("main window not active");
    }

    // Runs from the event loop, also from the nested one of the modal window, so a
    // sequence goes on while the interpretation window is open. It is put off while
    // events of an action are under way, or a press unwinds from its closed window.
    // A click still pending once the action's events are done (an animated access key)
    // is thus checked before it lands, and shows as a divergence.
    void step()
    {
        if (m_finished)
            return;
        if ((m_pressing > 0 ? shownWindows().isEmpty() : m_busy) && ++m_waits < 100000)
            return QTimer::singleShot(0, this, &tst_RandomUse::step);
        const QString diff = m_waits < 100000 ? firstDifference() : QStringLiteral("never ends");
        m_waits = 0;
        if (!diff.isEmpty())
            m_failure = QString::asprintf("seed %u, action %d (%ls): %ls", m_seed, m_done,
                                          qUtf16Printable(m_last), qUtf16Printable(diff));
        if (!m_failure.isEmpty() || (m_done >= m_actions && !m_model->windowOpen)) {
            m_finished = true;
            for (QWidget *w : shownWindows())
                w->close();
            return m_loop.quit();
        }
        if (m_model->ended)
            start();
        QTimer::singleShot(0, this, &tst_RandomUse::step);
        ++m_done;
        m_busy = true;
        act();
        m_busy = false;
    }

    // One random action on the program and the model; m_last says which.
    void act()
    {
        const int box = pick(6), kind = pick(100);
        const bool free = m_model->takesInput(); // no window blocks the main window
        if (m_model->windowOpen && (kind < 15 || m_done > m_actions)) {
            m_last = QStringLiteral("close the interpretation window");
            m_model->closeWindow();
            shownWindows().value(0)->close(); // its close box
        } else if (kind < 40 || m_idleTicks > 0) {
            // Now and then the user leaves the LED blinking for a few cycles.
            m_idleTicks = m_idleTicks > 0 ? m_idleTicks - 1 : pick(20) ? 0 : pick(300);
            m_last = QStringLiteral("timer tick");
            if (m_model->timerEnabled) {
                m_timer->blockSignals(false);
                emit m_timer->timer();
                m_timer->blockSignals(true);
            }
            m_model->tick();
        } else if (kind < 55) {
            chooseFromList(box);
        } else if (kind < 88) {
            keyOrWheel(box, kind < 75);
        } else if (kind < 99 || pick(3)) {
            m_model->pressDisplay();
            ++m_pressing; // the press returns once its modal window has closed
            press(m_display, pick(4), free);
            --m_pressing;
        } else {
            m_model->exit();
            if (pick(3) || m_model->windowOpen) // a blocked window gets no close box
                return press(m_exit, pick(2), free);
            m_last = QStringLiteral("close box of the main window");
            m_form->close();
        }
    }

    // Clicks a button: 0 by mouse, 1 by its access key, 2 by space and 3 by Enter on it.
    void press(QPushButton *button, int how, bool free)
    {
        const QKeySequence keys = how == 1
                                      ? QKeySequence::mnemonic(button->text())
                                      : QKeySequence(how == 2 ? Qt::Key_Space : Qt::Key_Return);
        m_last = button->objectName() + " by " + (how ? keys.toString() : "mouse");
        if (how > 1 && free)
            button->setFocus();
        else if (how == 1 && free) // the main window has the keyboard again once a list has closed
            m_form->activateWindow();
        how ? QTest::keySequence(mainWindow(), keys) : click(button);
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
        QWidget *viewport = view->viewport();
        const QPoint at = viewport->mapTo(
            view->window(), QPoint(viewport->width() / 2, view->visualRect(index).center().y()));
        // The pointer moves over the list first: a release where the opening click was is ignored.
        QTest::mouseMove(view->window()->windowHandle(), QPoint(1, 1));
        QTest::mouseClick(view->window()->windowHandle(), Qt::LeftButton, {}, at);
        if (view->isVisible())
            combo->hidePopup();
    }

    // Arrow keys and the wheel step to the neighbouring or outermost entry, if there is
    // one; typed characters are discarded, in a box as in the interpretation window.
    void keyOrWheel(int box, bool navigate)
    {
        static constexpr Qt::Key keys[] = {
            Qt::Key_Up,     Qt::Key_Down,   Qt::Key_Home, Qt::Key_End,   Qt::Key_A,
            Qt::Key_R,      Qt::Key_1,      Qt::Key_5,    Qt::Key_Space, Qt::Key_Backspace,
            Qt::Key_Return, Qt::Key_Escape, Qt::Key_V};
        toolkit::ComboBox *combo = m_boxes[box];
        const bool wheel = navigate && pick(2);
        const int i = navigate ? pick(wheel ? 2 : 4) : 4 + pick(9);
        const QKeySequence key(keys[i] |
                               (keys[i] == Qt::Key_V ? Qt::ControlModifier : Qt::NoModifier));
        m_last =
            QStringLiteral("%1 %2 on box %3").arg(wheel ? "wheel" : "key", key.toString()).arg(box);
        const int from = combo->listIndex(), last = combo->count() - 1;
        const int to = i < 4 ? std::array{from - 1, from + 1, 0, last}[i] : from;
        if (to >= 0 && to <= last && to != from)
            m_model->choose(box, to);
        if (wheel) {
            QWheelEvent e(centreOf(combo), combo->mapToGlobal(combo->rect().center()), {},
                          {0, i == 0 ? 120 : -120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
            // The window system drops a wheel turn over a window that a modal one blocks.
            if (!QApplication::activeModalWidget())
                QApplication::sendEvent(mainWindow(), &e);
        } else if (!navigate && m_model->windowOpen && pick(2)) { // no key closes the window
            m_last = QStringLiteral("key %1 in the interpretation window").arg(key.toString());
            QTest::keySequence(shownWindows().value(0)->windowHandle(), key);
        } else if (combo->isEnabled()) { // into a blocked window the key goes nowhere
            if (m_model->takesInput())
                combo->setFocus();
            QTest::keySequence(mainWindow(), key);
        }
    }

    QString firstDifference()
    {
        const model::Program &m = *m_model;
        QString diff;
        const auto check = [&](const QString &field, const auto &real, const auto &expected) {
            if (diff.isEmpty() && real != expected)
                diff = QStringLiteral("%1 is %2, expected %3").arg(field).arg(real).arg(expected);
        };
        check("main window shown", m_form->isVisible(), !m.ended);
        if (m.ended)
            return diff;
        for (int b = 0; b < 6; ++b) {
            check(m_boxes[b]->objectName() + ".Enabled", m_boxes[b]->isEnabled(),
                  m.boxes[b].enabled);
            check(m_boxes[b]->objectName() + ".ListIndex", m_boxes[b]->listIndex(),
                  m.boxes[b].listIndex);
        }
        check("a list left open", QApplication::activePopupWidget() != nullptr, false);
        check("Shape1.FillColor", m_led->fillColour().name(),
              toolkit::colourFromBgr(m.ledColour).name());
        check("Shape1.Visible", m_led->isShapeVisible(), m.ledLit);
        check("Timer1.Enabled", m_timer->isEnabled(), m.timerEnabled);
        check("Timer1.Interval", m_timer->interval(), m.interval);
        check("BlinkCount", int(main_window::BlinkCount), int(m.blinkCount));
        check("DigitIndex", int(main_window::DigitIndex), int(m.digitIndex));
        const QList<Fehlerbeschreibung *> shown = shownWindows();
        Fehlerbeschreibung *w = shown.value(0);
        check("interpretation windows shown", int(shown.size()), int(m.windowOpen));
        check("interpretation window modal", w && w == QApplication::activeModalWidget(),
              m.windowOpen);
        if (!w || !m.windowOpen)
            return diff;
        const std::array<QString, 17> &texts = m_texts[m.windowColour];
        check("window caption", w->windowTitle(), m_caption);
        check("frame caption", w->Frame1->title(), texts[16]);
        for (int n = 0; n < 16; ++n) {
            check(QStringLiteral("row %1 text").arg(n), w->Label1[n]->text(), texts[n]);
            check(QStringLiteral("row %1 hand visible").arg(n), !w->Image1[n]->isHidden(),
                  m.bitSet[n]);
            check(QStringLiteral("row %1 text enabled").arg(n), w->Label1[n]->isEnabled(),
                  m.bitSet[n]);
        }
        return diff;
    }

    int pick(int n) { return int(m_random() % unsigned(n)); }
    QWindow *mainWindow() const { return m_form->windowHandle(); }
    QPoint centreOf(QWidget *w) const { return w->mapTo(m_form.get(), w->rect().center()); }
    void click(QWidget *w) { QTest::mouseClick(mainWindow(), Qt::LeftButton, {}, centreOf(w)); }

    std::array<std::array<QString, 17>, 4> m_texts; // per colour (3: none) 16 rows, then the frame
    QString m_caption;
    std::unique_ptr<main_window::Form1> m_form;
    std::unique_ptr<model::Program> m_model;
    std::array<toolkit::ComboBox *, 6> m_boxes{}; // colour, pattern, digits 0 to 3
    QPushButton *m_display = nullptr, *m_exit = nullptr;
    toolkit::Shape *m_led = nullptr;
    toolkit::Timer *m_timer = nullptr;
    const unsigned m_seed = qEnvironmentVariable("RANDOMUSE_SEED", "1").toUInt();
    const int m_actions = qEnvironmentVariable("RANDOMUSE_ACTIONS", "10000").toInt();
    std::mt19937 m_random{m_seed};
    QEventLoop m_loop;
    int m_done = 0, m_idleTicks = 0, m_waits = 0, m_pressing = 0; // presses under way
    bool m_busy = false, m_finished = false;
    QString m_last, m_failure;
};

QTEST_MAIN(tst_RandomUse)
#include "tst_randomuse.moc"
