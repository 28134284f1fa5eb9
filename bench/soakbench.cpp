// Leaves the flash code 16, 16, 16, 16 running on the real main window and its
// real timer for a long time, with the interpretation window opened over it and
// closed again every few seconds, and prints whether memory grows and whether
// the LED drifts from the ideal timeline.
//
//   bench_soak [seconds] [seconds between two openings of the window]
//
// The display button arms the sequence once at the start. The window is then
// opened directly, as the button does, but without the button's re-arming, so
// that one unbroken timeline can be compared with the ideal one for the whole run.

#include "blinksequence.h"
#include "combobox.h"
#include "errorword.h"
#include "fehlerbeschreibung.h"
#include "form1.h"
#include "ledcode.h"
#include "shape.h"
#include "timer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <cstdio>

using namespace blinkcode;
using main_window::Form1;

namespace {

QElapsedTimer clock_;

double nowMs()
{
    return clock_.nsecsElapsed() / 1e6;
}

// Current and peak resident memory in KiB, from the kernel's account.
std::pair<long, long> residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    long current = -1, peak = -1;
    if (!status.open(QIODevice::ReadOnly))
        return {current, peak};
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            current = line.mid(6).trimmed().split(' ').value(0).toLong();
        else if (line.startsWith("VmHWM:"))
            peak = line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return {current, peak};
}

void printMemory(const char *when)
{
    const auto [current, peak] = residentKiB();
    std::printf("memory %-5s current %ld KiB, peak %ld KiB\n", when, current, peak);
}

struct Tick {
    double at;    // ms since the sequence was armed
    double ideal; // ms on the ideal timeline
    int phase;    // ideal length of the phase that has just ended, ms
};

// Figures of one cycle: the error of each phase's length, the cycle's length,
// and where it ended against the ideal timeline.
struct Cycle {
    double median = 0, p95 = 0, worst = 0; // per phase, ms
    double length = 0, idealLength = 0;    // ms
    double end = 0;                        // ms after the ideal end
};

Cycle cycleFigures(const QList<Tick> &ticks, qsizetype first, qsizetype last)
{
    QList<double> errors;
    for (qsizetype k = first; k < last; ++k) {
        const double start = k == 0 ? 0 : ticks[k - 1].at;
        errors << std::abs(ticks[k].at - start - ticks[k].phase);
    }
    std::sort(errors.begin(), errors.end());
    Cycle c;
    c.median = errors[errors.size() / 2];
    c.p95 = errors[qsizetype(0.95 * (errors.size() - 1) + 0.5)];
    c.worst = errors.last();
    c.length = ticks[last - 1].at - (first == 0 ? 0 : ticks[first - 1].at);
    c.idealLength = ticks[last - 1].ideal - (first == 0 ? 0 : ticks[first - 1].ideal);
    c.end = ticks[last - 1].at - ticks[last - 1].ideal;
    return c;
}

void printCycle(const char *name, qsizetype number, const Cycle &c)
{
    std::printf("%-5s cycle %3lld: error per phase median %.3f p95 %.3f max %.3f ms; "
                "cycle %.3f ms long (ideal %.0f); end %+.3f ms from the ideal timeline\n",
                name, number, c.median, c.p95, c.worst, c.length, c.idealLength, c.end);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    clock_.start();
    const QStringList args = app.arguments();
    const double seconds = args.size() > 1 ? args[1].toDouble() : 600;
    const int everyMs = args.size() > 2 ? int(args[2].toDouble() * 1000) : 4000;
    if (seconds <= 0 || everyMs <= 1000) {
        std::fprintf(stderr, "usage: bench_soak [seconds > 0] [seconds between openings > 1]\n");
        return 2;
    }

    Form1 form;
    form.show();
    form.findChild<toolkit::ComboBox *>("Combo1")->setListIndex(1); // red
    const std::array<int, 4> digits{15, 15, 15, 15};                // 16 flashes each
    for (int i = 0; i < 4; ++i)
        form.findChild<toolkit::ComboBox *>(QStringLiteral("Combo3_%1").arg(i))
            ->setListIndex(digits[i]);
    auto *timer = form.findChild<toolkit::Timer *>("Timer1");
    auto *led = form.findChild<toolkit::Shape *>("Shape1");

    // The ideal timeline, advanced tick by tick beside the real one.
    const BlinkInputs inputs{false, -1, digits};
    BlinkState ideal = armBlinkSequence({0, true}, inputs);
    double idealAt = 0, armedAt = 0;
    QList<Tick> ticks;
    QList<qsizetype> cycleEnds; // tick count at the end of each cycle
    QList<Cycle> cycles;
    long windows = 0;
    QObject::connect(timer, &toolkit::Timer::timer, &form, [&] {
        // Runs after the window's own handler: the LED and interval are the new ones.
        idealAt += ideal.interval;
        ticks << Tick{nowMs() - armedAt, idealAt, ideal.interval};
        ideal = nextBlinkState(ideal, inputs);
        if (ideal.lit != led->isShapeVisible() || ideal.interval != timer->interval())
            std::printf("tick %lld: the LED left the ideal sequence\n", ticks.size());
        if (ideal.interval == CyclePause.count()) { // the pause that closes a cycle has begun
            const qsizetype first = cycleEnds.isEmpty() ? 0 : cycleEnds.last();
            cycleEnds << ticks.size();
            cycles << cycleFigures(ticks, first, ticks.size());
            const auto [current, peak] = residentKiB();
            std::printf("cycle %lld done at %.1f s: %+.3f ms long, worst phase %.3f ms; "
                        "%ld windows opened; memory %ld KiB (peak %ld)\n",
                        cycles.size(), ticks.last().at / 1000,
                        cycles.last().length - cycles.last().idealLength, cycles.last().worst,
                        windows, current, peak);
            std::fflush(stdout);
        }
    });

    QTimer::singleShot(0, &form, [] {
        if (QWidget *w = QApplication::activeModalWidget())
            w->close();
    });
    form.Command3_Click();
    armedAt = nowMs();
    ++windows;
    printMemory("start");
    std::fflush(stdout);

    // The interpretation window of the running code, opened for a second.
    QTimer opener;
    opener.setInterval(everyMs);
    QObject::connect(&opener, &QTimer::timeout, &form, [&] {
        interpretation::Fehlerbeschreibung window;
        window.showCauseTexts(1);
        window.markBits(digitWord(digits));
        QTimer::singleShot(1000, &window, &QDialog::close);
        ++windows;
        window.exec();
    });
    opener.start();

    QTimer::singleShot(int(seconds * 1000), &app, &QApplication::quit);
    app.exec();
    opener.stop();

    std::printf("\n%.0f s, %lld ticks, %lld full cycles, the window opened %ld times\n", seconds,
                ticks.size(), cycleEnds.size(), windows);
    printMemory("end");
    if (cycleEnds.isEmpty()) {
        std::printf("no full cycle: run for longer than 51 s\n");
        return 0;
    }
    printCycle("first", 1, cycles.first());
    if (cycles.size() > 1)
        printCycle("last", cycles.size(), cycles.last());
    const auto worst = std::max_element(cycles.begin(), cycles.end(), [](auto &a, auto &b) {
        return a.length - a.idealLength < b.length - b.idealLength;
    });
    printCycle("worst", worst - cycles.begin() + 1, *worst);
    return 0;
}
