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
#include <QEventLoop>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <memory>
#include <random>
#include <unistd.h>

using interpretation::Fehlerbeschreibung;

class tst_RandomUse : public QObject
{
    Q_OBJECT

private slots:
    void matchesModel();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void start();
    void step();
    void finish();
    void act(); // one random action on the program and the model; m_last says which
    QString firstDifference();
    static Fehlerbeschreibung *shownWindow();
    int pick(int n) { return int(m_random() % unsigned(n)); }

    QWindow *mainWindow() const { return m_form->windowHandle(); }
    QPoint centreOf(QWidget *w) const { return w->mapTo(m_form.get(), w->rect().center()); }
    void key(QWidget *focus, Qt::Key k, Qt::KeyboardModifiers mod = {});
    void chooseFromList(int box);
    void pressDisplay();

    std::unique_ptr<main_window::Form1> m_form;
    std::unique_ptr<model::Program> m_model;
    std::array<toolkit::ComboBox *, 6> m_boxes{}; // colour, pattern, digits 0 to 3
    QPushButton *m_display = nullptr, *m_exit = nullptr;
    toolkit::Shape *m_led = nullptr;
    toolkit::Timer *m_timer = nullptr;
    std::mt19937 m_random;
    QEventLoop m_loop;
    unsigned m_seed = 1;
    int m_actions = 0, m_done = 0;
    int m_idleTicks = 0, m_windows = 0, m_starts = 0;
    int m_waits = 0;    // steps put off while an action is under way
    int m_pressing = 0; // display presses under way (the window may be open)
    bool m_busy = false, m_closing = false, m_finished = false;
    QString m_last, m_failure;
};

static model::Texts catalogueTexts()
{
    using catalogue::ReadCatalogueText;
    const QString names = QStringLiteral("Bezeichnungen");
    model::Texts t;
    t.interpretationCaption = ReadCatalogueText(names, "Form2").toStdString();
    const char *groups[] = {"Akku", "HC11_Fehler", "MH_Fehler"};
    const char *words[] = {"GREEN", "RED", "YELLOW"};
    for (int c = 0; c < 3; ++c) {
        t.groupCaptions[c] = ReadCatalogueText(names, groups[c]).toStdString();
        for (int n = 0; n < 16; ++n)
            t.bitTexts[n][c] =
                ReadCatalogueText("Kestrion", words[c] + QString::number(n)).toStdString();
    }
    return t;
}

// The offscreen platform cannot raise a list or grab the keyboard for it, and says so each time.
static QtMessageHandler s_testlibHandler = nullptr;
static void quietPlatform(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (!text.startsWith(QLatin1String("This plugin does not support")))
        s_testlibHandler(type, context, text);
}

void tst_RandomUse::matchesModel()
{
    s_testlibHandler = qInstallMessageHandler(quietPlatform);
    QApplication::setQuitOnLastWindowClosed(false); // the exit button is one of the actions
    m_seed = unsigned(qEnvironmentVariableIntValue("RANDOMUSE_SEED"));
    m_seed = m_seed ? m_seed : 1;
    m_actions = qEnvironmentVariableIsSet("RANDOMUSE_ACTIONS")
                    ? qEnvironmentVariableIntValue("RANDOMUSE_ACTIONS")
                    : 10000;
    m_random.seed(m_seed);
    start();
    QTimer::singleShot(0, this, &tst_RandomUse::step);
    m_loop.exec();
    QVERIFY2(m_failure.isEmpty(), qPrintable(m_failure));
    QVERIFY(m_finished);
    qInstallMessageHandler(s_testlibHandler);
    qInfo("seed %u: %d actions over %d starts and %d opened windows matched the model", m_seed,
          m_done, m_starts, m_windows);
}

