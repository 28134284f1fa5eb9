#pragma once

#include <QObject>
#include <memory>

namespace toolkit {

// A millisecond timer with the classic Interval/Enabled pair. While enabled it
// raises `timer` once per interval on the GUI thread, also while a modal window
// runs its own event loop. Enabling starts a full interval, disabling stops it,
// and setting the interval of an enabled timer restarts the count. A disabled
// timer causes no wake-ups at all.
//
// On Linux the interval is measured by a timerfd that the event loop watches,
// so it ends on time to well under a millisecond; elsewhere Qt's precise timer.
class Timer : public QObject
{
    Q_OBJECT

public:
    explicit Timer(QObject *parent = nullptr);
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
    class Engine;
    int m_interval = 0;
    bool m_enabled = false;
    std::unique_ptr<Engine> m_engine;
};

} // namespace toolkit
