#pragma once

#include "timer.h"

#include <QPointer>
#include <chrono>
#include <memory>

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

// A timer on the manual clock, which moves only when Timer::advanceManualClock moves it.
std::unique_ptr<TimerEngine> makeManualEngine(Timer *owner);

} // namespace toolkit
