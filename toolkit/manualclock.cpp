#include "timerengine.h"

#include <QList>
#include <algorithm>

namespace toolkit {

namespace {

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

} // namespace

std::unique_ptr<TimerEngine> makeManualEngine(Timer *owner)
{
    return std::make_unique<ManualTimerEngine>(owner);
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
