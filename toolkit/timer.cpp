#include "timer.h"

#include "timerengine.h"

#include <QTimer>
#include <algorithm>

#ifdef Q_OS_LINUX
#include <QSocketNotifier>
#include <cstdint>
#include <ctime>
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace toolkit {

namespace {

// Qt's precise timer, single-shot and re-armed for each deadline, so that it
// keeps to the same timeline as the timerfd; its events come to about a
// millisecond.
class QtTimerEngine final : public TimerEngine
{
public:
    explicit QtTimerEngine(Timer *owner) : TimerEngine(owner), m_timer(new QTimer(owner))
    {
        m_timer->setTimerType(Qt::PreciseTimer);
        m_timer->setSingleShot(true);
        QObject::connect(m_timer, &QTimer::timeout, owner, [this] { expired(); });
    }

    void start(int ms) override
    {
        if (ms <= 0) {
            stop();
            return;
        }
        m_period = qint64(ms) * 1000000;
        const qint64 now = nowNs();
        m_deadline = intervalStart(now) + m_period;
        arm(now);
    }

    ~QtTimerEngine() override { delete m_timer; }

    void stop() override { m_timer->stop(); }

private:
    void arm(qint64 now)
    {
        m_timer->start(int(std::max<qint64>(0, (m_deadline - now + 500000) / 1000000)));
    }

    void expired()
    {
        const qint64 now = nowNs();
        const qint64 due = m_deadline;
        m_deadline = nextDeadline(due, m_period, now); // unless the handler re-arms
        arm(now);
        raise(due);
    }

    QTimer *m_timer; // owned by the Timer
    qint64 m_period = 0;
    qint64 m_deadline = 0;
};

#ifdef Q_OS_LINUX
// A timerfd on CLOCK_MONOTONIC that the event loop watches.
class TimerFdEngine final : public TimerEngine
{
public:
    // Takes the descriptor that timerfd_create() gave.
    TimerFdEngine(Timer *owner, int fd)
        : TimerEngine(owner), m_fd(fd), m_notifier(new QSocketNotifier(fd, QSocketNotifier::Read))
    {
        m_notifier->setEnabled(false);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, owner,
                         [this] { expired(); });
    }

    ~TimerFdEngine() override
    {
        m_notifier.reset(); // the notifier watches the descriptor: it goes first
        ::close(m_fd);
    }

    void start(int ms) override
    {
        if (ms <= 0) {
            stop();
            return;
        }
        m_period = qint64(ms) * 1000000;
        m_deadline = intervalStart(nowNs()) + m_period;
        arm();
        m_notifier->setEnabled(true);
    }

    void stop() override
    {
        const itimerspec disarm{};
        ::timerfd_settime(m_fd, 0, &disarm, nullptr);
        m_notifier->setEnabled(false);
    }

private:
    // Arms the timerfd for the deadline, early by the time the event loop
    // takes to notice an expiry, so that `timer` is raised on the deadline.
    void arm()
    {
        const qint64 at = m_deadline - m_latency;
        itimerspec expiry{};
        expiry.it_value.tv_sec = time_t(at / 1000000000);
        expiry.it_value.tv_nsec = long(at % 1000000000);
        ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &expiry, nullptr);
    }

    void expired()
    {
        std::uint64_t count = 0;
        if (::read(m_fd, &count, sizeof count) != sizeof count)
            return; // nothing elapsed yet, or the timer was re-armed meanwhile
        // How late the loop noticed the expiry: a running average, kept within
        // 0 to 2 ms so that an odd stall does not make later ticks early.
        const qint64 now = nowNs();
        const qint64 late = now - (m_deadline - m_latency);
        m_latency = std::clamp<qint64>((3 * m_latency + late) / 4, 0, MaxLatencyNs);
        const qint64 due = m_deadline;
        m_deadline = nextDeadline(due, m_period, now); // unless the handler re-arms
        arm();
        raise(due);
    }

    // The timerfd is armed at most this much early.
    static constexpr qint64 MaxLatencyNs = 2000000;

    int m_fd;
    std::unique_ptr<QSocketNotifier> m_notifier;
    qint64 m_period = 0;   // ns
    qint64 m_deadline = 0; // ns on CLOCK_MONOTONIC
    qint64 m_latency = 0;  // ns
};
#endif

std::unique_ptr<TimerEngine> makeEngine(Timer *owner, Timer::Clock clock)
{
    if (clock == Timer::Clock::Manual)
        return makeManualEngine(owner);
#ifdef Q_OS_LINUX
    if (clock == Timer::Clock::Native) {
        const int fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (fd >= 0)
            return std::make_unique<TimerFdEngine>(owner, fd);
    }
#endif
    return std::make_unique<QtTimerEngine>(owner);
}

} // namespace

Timer::Timer(QObject *parent, Clock clock) : QObject(parent), m_engine(makeEngine(this, clock)) {}

Timer::~Timer() = default;

void Timer::setInterval(int milliseconds)
{
    m_interval = milliseconds;
    if (m_enabled)
        m_engine->start(m_interval);
}

void Timer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return; // enabling a running timer does not restart its count
    m_enabled = enabled;
    if (m_enabled)
        m_engine->start(m_interval);
    else
        m_engine->stop();
}

void Timer::setClock(Clock clock)
{
    m_engine = makeEngine(this, clock); // the old one stops with its destruction
    if (m_enabled)
        m_engine->start(m_interval);
}

} // namespace toolkit
