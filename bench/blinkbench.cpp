// Runs the real blink sequence of the main window in the real event loop and
// compares when the LED switched and was painted with the ideal timeline. A
// replay driven by Qt's default (coarse) timer runs beside it as the yardstick.

#include "blinksequence.h"
#include "combobox.h"
#include "form1.h"
#include "ledcode.h"
#include "shape.h"
#include "timer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <map>

using namespace blinkcode;
using main_window::Form1;

namespace {

QElapsedTimer clock_;

double nowMs()
{
    return clock_.nsecsElapsed() / 1e6;
}

// What happened during one replay: every tick with the interval it set, and
// every paint of the LED.
struct Record {
    double armedAt = 0;
    int firstInterval = 0;
    bool initialLit = true; // the LED when the sequence was armed
    struct Tick {
        double at;
        int interval;
        bool lit;
    };
    QList<Tick> ticks;
    QList<std::pair<double, bool>> paints;
};

double percentile(QList<double> v, double p)
{
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[qMin(v.size() - 1, qsizetype(p * (v.size() - 1) + 0.5))];
}

void report(const char *name, const Record &r, int ticks)
{
    std::map<int, QList<double>> errors; // per ideal phase length
    double start = r.armedAt, ideal = r.armedAt;
    int interval = r.firstInterval, unpainted = 0, litPhases = 0;
    QList<double> paintDelay;
    for (int k = 0; k < qMin(ticks, int(r.ticks.size())); ++k) {
        const auto &t = r.ticks[k];
        errors[interval] << std::abs(t.at - start - interval);
        ideal += interval;
        start = t.at;
        interval = t.interval;
        const bool before = k == 0 ? r.initialLit : r.ticks[k - 1].lit;
        const bool switched = before != t.lit;
        if (!switched || k + 1 >= r.ticks.size())
            continue;
        // The phase lasts until the LED next changes.
        int next = k + 1;
        while (next < r.ticks.size() && r.ticks[next].lit == t.lit)
            ++next;
        const double end = next < r.ticks.size() ? r.ticks[next].at : 1e18;
        const auto paint = std::find_if(r.paints.begin(), r.paints.end(), [&](const auto &p) {
            return p.first >= t.at && p.first < end && p.second == t.lit;
        });
        if (t.lit)
            ++litPhases;
        if (paint == r.paints.end())
            unpainted += t.lit;
        else
            paintDelay << paint->first - t.at;
    }
    for (const auto &[phase, list] : errors)
        std::printf("  %-8s %5d ms  n=%3lld  median %7.3f  p95 %7.3f  max %7.3f\n", name, phase,
                    qsizetype(list.size()), percentile(list, 0.5), percentile(list, 0.95),
                    *std::max_element(list.begin(), list.end()));
    const double drift =
        r.ticks.isEmpty() ? 0 : r.ticks[qMin(ticks, int(r.ticks.size())) - 1].at - ideal;
    std::printf("  %-8s drift at the end %.3f ms; lit phases never painted %d of %d; "
                "paint after switch median %.3f max %.3f ms\n",
                name, drift, unpainted, litPhases, percentile(paintDelay, 0.5),
                percentile(paintDelay, 1.0));
}

// The same sequence on a bare LED, driven by a QTimer of Qt's default kind.
class CoarseReplay : public QObject
{
public:
    CoarseReplay(const BlinkInputs &inputs, const BlinkState &start, Record &record)
        : m_inputs(inputs), m_state(start), m_record(record)
    {
        m_window.resize(60, 60);
        m_led = new toolkit::Shape(toolkit::Shape::Kind::Circle, Qt::red,
                                   toolkit::Shape::Border::None, &m_window);
        m_led->setGeometry(10, 10, 40, 40);
        m_window.show();
        connect(m_led, &toolkit::Shape::painted, this, [this](bool drawn) {
            m_record.paints << std::pair{nowMs(), drawn};
        });
        m_timer.setTimerType(Qt::CoarseTimer);
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, [this] { tick(); });
        m_record.armedAt = nowMs();
        m_record.firstInterval = m_state.interval;
        m_record.initialLit = m_state.lit;
        m_timer.start(m_state.interval);
    }

private:
    void tick()
    {
        m_state = nextBlinkState(m_state, m_inputs);
        m_led->setShapeVisible(m_state.lit);
        if (m_state.running)
            m_timer.start(m_state.interval);
        m_record.ticks << Record::Tick{nowMs(), m_state.interval, m_state.lit};
    }

