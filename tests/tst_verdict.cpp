#include "phases.h"
#include "verdict.h"

#include <QTest>
#include <cmath>
#include <numbers>

using namespace recording;
using Lights = std::vector<LightEvidence>;
using Ms = std::vector<double>;
using Levels = std::vector<float>;
Q_DECLARE_METATYPE(Lights)

namespace {

constexpr double Frame = 1000.0 / 30;
constexpr double Red = 110, Yellow = 165, Green = 230, Faint = NAN; // hues; Faint: no colour

// Spans from their lengths in ms, lit and dark in turn from a lit one (a leading
// 0 starts dark), the first and the last cut by the recording's ends; the lit
// spans' colours at `hues` in turn.
LightEvidence light(const Ms &ms, const Ms &hues = {Red})
{
    LightEvidence light;
    double t = 0;
    for (std::size_t k = 0; k < ms.size(); t += ms[k++]) {
        if (ms[k] <= 0)
            continue;
        const bool cut = light.spans.empty() || k + 1 == ms.size();
        // lit, start, shortest and longest length, cut at the start, at the end
        light.spans.push_back({k % 2 == 0, t, cut ? ms[k] : ms[k] - Frame, ms[k] + Frame,
                               light.spans.empty(), k + 1 == ms.size()});
        const double hue = hues[light.colours.size() % hues.size()] * std::numbers::pi / 180;
        if (k % 2 == 0)
            light.colours.push_back(std::isnan(hue)
                                        ? ColourSample{0.2, 0.1}
                                        : ColourSample{4 * std::cos(hue), 4 * std::sin(hue)});
    }
    return light;
}

// One cycle of a code from its long light, optionally begun and ended part of the way.
Ms cycle(const std::array<int, 4> &flashes, double firstMs = 6000, std::size_t spans = 99)
{
    Ms ms{firstMs, 2000};
    for (int d = 0; d < 4; ++d) {
        for (int f = 0; f < flashes[d]; ++f)
            ms.insert(ms.end(), {50, f + 1 < flashes[d] ? 500. : d < 3 ? 2000. : 3000.});
    }
    ms.resize(std::min(ms.size(), spans));
    return ms;
}

Ms operator+(Ms a, const Ms &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A code seen from 3 s before the end of a long light for two cycles and a long light.
Ms code(const std::array<int, 4> &flashes)
{
    return cycle(flashes, 3000) + cycle(flashes) + Ms{6000};
}
const Ms Code = code({1, 1, 3, 2});
const SteadyLook Led{
    .areaFraction = 0.001, .chroma = 40, .luma = 220, .apart = true, .litFraction = 1};

LightEvidence steady(double ms, double hue, SteadyLook look = Led)
{
    LightEvidence lit = light({ms}, {hue});
    lit.steady = true;
    lit.look = look;
    return lit;
}

QString describe(const Verdict &verdict)
{
    const Reading &r = verdict.reading;
    if (r.status != Status::Decoded)
        return QString::fromLatin1(reasonKey(r.reason).data());
    const auto &[a, b, c, d] = r.flashes;
    return QString("%1 %2 from %3 ms, light %4")
        .arg(QString(blinkcode::ColourNames[std::size_t(r.colour)]),
             r.colour ? QString("%1,%2,%3,%4").arg(a).arg(b).arg(c).arg(d)
                      : QString::number(r.pattern))
        .arg(r.cycleStartMs)
        .arg(verdict.light);
}

} // namespace

// Lights written by hand as spans and colours, one row per rule of the verdict
// and per reason it gives; then every hue a light's colour can be pushed to.
class tst_Verdict : public QObject
{
    Q_OBJECT

private slots:
    void judge_data()
    {
        QTest::addColumn<Lights>("lights");
        QTest::addColumn<double>("frameMs");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const Lights &lights, const char *expected,
                            double frameMs = Frame) {
            QTest::newRow(name) << lights << frameMs << QString(expected);
        };
        const SteadyLook lamp{
            .areaFraction = 0.05, .chroma = 8, .luma = 250, .apart = true, .litFraction = 1};
        row("decoded: from inside the long light, the cycle from the next one; faint flashes "
            "skipped",
            {light(Code, {Red, Red, Faint, 112})}, "red 1,1,3,2 from 15850 ms, light 0");
        row("decoded: green slow blinking", {light(Ms{0, 300} + Ms(12, 500), {Green})},
            "green 1 from 300 ms, light 0");
        row("decoded: a steady green LED filmed for 12 s", {steady(12000, Green)},
            "green 0 from 0 ms, light 0");
        row("decoded: a reflection, the same code in the same colour", {light(Code), light(Code)},
            "red 1,1,3,2 from 15850 ms, light 0");
        row("decoded: the LED after a light out of the unit's timing and a lamp",
            {light(Ms(40, 1000)), steady(60000, Yellow, lamp), light(Code, {Yellow})},
            "yellow 1,1,3,2 from 15850 ms, light 2");

