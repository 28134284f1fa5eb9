#pragma once

#include <QObject>
#include <memory>

namespace toolkit {

class TimerEngine;

// A millisecond timer with the classic Interval/Enabled pair. While enabled it
// raises `timer` once per interval on the GUI thread, also while a modal window
// runs its own event loop. Enabling starts a full interval, disabling stops it,
// and setting the interval of an enabled timer restarts the count. A disabled
// timer causes no wake-ups at all.
//
// On Linux the interval is measured by a timerfd that the event loop watches,
// so it ends on time to well under a millisecond; elsewhere Qt's precise timer,
// which Linux can run as well, so that the tests cover both.
class Timer : public QObject
{
    Q_OBJECT

public:
    // What measures the interval.
    enum class Clock {
        Native, // the timerfd on Linux; Qt's precise timer elsewhere or without a timerfd
        Qt,     // Qt's precise timer, on every system
        Manual, // a clock that moves only when advanceManualClock() moves it
    };

    explicit Timer(QObject *parent = nullptr, Clock clock = Clock::Native);
    ~Timer() override;

    // The interval in milliseconds.
    int interval() const { return m_interval; }

    // Sets the interval; an enabled timer starts counting it afresh.
    void setInterval(int milliseconds);

    // Whether the timer runs.
    bool isEnabled() const { return m_enabled; }

    // Starts a full interval (true) or stops the timer (false).
    void setEnabled(bool enabled);

    // Replaces what measures the interval; an enabled timer starts a full
    // interval on the new clock.
    void setClock(Clock clock);

    // Moves the manual clock on by `ns` and raises the ticks of the manual
    // timers that fall due meanwhile, in the order they are due, each noticed
    // `lateNs` after its deadline as an event loop would notice it. Hours of
    // blinking play in a moment, on a timeline that is exactly known.
    static void advanceManualClock(qint64 ns, qint64 lateNs = 0);

    // The manual clock's time in ns.
    static qint64 manualClockNs();

signals:
    void timer();

private:
    int m_interval = 0;
    bool m_enabled = false;
    std::unique_ptr<TimerEngine> m_engine;
};

} // namespace toolkit
