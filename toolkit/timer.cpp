#include "timer.h"

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

// Measures one interval at a time and raises the owner's `timer` when it has
// elapsed, and every interval after that.
class TimerEngine
{
public:
    virtual ~TimerEngine() = default;

    // Arms the timer to fire `ms` milliseconds from now and every `ms` after.
    // An interval of 0 raises no events, as with the classic timer.
    virtual void start(int ms) = 0;

    // Disarms the timer: no more events, no wake-ups.
    virtual void stop() = 0;
};

namespace {

// Qt's precise timer: the event dispatcher's own clock, to about a millisecond.
class QtTimerEngine final : public TimerEngine
{
public:
    explicit QtTimerEngine(Timer *owner) : m_timer(new QTimer(owner))
    {
        m_timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(m_timer, &QTimer::timeout, owner, &Timer::timer);
    }

    void start(int ms) override
    {
        if (ms <= 0)
            m_timer->stop();
        else
            m_timer->start(ms);
    }

    void stop() override { m_timer->stop(); }

private:
    QTimer *m_timer; // owned by the Timer
};

#ifdef Q_OS_LINUX
// A timerfd on CLOCK_MONOTONIC that the event loop watches.
class TimerFdEngine final : public TimerEngine
{
public:
    // Takes the descriptor that timerfd_create() gave.
    TimerFdEngine(Timer *owner, int fd)
        : m_owner(owner), m_fd(fd), m_notifier(new QSocketNotifier(fd, QSocketNotifier::Read))
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
        m_deadline = monotonicNs() + m_period;
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
    static qint64 monotonicNs()
    {
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
    }

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
        const qint64 now = monotonicNs();
        const qint64 late = now - (m_deadline - m_latency);
        m_latency = std::clamp<qint64>((3 * m_latency + late) / 4, 0, 2000000);
        // The next one, unless the handler re-arms; after a stall the count
        // starts afresh rather than catching up with a burst of events.
        m_deadline = m_deadline + m_period > now ? m_deadline + m_period : now + m_period;
        arm();
        emit m_owner->timer();
    }

    Timer *m_owner;
    int m_fd;
    std::unique_ptr<QSocketNotifier> m_notifier;
    qint64 m_period = 0;   // ns
    qint64 m_deadline = 0; // ns on CLOCK_MONOTONIC
    qint64 m_latency = 0;  // ns
};
#endif

std::unique_ptr<TimerEngine> makeEngine(Timer *owner, Timer::Clock clock)
{
#ifdef Q_OS_LINUX
    if (clock == Timer::Clock::Native) {
        const int fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (fd >= 0)
            return std::make_unique<TimerFdEngine>(owner, fd);
    }
#else
    Q_UNUSED(clock);
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

} // namespace toolkit
