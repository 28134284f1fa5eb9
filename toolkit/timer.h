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

signals:
    void timer();

private:
    int m_interval = 0;
    bool m_enabled = false;
    std::unique_ptr<TimerEngine> m_engine;
};

} // namespace toolkit
