#include "timer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

using toolkit::Timer;
using Touch = void (*)(Timer &);

class tst_Timer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data()
    {
        QTest::addColumn<Timer::Clock>("clock");
        QTest::newRow("timerfd") << Timer::Clock::Native;
        QTest::newRow("Qt precise timer") << Timer::Clock::Qt;
    }

    // A 200 ms timer, touched 150 ms after it was enabled: its first event, in ms
    // after enabling (-1: none), and the next a full interval later. A stalled loop
    // (a busy handler, a suspended machine) gets one late event, not a burst.
    void touch_data()
    {
        QTest::addColumn<Touch>("touch");
        QTest::addColumn<int>("first");
        QTest::newRow("setInterval restarts") << Touch([](Timer &t) { t.setInterval(200); }) << 350;
        QTest::newRow("enabled again") << Touch([](Timer &t) { t.setEnabled(true); }) << 200;
        QTest::newRow("disabled, then a new interval")
            << Touch([](Timer &t) { t.setEnabled(false), t.setInterval(200); }) << -1;
        QTest::newRow("interval 0") << Touch([](Timer &t) { t.setInterval(0); }) << -1;
        QTest::newRow("stalled loop") << Touch([](Timer &) { QThread::msleep(300); }) << 450;
    }

    void touch()
    {
        QFETCH_GLOBAL(Timer::Clock, clock);
        QFETCH(Touch, touch);
        QFETCH(int, first);
        Timer timer(nullptr, clock);
        QSignalSpy spy(&timer, &Timer::timer);
        QElapsedTimer elapsed;
        elapsed.start();
        timer.setInterval(200);
        timer.setEnabled(true);
        QVERIFY(!spy.wait(150)); // enabling starts a full interval
        touch(timer);
        QCOMPARE(spy.wait(first < 0 ? 300 : 1000), first >= 0);
        if (first < 0)
            return;
        // The timer may end a fraction of a ms early, and late on a loaded machine.
        QVERIFY(elapsed.elapsed() >= first - 5 && elapsed.elapsed() < first + 140);
        QVERIFY(!spy.wait(50));
        QVERIFY(spy.wait(400));
    }
};

QTEST_MAIN(tst_Timer)
#include "tst_timer.moc"
