#include "timer.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

using toolkit::Timer;

class tst_Timer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data();
    void firesOncePerInterval();
    void disabledTimerIsSilent_data();
    void disabledTimerIsSilent();
    void settingIntervalRestartsCount();
    void enablingAgainDoesNotRestart();
    void firesDuringModalWindow();
    void stallDoesNotCatchUp();
};

// Every test runs once per clock, with the same expectations.
void tst_Timer::initTestCase_data()
{
    QTest::addColumn<Timer::Clock>("engine");
    QTest::newRow("native") << Timer::Clock::Native;
    QTest::newRow("Qt precise timer") << Timer::Clock::Qt;
}

void tst_Timer::firesOncePerInterval()
{
    QFETCH_GLOBAL(Timer::Clock, engine);
    Timer timer(nullptr, engine);
    timer.setInterval(20);
    QSignalSpy spy(&timer, &Timer::timer);
    timer.setEnabled(true);
    QTRY_VERIFY(spy.size() >= 3);
}

void tst_Timer::disabledTimerIsSilent_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("enable");
    QTest::addColumn<bool>("disable");
    QTest::newRow("never enabled") << 10 << false << false;
    QTest::newRow("enabled, then disabled") << 10 << true << true;
    QTest::newRow("interval 0 raises nothing") << 0 << true << false;
}

void tst_Timer::disabledTimerIsSilent()
{
    QFETCH(int, interval);
    QFETCH(bool, enable);
    QFETCH(bool, disable);
    QFETCH_GLOBAL(Timer::Clock, engine);
    Timer timer(nullptr, engine);
    timer.setInterval(interval);
    QSignalSpy spy(&timer, &Timer::timer);
    timer.setEnabled(enable);
    if (disable)
        timer.setEnabled(false);
    QTest::qWait(60);
    QCOMPARE(spy.size(), 0);
}

// Both tests set a 200 ms interval and touch the timer 150 ms later: a restart
// puts the first event at 350 ms, no restart leaves it at 200 ms.
void tst_Timer::settingIntervalRestartsCount()
{
    QFETCH_GLOBAL(Timer::Clock, engine);
    Timer timer(nullptr, engine);
    QElapsedTimer clock;
    clock.start();
    timer.setInterval(200);
    timer.setEnabled(true);
    QSignalSpy spy(&timer, &Timer::timer);
    QTest::qWait(150);
    QCOMPARE(spy.size(), 0);
    timer.setInterval(200);
    QVERIFY(spy.wait(1000));
    QVERIFY(clock.elapsed() >= 345); // the timer may end a fraction of a ms early
}

void tst_Timer::enablingAgainDoesNotRestart()
{
    QFETCH_GLOBAL(Timer::Clock, engine);
    Timer timer(nullptr, engine);
    QElapsedTimer clock;
    clock.start();
    timer.setInterval(200);
    timer.setEnabled(true);
    QSignalSpy spy(&timer, &Timer::timer);
    QTest::qWait(150);
    timer.setEnabled(true);
    QVERIFY(spy.wait(1000));
    QVERIFY(clock.elapsed() < 340);
}

void tst_Timer::firesDuringModalWindow()
{
    QFETCH_GLOBAL(Timer::Clock, engine);
    Timer timer(nullptr, engine);
    timer.setInterval(10);
    QSignalSpy spy(&timer, &Timer::timer);
    timer.setEnabled(true);
    QDialog dialog;
    QTimer::singleShot(200, &dialog, &QDialog::accept);
    dialog.exec();
    QVERIFY(spy.size() >= 3);
}

// A loop held up for five intervals (a busy handler, a suspended machine) gets
// one late event and then the normal rate, not a burst of the missed ones.
void tst_Timer::stallDoesNotCatchUp()
{
    QFETCH_GLOBAL(Timer::Clock, engine);
    Timer timer(nullptr, engine);
    timer.setInterval(20);
    QSignalSpy spy(&timer, &Timer::timer);
    timer.setEnabled(true);
    QThread::msleep(100);
    QTest::qWait(30);
    QVERIFY(spy.size() >= 1);
    QVERIFY(spy.size() <= 2);
}

QTEST_MAIN(tst_Timer)
#include "tst_timer.moc"
