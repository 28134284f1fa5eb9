// Random use of the main window against model.h; RANDOMUSE_SEED replays a failure's sequence.
#include "catalogue.h"
#include "combobox.h"
#include "decoderoutput.h"
#include "fehlerbeschreibung.h"
#include "form1.h"
#include "model.h"
#include "progressdialog.h"
#include "readingreason.h"
#include "shape.h"
#include "timer.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <random>
#include <sys/wait.h>

using catalogue::ReadCatalogueText;
using catalogue::Text;

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

    // Runs also in a modal window's loop; waits while an action's events or a closed press
    // unwind, and while a recording is read, until the window shown is the one expected.
    void step()
    {
        if (!settled() && (m_waits++ == 0 || m_waited.elapsed() < 20000)) {
            if (m_waits == 1)
                m_waited.start();
            return QTimer::singleShot(m_waits > 100, this, &tst_RandomUse::step);
        }
        const bool stuck = std::exchange(m_waits, 0) > 0 && !settled();
        QString diff = firstDifference();
        if (diff.isEmpty() && stuck)
            diff = QStringLiteral("never settles, modal window: %1")
                       .arg(QApplication::activeModalWidget()
                                ? QApplication::activeModalWidget()->metaObject()->className()
                                : "none");
        if (!diff.isEmpty())
            m_failure = QString::asprintf("seed %u, action %d (%ls): %ls", m_seed, m_done,
                                          qUtf16Printable(m_last), qUtf16Printable(diff));
        if (!m_failure.isEmpty() || (m_done >= m_actions && !modalExpected())) {
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

    bool modalExpected() const
    {
        return m_model->windowOpen || m_model->reading || m_model->message;
    }

    bool settled()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (m_pressing ? !modal : m_busy)
            return false;
        if (m_model->reading)
            return qobject_cast<toolkit::ProgressDialog *>(modal);
        if (m_model->message)
            return qobject_cast<QMessageBox *>(modal);
        if (m_model->windowOpen)
            return qobject_cast<interpretation::Fehlerbeschreibung *>(modal);
        QMimeData probe; // the window takes a drop only when it has finished with the last one
        probe.setUrls({QUrl::fromLocalFile(m_dir.path())});
        bool idle = false;
        m_form->Form_OLEDragOver(&probe, idle);
        return m_pressing || (!modal && idle);
    }

    void act()
    {
        const int box = pick(6), kind = pick(100);
        QWidget *modal = QApplication::activeModalWidget();
        if (m_model->message && (kind < 15 || m_done > m_actions)) {
            m_last = QStringLiteral("close the message");
            m_model->closeMessage();
            closeModal(modal, qobject_cast<QMessageBox *>(modal)->buttons().value(0));
        } else if (m_model->reading && (kind < 8 || m_done > m_actions)) {
            m_last = QStringLiteral("cancel the reading");
            m_model->cancelReading();
            closeModal(modal, qobject_cast<toolkit::ProgressDialog *>(modal)->Cancel);
        } else if (m_model->windowOpen && (kind < 15 || m_done > m_actions)) {
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
        } else if (kind < 83) {
            keyOrWheel(box, kind < 72);
        } else if (kind < 88) {
            dropRecording();
        } else if (kind < 99 || pick(3)) {
            m_model->pressDisplay();
            const QScopedValueRollback pressing(m_pressing, true); // until its window closes
            press(m_form->findChild<QPushButton *>("Command3"), pick(4));
        } else {
            m_model->exit();
            if (pick(3) || modalExpected()) // a blocked window gets no close box
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

    // Closes a message or the progress window by Enter, Escape, its button or its close box.
    void closeModal(QWidget *modal, QAbstractButton *button)
    {
        const int how = pick(4);
        m_last += std::array{" by Enter", " by Escape", " by its button", " by its close box"}[how];
        if (how < 2)
            QTest::keyClick(modal->windowHandle(), how ? Qt::Key_Escape : Qt::Key_Return);
        else
            how == 2 ? QTest::mouseClick(button, Qt::LeftButton) : void(modal->close());
    }

    // A recording as the decoder will see it: the fake decoder plays its lines.
    QString recording(const QByteArray &lines, const QString &suffix = QStringLiteral(".mp4"))
    {
        QFile file(m_dir.filePath(QString("rec%1%2").arg(++m_files).arg(suffix)));
        if (!file.open(QIODevice::WriteOnly) || file.write(lines) != lines.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return file.fileName();
    }

    static QString text(Text key, double value = 0)
    {
        return ReadCatalogueText(key).replace("%1", QString::number(value));
    }

    struct Drop {
        QStringList paths;
        QString decoder = FAKE_DECODER;
        qint64 limitMs = 0;
        enum { Decoded, Message, Reading } outcome = Message;
        int colour = -1, pattern = -1;
        std::array<int, 4> flashes{};
        QStringList message; // what the message must say
    };

    // A drop and what the user must see of it, one kind of decoder answer or file each.
    Drop makeDrop()
    {
        Drop d;
        const int kind = pick(10), status = pick(3);
        const double value = pick(400) / 4.0; // as the message shows it, to four digits
        d.colour = kind < 2 || kind == 6 ? pick(3) : pick(4) - 1, d.pattern = pick(3);
        QStringList digits;
        for (int &flashes : d.flashes)
            digits << QString::number(flashes = 1 + pick(16));
        const QString flashes = digits.join(", ");
        const int known = pick(8) ? pick(catalogue::RecordingReasonCount) : -1;
        const QByteArray reason =
            known < 0 ? "blurry_lens"
                      : catalogue::catalogueKey(catalogue::recordingReason(known)).word;
        // The decoder's answer, written as the decoder writes it; `known`: with its reading.
        const auto result = [&](decoding::Status status, bool known) {
            decoding::DecoderReading r;
            r.status = status, r.reason = reason, r.reasonValue = value;
            if (known)
                r.colour = d.colour, r.pattern = d.colour ? -1 : d.pattern,
                r.flashes = d.colour ? d.flashes : std::array<int, 4>{};
            return decoding::resultLine(r);
        };
        using enum decoding::Status;
        const QByteArray progress = "progress 0.5 0\nprogress 2 8.5\nglimpse {\"colour\":\"red\","
                                    "\"curve_start_ms\":0,\"curve_step_ms\":100,\"curve\":[0,"
                                    "90,5],\"spans\":[[0,50,1,\"flash\"]]}\n";
        // What the decoder says of a file that holds no video, and the next file it then reads.
        const QByteArray noVideo = "@next\nresult {\"status\":\"error\",\"reason\":\"not_a_video\"}"
                                   "\n@exit 1\n";
        QList<QByteArray> garbage =
            QByteArray("hello|progress x 8|result {|result [1]|\xff|file 1|glimpse {}").split('|');
        garbage << result(Decoded, true) + "@exit 1" << result(Unsure, true) + "progress 8 8"
                << QByteArray(70000, 'x') << result(Unsure, true).replace("unsure", "maybe")
                << result(Decoded, false);
        switch (kind) {
        case 0: // decoded, perhaps the one video among several files
        case 1:
            d.outcome = Drop::Decoded;
            d.paths = {recording(progress + result(Decoded, true) + "@exit 0\n")};
            if (kind == 1) // a text file by its name or a video by its name only, or a folder
                d.paths.prepend(pick(3) ? recording(noVideo, pick(2) ? ".txt" : ".mp4")
                                        : m_dir.path());
            return d;
        case 2: // unsure or failed: the reason, and the best reading labelled as unsure
            d.paths = {recording(result(status ? Unsure : Error, status == 1) + "@exit 1\n")};
            d.message = {text(status ? Text::RecordingUnsure : Text::RecordingNotRead),
                         text(Text::RecordingNothingChosen),
                         text(catalogue::recordingReason(qMax(known, 0)), value)};
            if (status == 1)
                d.message << ReadCatalogueText(Text::RecordingBestReading).section("%1", 0, 0)
                          << (d.colour ? flashes
                                       : ReadCatalogueText(catalogue::patternName(d.pattern)))
                          << ReadCatalogueText(catalogue::colourName(qMax(d.colour, 0)))
                                 .left(d.colour < 0 ? 0 : -1); // no colour: none named
            return d;
        case 3: // no answer: cancelled by the user, or after a time limit
            d.limitMs = pick(2) ? 0 : 100;
            d.outcome = d.limitMs ? Drop::Message : Drop::Reading;
            d.paths = {recording(progress + "@hang\n")},
            d.message = {text(Text::RecordingTimeLimit)};
            return d;
        case 4: // crashed, or ended without a result
            d.paths = {recording(progress + (status ? "@crash\n" : "@exit 1\n"))};
            return d.message = {text(Text::RecordingCrashed)}, d;
        case 5:
            d.paths = {recording(progress + garbage[pick(int(garbage.size()))] + '\n')};
            return d.message = {text(Text::RecordingAnswerUnreadable)}, d;
        case 6: // deleted while the decoder reads it
            d.paths = {recording(progress + "@delete\n" + result(Decoded, true))};
            return d.message = {text(Text::RecordingFileChanged)}, d;
        case 7:
            return d.paths = {m_dir.path()}, d.message = {text(Text::RecordingFolder)}, d;
        case 8:
            d.paths = {recording(noVideo, ".mp4"), m_dir.path(), recording(noVideo, ".txt")};
            return d.message = {text(Text::RecordingNotRead), text(catalogue::recordingReason(int(
                                                                  blinkcode::Reason::NotAVideo)))},
                   d;
        default:
            d.decoder = m_dir.filePath("missing/kestrion-blinkcode-decode");
            d.paths = {recording(progress)},
            d.message = {text(Text::RecordingProgramMissing), d.decoder};
            return d;
        }
    }

    // Drops files on the window, or opens one with Ctrl+O; refused unless the window takes input.
    void dropRecording()
    {
        const Drop d = makeDrop();
        m_form->setDecoder(d.decoder, d.limitMs);
        const bool dialog = d.paths.size() == 1 && !QFileInfo(d.paths[0]).isDir() && !pick(4);
        m_last = QString("%1 %2").arg(dialog ? "open with Ctrl+O" : "drop", d.paths.join(' '));
        const bool taken = m_model->startReading();
        if (taken) {
            if (d.outcome == Drop::Decoded)
                m_model->readDecoded(d.colour, d.pattern, d.flashes);
            else if (d.outcome == Drop::Message)
                m_model->tell();
            m_message = d.message;
        }
        if (dialog) {
            if (!QApplication::activeModalWidget()) { // the main window gets the keyboard back
                m_form->activateWindow();
                (void)QTest::qWaitForWindowActive(m_form.get(), 1000);
            }
            m_fileToChoose = d.paths[0];
            chooseInFileDialog();
            // Releasing the keys runs the event loop, which may read the recording meanwhile.
            const QScopedValueRollback pressing(m_pressing, true);
            QTest::keySequence(mainWindow(), QKeySequence(Qt::CTRL | Qt::Key_O));
            return m_fileToChoose.clear();
        }
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &path : d.paths)
            urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        QDragEnterEvent enter(centreOf(m_form.get()), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(m_form.get(), &enter);
        QDropEvent drop(centreOf(m_form.get()), Qt::CopyAction, &data, Qt::LeftButton, {});
        if (enter.isAccepted())
            QApplication::sendEvent(m_form.get(), &drop);
        m_dropTaken = enter.isAccepted() && drop.isAccepted(), m_dropExpected = taken;
    }

    // Chooses the file in the file dialog once Ctrl+O has opened one; the key
    // presses Ctrl first, which runs the event loop before the dialog opens.
    void chooseInFileDialog()
    {
        if (auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            chooser->selectFile(std::exchange(m_fileToChoose, {}));
            static_cast<QDialog *>(chooser)->accept(); // its Open button
        } else if (!m_fileToChoose.isEmpty()) {
            QTimer::singleShot(0, this, &tst_RandomUse::chooseInFileDialog);
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
        check("drop taken", m_dropTaken, m_dropExpected);
        QWidget *modal = QApplication::activeModalWidget();
        check("progress window shown", qobject_cast<toolkit::ProgressDialog *>(modal) != nullptr,
              m.reading);
        auto *box = qobject_cast<QMessageBox *>(modal);
        check("message shown", box != nullptr, m.message);
        for (const QString &part : m.message &&box ? m_message : QStringList())
            check("message saying " + part, box->text().contains(part), true);
        check("a decoder running", hasChildProcess(), m.reading);
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
        check("window caption", w->windowTitle(), ReadCatalogueText(Text::Form2Caption));
        check("frame caption", w->Frame1->title(),
              c < 3 ? ReadCatalogueText(catalogue::groupCaption(c)) : "Frame1");
        for (int n = 0; n < 16; ++n) {
            check(QString("row %1 text").arg(n), w->Label1[n]->text(),
                  c < 3 ? ReadCatalogueText(catalogue::causeText(n, c)) : "Label1");
            check(QString("row %1 hand shown").arg(n), !w->Image1[n]->isHidden(), m.bitSet[n]);
            check(QString("row %1 text not greyed").arg(n), w->Label1[n]->isEnabled(), m.bitSet[n]);
        }
        return diff;
    }

    // Whether this process has a child, also one ended but not yet waited for.
    static bool hasChildProcess()
    {
        siginfo_t info{};
        return waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT | __WALL) == 0;
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
    int m_done = 0, m_idleTicks = 0, m_waits = 0, m_files = 0;
    bool m_busy = false, m_pressing = false;          // an action, a display press under way
    bool m_dropTaken = false, m_dropExpected = false; // by the last drop
    QElapsedTimer m_waited;
    QTemporaryDir m_dir;    // the recordings dropped
    QStringList m_message;  // what the message shown must say
    QString m_fileToChoose; // in the file dialog that Ctrl+O opens
    QString m_last, m_failure;
};

// The program writes no file: the random use runs with an empty home, which must stay empty,
// and so writes nothing into the tester's.
int main(int argc, char *argv[])
{
    QTemporaryDir home;
    for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"})
        qputenv(name, home.path().toLocal8Bit());
    QApplication app(argc, argv);
    tst_RandomUse test;
    const int failed = QTest::qExec(&test, argc, argv);
    const QStringList written =
        QDir(home.path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    if (!written.isEmpty())
        qCritical("FAIL: the program wrote into its home: %s", qPrintable(written.join(' ')));
    return failed + int(!written.isEmpty());
}

#include "tst_randomuse.moc"
