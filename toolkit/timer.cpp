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

// Measures one interval at a time and calls back when it has elapsed.
class Timer::Engine
{
public:
    explicit Engine(Timer *owner) : m_owner(owner)
    {
#ifdef Q_OS_LINUX
        m_fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (m_fd >= 0) {
            m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, owner);
            m_notifier->setEnabled(false);
            QObject::connect(m_notifier, &QSocketNotifier::activated, owner, [this] { expired(); });
            return;
        }
#endif
        m_fallback = new QTimer(owner);
        m_fallback->setTimerType(Qt::PreciseTimer);
        QObject::connect(m_fallback, &QTimer::timeout, owner, &Timer::timer);
    }

    ~Engine()
    {
#ifdef Q_OS_LINUX
        if (m_fd >= 0) {
            delete m_notifier;
            ::close(m_fd);
        }
#endif
    }

    // Arms the timer to fire `ms` milliseconds from now and every `ms` after.
    // An interval of 0 raises no events, as with the classic timer.
    void start(int ms)
    {
        if (ms <= 0) {
            stop();
            return;
        }
#ifdef Q_OS_LINUX
        if (m_fd >= 0) {
            m_period = qint64(ms) * 1000000;
            m_deadline = monotonicNs() + m_period;
            arm();
            m_notifier->setEnabled(true);
            return;
        }
#endif
        m_fallback->start(ms);
    }

    void stop()
    {
#ifdef Q_OS_LINUX
        if (m_fd >= 0) {
            const itimerspec disarm{};
            ::timerfd_settime(m_fd, 0, &disarm, nullptr);
            m_notifier->setEnabled(false);
            return;
        }
#endif
        m_fallback->stop();
    }

private:
#ifdef Q_OS_LINUX
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

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    qint64 m_period = 0;   // ns
    qint64 m_deadline = 0; // ns on CLOCK_MONOTONIC
    qint64 m_latency = 0;  // ns
#endif
    Timer *m_owner;
    QTimer *m_fallback = nullptr;
};

Timer::Timer(QObject *parent) : QObject(parent), m_engine(std::make_unique<Engine>(this)) {}

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
