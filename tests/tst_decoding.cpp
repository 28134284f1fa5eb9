// The protocol between the decoder and the window, through the functions both use.
#include "decoderoutput.h"
#include "decoderrun.h"
#include "protocol.h"
#include "readinglimits.h"

#include <QTest>

using decoding::LightView;
using decoding::Phase;
Q_DECLARE_METATYPE(std::vector<int>)

class tst_Decoding : public QObject
{
    Q_OBJECT

private slots:
    // Each row: spans as phase letters (F flash, g flash gap, D digit gap, P cycle pause,
    // L long, n none), and the flash counts of the digits seen whole.
    void digitCounts_data()
    {
        QTest::addColumn<QByteArray>("phases");
        QTest::addColumn<std::vector<int>>("counts");
        QTest::newRow("a cycle of 1, 3") << QByteArray("LDFDFgFgFP") << std::vector{1, 3};
        QTest::newRow("a digit cut at the start is not counted")
            << QByteArray("nFgFDFgFD") << std::vector{2};
        QTest::newRow("a digit not yet ended is not counted")
            << QByteArray("DFgFDFgF") << std::vector{2};
        QTest::newRow("an unclear span breaks the digit")
            << QByteArray("DFnFD") << std::vector<int>{};
        QTest::newRow("green short flashing has no digits")
            << QByteArray("FgFgFgF") << std::vector<int>{};
    }

    void digitCounts()
    {
        QFETCH(QByteArray, phases);
        QFETCH(std::vector<int>, counts);
        const QByteArray letters = "FbLgDPna"; // in the order of Phase
        std::vector<LightView::Span> spans;
        for (qsizetype i = 0; i < phases.size(); ++i)
            spans.push_back(
                {i * 100.0, i * 100.0 + 50, phases[i] == 'F', Phase(letters.indexOf(phases[i]))});
        std::vector<int> read;
        for (const decoding::DigitCount &digit : decoding::digitCounts(spans))
            read.push_back(digit.flashes);
        QCOMPARE(read, counts);
    }

    // What the decoder writes, the window reads back unchanged (levels to the percent,
    // times to the ms, the curve in steps of the glimpse).
    void linesReadAsWritten()
    {
        LightView view;
        view.colour = int(blinkcode::Colour::Yellow);
        for (int i = 0; i < 20; ++i) // a 50 ms flash every second, sampled at 40 ms
            view.curve.push_back({i * 40.0, i % 25 == 1 ? 0.9 : 0.02});
        view.spans = {{0, 40, false, Phase::None},
                      {40, 90, true, Phase::Flash},
                      {90, 800, false, Phase::Ambiguous}};
        const auto glimpse = decoding::parseOutputLine(decoding::glimpseLine(view).chopped(1));
        QCOMPARE(glimpse.kind, decoding::OutputLine::Kind::Glimpse);
        QCOMPARE(glimpse.glimpse.colour, view.colour);
        QCOMPARE(glimpse.glimpse.curve.size(), size_t(8));
        QCOMPARE(glimpse.glimpse.curve[0].level, 0.9);
        for (size_t i = 0; i < view.spans.size(); ++i) {
            QCOMPARE(glimpse.glimpse.spans[i].phase, view.spans[i].phase);
            QCOMPARE(glimpse.glimpse.spans[i].lit, view.spans[i].lit);
            QCOMPARE(glimpse.glimpse.spans[i].endMs, view.spans[i].endMs);
        }
        decoding::DecoderReading reading;
        reading.status = decoding::Status::Unsure, reading.colour = 1,
        reading.flashes = {16, 1, 3, 2};
        reading.reason = "cycles_disagree", reading.reasonValue = 2.5;
        const auto result =
            decoding::parseOutputLine(decoding::resultLine(reading, {{"file", "x"}}).chopped(1));
        QCOMPARE(result.kind, decoding::OutputLine::Kind::Result);
        QCOMPARE(result.reading.flashes, reading.flashes);
        QCOMPARE(result.reading.reason, reading.reason);
        QCOMPARE(result.reading.reasonValue, reading.reasonValue);
        const auto progress =
            decoding::parseOutputLine(decoding::progressLine(12.5, 40).chopped(1));
        QCOMPARE(progress.readS + progress.lengthS, 52.5);
        QCOMPARE(decoding::parseOutputLine(decoding::fileLine(3).chopped(1)).fileIndex, 3);
    }

    // The window waits for longer than the decoder may take on its own, and not for ever.
    void timeLimitBeyondTheDecoders()
    {
        for (const double lengthS : {0.0, 10.0, 60.0, 150.0, 3600.0, 1e9}) {
            const double decoderS = blinkcode::OpenTimeS + blinkcode::readTimeS(lengthS);
            const double windowS = decoding::DecoderRun::timeLimitMs(lengthS) / 1000.0;
            QVERIFY2(windowS > decoderS && windowS < 2 * decoderS,
                     qPrintable(QString::number(lengthS)));
        }
    }
};

QTEST_GUILESS_MAIN(tst_Decoding)
#include "tst_decoding.moc"