    BlinkInputs m_inputs;
    BlinkState m_state;
    Record &m_record;
    QWidget m_window;
    toolkit::Shape *m_led = nullptr;
    QTimer m_timer;
};

// Number of ticks in `ms` of the ideal sequence, and its exact length.
std::pair<int, int> idealTicks(const BlinkInputs &in, BlinkState s, int ms)
{
    int ticks = 0, total = 0;
    while (total + s.interval <= ms) {
        total += s.interval;
        s = nextBlinkState(s, in);
        ++ticks;
    }
    return {ticks, total};
}

void runScenario(const char *title, const std::function<void(Form1 &)> &choose,
                 const BlinkInputs &inputs, const BlinkState &start, int durationMs)
{
    Form1 form;
    form.show();
    choose(form);
    auto *timer = form.findChild<toolkit::Timer *>("Timer1");
    auto *led = form.findChild<toolkit::Shape *>("Shape1");
    Record precise, coarse;
    QObject::connect(timer, &toolkit::Timer::timer, &form, [&] {
        // Runs after the window's own handler: the LED and interval are the new ones.
        precise.ticks << Record::Tick{nowMs(), timer->interval(), led->isShapeVisible()};
    });
    QObject::connect(led, &toolkit::Shape::painted, &form, [&](bool drawn) {
        precise.paints << std::pair{nowMs(), drawn};
    });
    QTimer::singleShot(0, &form, [] {
        if (QWidget *w = QApplication::activeModalWidget())
            w->close();
    });
    form.Command3_Click();
    precise.armedAt = nowMs();
    precise.firstInterval = timer->interval();
    precise.initialLit = led->isShapeVisible();
    CoarseReplay yardstick(inputs, start, coarse);

    const auto [ticks, idealMs] = idealTicks(inputs, start, durationMs);
    QEventLoop loop;
    QTimer::singleShot(idealMs + 1000, &loop, &QEventLoop::quit);
    loop.exec();
    std::printf("%s: %d ticks over %.1f s, platform %s\n", title, ticks, idealMs / 1000.0,
                qPrintable(QGuiApplication::platformName()));
    report("precise", precise, ticks);
    report("coarse", coarse, ticks);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    clock_.start();

    const BlinkInputs code{false, -1, {0, 0, 2, 1}};
    runScenario(
        "Flash code 1,1,3,2, two cycles",
        [&code](Form1 &form) {
            form.findChild<toolkit::ComboBox *>("Combo1")->setListIndex(int(Colour::Red));
            for (int i = 0; i < 4; ++i)
                form.findChild<toolkit::ComboBox *>(QStringLiteral("Combo3_%1").arg(i))
                    ->setListIndex(code.digits[i]);
        },
        code, armBlinkSequence({0, true}, code),
        int((CyclePause + 2 * codeCycle({1, 1, 3, 2})).count()));

    const BlinkInputs pattern{true, int(BatteryPattern::ShortFlashing), {0, 0, 0, 0}};
    runScenario(
        "Battery pattern 2 (short flashing), 20 s",
        [&pattern](Form1 &form) {
            form.findChild<toolkit::ComboBox *>("Combo1")->setListIndex(int(Colour::Green));
            form.findChild<toolkit::ComboBox *>("Combo2")->setListIndex(pattern.pattern);
        },
        pattern, armBlinkSequence({0, true}, pattern), 20000);
    return 0;
}