// A fresh start of the program: the module-level counters start at 0 again.
void tst_RandomUse::start()
{
    ++m_starts;
    main_window::BlinkCount = main_window::DigitIndex = 0;
    m_form = std::make_unique<main_window::Form1>(SHIPPED_FOLDER);
    m_model = std::make_unique<model::Program>(catalogueTexts());
    int b = 0;
    for (const char *name : {"Combo1", "Combo2", "Combo3_0", "Combo3_1", "Combo3_2", "Combo3_3"})
        m_boxes[b++] = m_form->findChild<toolkit::ComboBox *>(name);
    m_display = m_form->findChild<QPushButton *>("Command3");
    m_exit = m_form->findChild<QPushButton *>("Command2");
    m_led = m_form->findChild<toolkit::Shape *>("Shape1");
    m_timer = m_form->findChild<toolkit::Timer *>("Timer1");
    // Real expiries are swallowed: every tick is raised by the test.
    for (QSocketNotifier *n : m_timer->findChildren<QSocketNotifier *>())
        n->installEventFilter(this);
    for (QTimer *t : m_timer->findChildren<QTimer *>())
        t->blockSignals(true);
    m_form->show();
    m_form->activateWindow();
    if (!QTest::qWaitForWindowActive(m_form.get()))
        m_failure = QStringLiteral("main window not active");
}

bool tst_RandomUse::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::SockAct)
        return false;
    quint64 count = 0;
    [[maybe_unused]] const auto got =
        ::read(int(static_cast<QSocketNotifier *>(watched)->socket()), &count, sizeof count);
    return true;
}

// Runs from the event loop, also from the nested one of the modal window, so
// a sequence goes on while the interpretation window is open.
void tst_RandomUse::step()
{
    if (m_finished)
        return;
    const bool inWindow = m_pressing > 0 && shownWindow();
    if ((m_closing || (m_busy && !inWindow)) && ++m_waits < 100000) {
        // Events of an action still in progress, or a closed window unwinding.
        QTimer::singleShot(0, this, &tst_RandomUse::step);
        return;
    }
    if (m_waits >= 100000)
        m_failure = QStringLiteral("seed %1, action %2 (%3) never ends")
                        .arg(m_seed)
                        .arg(m_done)
                        .arg(m_last);
    if (!m_failure.isEmpty())
        return finish();
    m_waits = 0;
    if (const QString diff = firstDifference(); !diff.isEmpty()) {
        m_failure =
            QStringLiteral("seed %1, action %2 (%3): %4").arg(m_seed).arg(m_done).arg(m_last, diff);
        return finish();
    }
    if (m_done >= m_actions && !m_model->windowOpen)
        return finish();
    if (m_model->ended)
        start();
    QTimer::singleShot(0, this, &tst_RandomUse::step);
    ++m_done;
    m_busy = true;
    act();
    m_busy = false;
}

void tst_RandomUse::finish()
{
    m_finished = true;
    if (QWidget *w = shownWindow())
        w->close();
    m_loop.quit();
}

// A key typed with the focus on `focus`; into a blocked window it goes nowhere.
void tst_RandomUse::key(QWidget *focus, Qt::Key k, Qt::KeyboardModifiers mod)
{
    if (m_model->takesInput())
        focus->setFocus();
    QTest::keyClick(mainWindow(), k, mod);
}

// Opens the list with the mouse and clicks an entry, as far as the window lets it.
void tst_RandomUse::chooseFromList(int box)
{
    toolkit::ComboBox *combo = m_boxes[box];
    const int entry = pick(combo->count());
    m_last = QStringLiteral("entry %1 of box %2 from its list").arg(entry).arg(box);
    m_model->choose(box, entry);
    QTest::mouseClick(mainWindow(), Qt::LeftButton, {}, centreOf(combo));
    QAbstractItemView *view = combo->view();
    if (!view->isVisible())
        return;
    const QModelIndex index = view->model()->index(entry, 0);
    view->scrollTo(index);
    const QPoint at =
        view->viewport()->mapTo(view->window(), QPoint(view->viewport()->width() / 2,
                                                       view->visualRect(index).center().y()));
    // The pointer moves over the list first: a release where the opening click was is ignored.
    QTest::mouseMove(view->window()->windowHandle(), QPoint(1, 1));
    QTest::mouseClick(view->window()->windowHandle(), Qt::LeftButton, {}, at);
    if (view->isVisible())
        combo->hidePopup();
}

