#include "timer.h"

#include <QSignalSpy>
#include <QTest>

using toolkit::Timer;
using Touch = void (*)(Timer &);
using Ms = QList<qint64>;
constexpr qint64 ms = 1000000; // ns

class tst_Timer : public QObject
{
    Q_OBJECT

private slots:
    // A 200 ms timer on the clock the test moves, touched 150 ms after it was enabled:
    // its first two events, in ms after enabling. A stalled loop (a busy handler, a
    // suspended machine) gets one late event, then a full interval, not a burst.
    void touch_data()
    {
        QTest::addColumn<Touch>("touch");
        QTest::addColumn<Ms>("events");
        QTest::newRow("setInterval restarts")
            << Touch([](Timer &t) { t.setInterval(200); }) << Ms{350, 550};
        QTest::newRow("enabled again")
            << Touch([](Timer &t) { t.setEnabled(true); }) << Ms{200, 400};
        QTest::newRow("disabled, then a new interval")
            << Touch([](Timer &t) { t.setEnabled(false), t.setInterval(200); }) << Ms{};
        QTest::newRow("stalled loop")
            << Touch([](Timer &) { Timer::advanceManualClock(300 * ms, 250 * ms); })
            << Ms{450, 650};
    }

    void touch()
    {
        QFETCH(Touch, touch);
        Timer timer(nullptr, Timer::Clock::Manual);
        const qint64 start = Timer::manualClockNs();
        Ms events;
        connect(&timer, &Timer::timer, [&] { events << (Timer::manualClockNs() - start) / ms; });
        timer.setInterval(200);
        timer.setEnabled(true);
        Timer::advanceManualClock(150 * ms); // enabling starts a full interval
        touch(timer);
        Timer::advanceManualClock(1000 * ms);
        QTEST(events.mid(0, 2), "events");
    }

    // The real clocks raise events while enabled with an interval, none otherwise.
    void realClocks()
    {
        for (const Timer::Clock clock : {Timer::Clock::Native, Timer::Clock::Qt}) {
            Timer timer(nullptr, clock);
            QSignalSpy spy(&timer, &Timer::timer);
            timer.setEnabled(true);
            QVERIFY(!spy.wait(200)); // interval 0
            timer.setInterval(20);
            QVERIFY(spy.wait(5000) && spy.wait(5000)); // and every interval after
            timer.setEnabled(false), spy.clear();
            QVERIFY(!spy.wait(200));
        }
    }
};

QTEST_MAIN(tst_Timer)
#include "tst_timer.moc"