        // Seen from 1.5 s before a long light to the dark after the last digit.
        const auto endingAfter = [](std::array<int, 4> flashes, double darkMs) {
            Ms ms = Ms{0, 1500} + cycle(flashes);
            ms.back() = darkMs;
            return ms;
        };
        row("decoded: the recording ends 2 s into the pause after the last digit",
            {light(endingAfter({1, 1, 3, 2}, 2000))}, "red 1,1,3,2 from 1500 ms, light 0");
        row("decoded: the recording ends just after a last digit of 16 flashes",
            {light(endingAfter({1, 1, 3, 16}, 300))}, "red 1,1,3,16 from 1500 ms, light 0");
        row("too_short: the recording ends 1.5 s after the last flash seen",
            {light(endingAfter({1, 1, 3, 2}, 1500))}, "too_short");
        row("no_blinking_light: nothing found", {}, "no_blinking_light");
        row("no_blinking_light: a lamp", {steady(60000, Yellow, lamp)}, "no_blinking_light");
        row("no_blinking_light: a window",
            {steady(60000, 200, {.areaFraction = 0.2, .chroma = 3, .luma = 240, .apart = true})},
            "no_blinking_light");
        row("no_blinking_light: a pale light one chroma step from grey",
            {steady(60000, Green, {0.001, 1.5, 250, true, 1})}, "no_blinking_light");
        row("no_blinking_light: a large green sign",
            {steady(60000, Green, {0.08, 60, 200, true, 1})}, "no_blinking_light");
        row("no_blinking_light: a green light within a bright area",
            {steady(60000, Green, {0.001, 40, 220, false, 1})}, "no_blinking_light");
        row("too_short: part of a code's cycle", {light(cycle({1, 1, 3, 2}, 3000, 6))},
            "too_short");
        row("too_short: a steady green LED filmed for 5 s", {steady(5000, Green)}, "too_short");
        row("frame_rate_too_low: a flash fell between frames at 15 frames/s",
            {light({6000, 2000, 50, 2000, 50, 2000, 50, 1050, 50, 2000, 50, 500, 50, 3000, 6000})},
            "frame_rate_too_low", 1000.0 / 15);
        row("cycles_disagree", {light(cycle({1, 1, 3, 2}) + cycle({1, 1, 3, 3}) + Ms{6000})},
            "cycles_disagree");
        row("cycles_disagree: the next cycle, cut short, begins with another digit",
            {light(cycle({1, 1, 3, 2}) + cycle({2, 1, 3, 2}, 6000, 6))}, "cycles_disagree");
        row("two_lights_blink: another code", {light(Code), light(code({2, 1, 1, 1}))},
            "two_lights_blink");
        row("two_lights_blink: the same code in yellow", {light(Code), light(Code, {Yellow})},
            "two_lights_blink");
        row("two_lights_blink: the same code in an unclear colour",
            {light(Code), light(Code, {137})}, "two_lights_blink");
        row("two_lights_blink: the unit's timing, no whole code seen",
            {light(Code), light(cycle({16, 16, 16, 16}, 3000, 12))}, "two_lights_blink");
        row("two_lights_blink: a steady green LED beside a red code",
            {light(Code), steady(60000, Green)}, "two_lights_blink");
        row("colour_unclear: between red and yellow", {light(Code, {137})}, "colour_unclear");
        row("colour_unclear: red and yellow in turn", {light(Code, {Red, Yellow})},
            "colour_unclear");
        row("colour_unclear: only two flashes show a colour",
            {light(cycle({1, 1, 1, 1}) + Ms{6000}, {Faint, Red, Red, Faint, Faint, Faint})},
            "colour_unclear");
        row("colour_does_not_fit: a code in green", {light(Code, {Green})}, "colour_does_not_fit");
        row("not_a_kestrion_code: 1 s on, 1 s off", {light(Ms(40, 1000))}, "not_a_kestrion_code");
    }

    void judge()
    {
        QFETCH(Lights, lights);
        QFETCH(double, frameMs);
        QTEST(describe(recording::judge(lights, frameMs)), "expected");
    }