void tst_RandomUse::pressDisplay()
{
    const bool byMouse = pick(2);
    const Qt::Key k = pick(2) ? Qt::Key_Space : Qt::Key_Return;
    m_last = byMouse ? QStringLiteral("display button by mouse")
                     : QStringLiteral("display button by key %1").arg(QKeySequence(k).toString());
    if (!byMouse && m_model->takesInput())
        m_display->setFocus();
    const bool wasOpen = m_model->windowOpen;
    m_model->pressDisplay();
    m_windows += !wasOpen && m_model->windowOpen;
    ++m_pressing;
    if (byMouse)
        QTest::mouseClick(mainWindow(), Qt::LeftButton, {}, centreOf(m_display));
    else
        QTest::keyClick(mainWindow(), k);
    if (--m_pressing == 0)
        m_closing = false; // the window, if one opened, is closed and the press is over
}

void tst_RandomUse::act()
{
    const int box = pick(6);
    toolkit::ComboBox *combo = m_boxes[box];
    const int kind = pick(100);
    if (m_model->windowOpen && (kind < 15 || m_done > m_actions)) {
        m_last = QStringLiteral("close the interpretation window");
        m_closing = true;
        m_model->closeWindow();
        shownWindow()->close(); // its close box
    } else if (kind < 40 || m_idleTicks > 0) {
        // Now and then the user leaves the LED blinking for a few cycles.
        m_idleTicks = m_idleTicks > 0 ? m_idleTicks - 1 : pick(20) ? 0 : pick(300);
        m_last = QStringLiteral("timer tick");
        if (m_model->timerEnabled)
            emit m_timer->timer();
        m_model->tick();
    } else if (kind < 55) {
        chooseFromList(box);
    } else if (kind < 75) { // arrow keys and the wheel step to the next entry, if there is one
        const bool wheel = pick(2);
        const Qt::Key keys[] = {Qt::Key_Up, Qt::Key_Down, Qt::Key_Home, Qt::Key_End};
        const Qt::Key k = keys[pick(wheel ? 2 : 4)];
        m_last = QStringLiteral("%1 %2 on box %3")
                     .arg(wheel ? "wheel" : "key", QKeySequence(k).toString())
                     .arg(box);
        const int from = combo->listIndex();
        const int to = k == Qt::Key_Up     ? from - 1
                       : k == Qt::Key_Down ? from + 1
                       : k == Qt::Key_Home ? 0
                                           : combo->count() - 1;
        if (to >= 0 && to < combo->count() && to != from)
            m_model->choose(box, to);
        if (wheel) {
            QWheelEvent e(centreOf(combo), combo->mapToGlobal(combo->rect().center()), {},
                          {0, k == Qt::Key_Up ? 120 : -120}, Qt::NoButton, {}, Qt::NoScrollPhase,
                          false);
            // The window system drops a wheel turn over a window that a modal one blocks.
            const QWindow *modal = QGuiApplication::modalWindow();
            if (!modal || modal->modality() != Qt::ApplicationModal)
                QApplication::sendEvent(mainWindow(), &e);
        } else if (combo->isEnabled()) {
            key(combo, k);
        }
    } else if (kind < 88) { // a typed character
        const Qt::Key keys[] = {Qt::Key_A,      Qt::Key_R,      Qt::Key_1,
                                Qt::Key_5,      Qt::Key_Space,  Qt::Key_Backspace,
                                Qt::Key_Return, Qt::Key_Escape, Qt::Key_V};
        const Qt::Key k = keys[pick(9)];
        const Qt::KeyboardModifiers mod = k == Qt::Key_V ? Qt::ControlModifier : Qt::NoModifier;
        m_last =
            QStringLiteral("type %1 into box %2").arg(QKeySequence(k | mod).toString()).arg(box);
        m_model->type(box, char(k));
        if (m_model->windowOpen && pick(2)) { // no key of its own closes the window
            m_last = QStringLiteral("type %1 into the interpretation window")
                         .arg(QKeySequence(k | mod).toString());
            QTest::keyClick(shownWindow()->windowHandle(), k, mod);
        } else if (combo->isEnabled()) {
            key(combo, k, mod);
        }
    } else if (kind < 99 || pick(3)) {
        pressDisplay();
    } else {
        const bool closeBox = pick(2) && !m_model->windowOpen; // a blocked window gets none
        m_last = closeBox ? QStringLiteral("close the main window") : QStringLiteral("exit button");
        m_model->exit();
        if (closeBox)
            m_form->close();
        else
            QTest::mouseClick(mainWindow(), Qt::LeftButton, {}, centreOf(m_exit));
    }
}

