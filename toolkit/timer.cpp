#include "timer.h"

#include <QList>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <chrono>

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
    explicit TimerEngine(Timer *owner) : m_owner(owner) {}
    virtual ~TimerEngine() = default;

    // Arms the timer to fire `ms` milliseconds from now and every `ms` after.
    // An interval of 0 raises no events, as with the classic timer.
    virtual void start(int ms) = 0;

    // Disarms the timer: no more events, no wake-ups.
    virtual void stop() = 0;

protected:
    // The time in ns on the clock the timerfd counts in (CLOCK_MONOTONIC on Linux).
    static qint64 nowNs()
    {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    // Where an interval that is started at `now` begins. A handler that re-arms
    // the timer from its own tick starts the next interval on that tick's
    // deadline: the few microseconds the handler takes would otherwise add up
    // to seconds over hours of blinking. A tick that came late, after a stall,
    // starts the count afresh from now instead of catching up.
    qint64 intervalStart(qint64 now) const
    {
        return m_tick >= 0 && now - m_tick < StallNs ? m_tick : now;
    }

    // The next deadline after the tick due at `deadline`, noticed at `now`.
    qint64 nextDeadline(qint64 deadline, qint64 period, qint64 now) const
    {
        return deadline + period > now ? deadline + period : now + period;
    }

    // Raises the owner's `timer` for the tick that was due at `deadline`.
    void raise(qint64 deadline)
    {
        const QPointer<Timer> alive(m_owner);
        m_tick = deadline;
        emit m_owner->timer();
        if (alive) // the handler may have destroyed the timer with its window
            m_tick = -1;
    }

    // A tick noticed this late or later came after a stall.
    static constexpr qint64 StallNs = 2000000;
    Timer *m_owner;

private:
    qint64 m_tick = -1; // the deadline of the tick being handled, ns
};

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

// A clock shared by all manual timers, which moves only when told to.
class ManualTimerEngine final : public TimerEngine
{
public:
    explicit ManualTimerEngine(Timer *owner) : TimerEngine(owner) { engines().append(this); }
    ~ManualTimerEngine() override { engines().removeOne(this); }

    void start(int ms) override
    {
        m_armed = ms > 0;
        m_period = qint64(ms) * 1000000;
        m_deadline = intervalStart(s_now) + m_period;
    }

    void stop() override { m_armed = false; }

    static qint64 now() { return s_now; }

    static void advance(qint64 ns, qint64 lateNs)
    {
        const qint64 end = s_now + ns;
        // Looked for afresh after each tick: a handler may start, stop or
        // destroy timers.
        while (ManualTimerEngine *next = firstDue(end - lateNs)) {
            s_now = std::max(s_now, next->m_deadline + lateNs);
            const qint64 due = next->m_deadline;
            next->m_deadline = next->nextDeadline(due, next->m_period, s_now);
            next->raise(due);
        }
        s_now = end;
    }

private:
    static QList<ManualTimerEngine *> &engines()
    {
        static QList<ManualTimerEngine *> all;
        return all;
    }

    static ManualTimerEngine *firstDue(qint64 by)
    {
        ManualTimerEngine *first = nullptr;
        for (ManualTimerEngine *engine : engines()) {
            if (engine->m_armed && engine->m_deadline <= by &&
                (!first || engine->m_deadline < first->m_deadline))
                first = engine;
        }
        return first;
    }

    static inline qint64 s_now = 0;
    bool m_armed = false;
    qint64 m_period = 0;
    qint64 m_deadline = 0;
};

std::unique_ptr<TimerEngine> makeEngine(Timer *owner, Timer::Clock clock)
{
    if (clock == Timer::Clock::Manual)
        return std::make_unique<ManualTimerEngine>(owner);
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

void Timer::advanceManualClock(qint64 ns, qint64 lateNs)
{
    ManualTimerEngine::advance(ns, lateNs);
}

qint64 Timer::manualClockNs()
{
    return ManualTimerEngine::now();
}

} // namespace toolkit