    // Each phase's whole span at the edges of a unit's clock error of 5 %, filmed by a fast
    // camera (an edge 5 ms early or late) with a glow that outlasts a light by up to 200 ms:
    // 4 % off it is still the phase, 6 % off it is none.
    void clockTolerance()
    {
        struct Nominal {
            Phase phase;
            bool lit;
            double lowMs, highMs;
        };
        for (const Nominal &n :
             {Nominal{Phase::Flash, true, 50, 50}, Nominal{Phase::Blink, true, 500, 500},
              Nominal{Phase::Long, true, 6000, 9000}, Nominal{Phase::FlashGap, false, 500, 500},
              Nominal{Phase::DigitGap, false, 2000, 2000},
              Nominal{Phase::CyclePause, false, 3000, 3000}}) {
            for (const double off : {-0.06, -0.04, 0.04, 0.06}) {
                const double ms = off > 0 ? n.highMs * (1 + off) + 5 + (n.lit ? 200 : 0)
                                          : n.lowMs * (1 + off) - 5 - (n.lit ? 0 : 200);
                const Phase phase =
                    PhaseClassifier(0).classify({n.lit, 1000, ms, ms, false, false});
                QVERIFY2(phase == (std::abs(off) < 0.05 ? n.phase : Phase::None),
                         qPrintable(QString("%1 ms, %2 %").arg(ms).arg(off * 100)));
            }
        }
    }

    // A code whose colour white balance pushed anywhere. Across every hue, with the hues filmed
    // LEDs measure: a colour is read only nearer its own LEDs' hue than any other's, around its own
    // it is read, and amber and lime LEDs (between the colours) are never read.
    void hueSweep()
    {
        constexpr std::array<double, 3> Own{255, 118, 163}; // green, red, yellow
        for (double hue = 0.25; hue < 360; hue += 0.5) {
            const Reading reading = recording::judge({light(Code, {hue})}, Frame).reading;
            if (reading.colour >= 0) {
                const double own = std::abs(hue - Own[std::size_t(reading.colour)]);
                for (double other : Own)
                    QVERIFY2(own <= std::abs(hue - other), qPrintable(QString::number(hue)));
            }
            for (double between : {144.5, 180.0})
                QVERIFY(std::abs(hue - between) > 5 || reading.colour < 0);
            for (int c = 1; c < 3; ++c)
                QVERIFY(std::abs(hue - Own[std::size_t(c)]) > 8 ||
                        (reading.colour == c && reading.status == Status::Decoded));
        }
    }

    // Light curves as a camera at 24 frames/s sees them, sliced into spans: the
    // lit spans' clear samples in turn (a sample between the thresholds that
    // follows a lit one leaves the edge open, and is not counted).
    void slices_data()
    {
        QTest::addColumn<Levels>("levels");
        QTest::addColumn<QString>("lit");
        QTest::newRow("a flash over two frames") << Levels{0, 0, .5f, .5f, 0, 0} << "2";
        QTest::newRow("a flash partly exposed") << Levels{0, 0, .09f, .37f, .37f, .09f, 0} << "1";
        QTest::newRow("the glow between flashes is dark")
            << Levels{-.1f, -.1f, .63f, .39f, .34f, .34f, .28f, .34f, .31f, .29f,
                      .3f,  .31f, .71f, .71f, .31f, .31f, .25f, .17f, -.07f}
            << "1 2";
        QTest::newRow("a flicker within the glow is no flash")
            << Levels{.2f,  .2f,  .69f, .69f, .39f, .4f, .49f, .34f, .34f, .29f,
                      .34f, .27f, .34f, .32f, .68f, .7f, .32f, .28f, .13f, .02f}
            << "2 2";
        QTest::newRow("a long light that auto exposure dims stays lit")
            << Levels{0, 0, 1, 1, 1, 1, 1, 1, 1, 1, .9f, .7f, .5f, .4f, .4f, .4f, .4f, .4f} << "11";
    }

    void slices()
    {
        QFETCH(Levels, levels);
        std::vector<LightSample> curve;
        for (float level : levels)
            curve.push_back({1000.0 / 24 * double(curve.size()), level});
        QStringList lit;
        for (const Span &span : sliceLightCurve(curve))
            if (span.lit)
                lit << QString::number(std::lround(span.minMs * 24 / 1000) + 1);
        QTEST(lit.join(' '), "lit");
    }
};

QTEST_MAIN(tst_Verdict)
#include "tst_verdict.moc"