QString tst_RandomUse::firstDifference()
{
    const model::Program &m = *m_model;
    QStringList diffs;
    const auto check = [&](const QString &field, const auto &real, const auto &expected) {
        if (diffs.isEmpty() && real != expected)
            diffs << QStringLiteral("%1 is %2, expected %3").arg(field).arg(real).arg(expected);
    };
    check("main window shown", m_form->isVisible(), !m.ended);
    if (m.ended)
        return diffs.value(0);
    for (int b = 0; b < 6; ++b) {
        const QString name = m_boxes[b]->objectName();
        check(name + ".Enabled", m_boxes[b]->isEnabled(), m_model->box(b).enabled);
        check(name + ".ListIndex", m_boxes[b]->listIndex(), m_model->box(b).listIndex);
    }
    check("a list left open", QApplication::activePopupWidget() != nullptr, false);
    check("Shape1.FillColor", m_led->fillColour().name(),
          toolkit::colourFromBgr(m.ledColour).name());
    check("Shape1.Visible", m_led->isShapeVisible(), m.ledLit);
    check("Timer1.Enabled", m_timer->isEnabled(), m.timerEnabled);
    check("Timer1.Interval", m_timer->interval(), m.interval);
    check("BlinkCount", int(main_window::BlinkCount), int(m.blinkCount));
    check("DigitIndex", int(main_window::DigitIndex), int(m.digitIndex));
    Fehlerbeschreibung *w = shownWindow();
    int shown = 0;
    for (QWidget *top : QApplication::topLevelWidgets())
        shown += top->isVisible() && qobject_cast<Fehlerbeschreibung *>(top);
    check("interpretation windows shown", shown, int(m.windowOpen));
    check("interpretation window modal", w && w == QApplication::activeModalWidget(), m.windowOpen);
    for (int n = 0; w && m.windowOpen && n < 16; ++n) {
        const QString row = QStringLiteral("row %1 ").arg(n);
        check(row + "text", w->Label1[n]->text(), QString::fromStdString(m.window.texts[n]));
        check(row + "hand visible", !w->Image1[n]->isHidden(), m.window.handVisible[n]);
        check(row + "text enabled", w->Label1[n]->isEnabled(), m.window.textEnabled[n]);
    }
    if (w && m.windowOpen) {
        check("window caption", w->windowTitle(), QString::fromStdString(m.window.caption));
        check("frame caption", w->Frame1->title(), QString::fromStdString(m.window.frameCaption));
    }
    return diffs.value(0);
}

Fehlerbeschreibung *tst_RandomUse::shownWindow()
{
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (auto *w = qobject_cast<Fehlerbeschreibung *>(top); w && w->isVisible())
            return w;
    }
    return nullptr;
}

QTEST_MAIN(tst_RandomUse)
#include "tst_randomuse.moc"
