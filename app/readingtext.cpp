#include "readingtext.h"

#include "catalogue.h"
#include "ledcode.h"
#include "protocol.h"

#include <cmath>

using recording::Reason;
using recording::Status;
namespace protocol = decoding::protocol;

namespace {

using blinkcode::ColourNames;
constexpr std::array<const char *, 3> PatternNames{"steady light", "slow blinking",
                                                   "short flashing"};

} // namespace

// Why a recording was not read, in words a technician understands.
QString reasonText(const recording::Reading &reading)
{
    const double value = reading.reasonValue;
    switch (reading.reason) {
    case Reason::None:
        return QString();
    case Reason::CannotOpen:
        return "cannot open the file: it is missing, unreadable, or not a regular file";
    case Reason::NotAVideo:
        return "not a video: the file holds no video that can be decoded";
    case Reason::FrameTooLarge:
        return QString("the frames have %1 megapixels, more than any phone or webcam records")
            .arg(value, 0, 'f', 0);
    case Reason::NoFrames:
        return "the video has no frame that can be decoded";
    case Reason::NoBlinkingLight:
        return "no blinking light found: film the LED from closer and keep it in the picture";
    case Reason::TooShort:
        return QString("recording too short to see a whole cycle: film at least %1 s").arg(value);
    case Reason::FrameRateTooLow:
        return QString("frame rate too low to see every 50 ms flash (%1 frames per second): "
                       "film at 30 frames per second or more")
            .arg(value, 0, 'f', 0);
    case Reason::CyclesDisagree:
        return "the blinking does not repeat the same code: film again, close and steady";
    case Reason::TwoLightsBlink:
        return "two lights blink with different codes: film only the unit's LED";
    case Reason::ColourUnclear:
        return "the light's colour is neither clearly green, red nor yellow";
    case Reason::ColourDoesNotFit:
        return "the blinking does not fit the light's colour: a green pattern in red or yellow, "
               "or a code in green";
    case Reason::NotAKestrionCode:
        return "the blinking does not follow the unit's timing";
    case Reason::ReadTooSlow:
        return QString("reading took too long and was stopped after %1 s of the recording: "
                       "try a shorter or smaller recording")
            .arg(value, 0, 'f', 0);
    }
    return QString();
}

QString codeText(const recording::Reading &reading)
{
    const QString colour = reading.colour >= 0 ? ColourNames[std::size_t(reading.colour)]
                                               : QStringLiteral("colour unclear");
    if (reading.pattern >= 0)
        return colour + ", pattern " + QString::number(reading.pattern) + " (" +
               PatternNames[std::size_t(reading.pattern)] + ")";
    if (reading.flashes[0] > 0)
        return colour + QString(", flashes %1, %2, %3, %4")
                            .arg(reading.flashes[0])
                            .arg(reading.flashes[1])
                            .arg(reading.flashes[2])
                            .arg(reading.flashes[3]);
    return QString();
}

QString statusName(Status status)
{
    return protocol::StatusNames[std::size_t(status)];
}

// The reading as the protocol carries it; its enums are the protocol's.
decoding::DecoderReading protocolReading(const recording::Reading &reading)
{
    static_assert(int(Status::Error) == int(decoding::Status::Error));
    decoding::DecoderReading out;
    out.status = decoding::Status(reading.status);
    out.colour = reading.colour;
    out.pattern = reading.pattern;
    if (reading.pattern < 0)
        out.flashes = reading.flashes;
    out.reason = QString::fromLatin1(recording::reasonKey(reading.reason));
    out.reasonValue = reading.reasonValue;
    return out;
}

// What was read and how, as the plot and the window's live view draw it:
// each span ends at the middle of its possible lengths, or where it was cut.
decoding::LightView lightView(const recording::RecordingResult &result)
{
    static_assert(int(recording::Phase::Ambiguous) == int(decoding::Phase::Ambiguous) &&
                  protocol::PhaseNames.size() == std::size_t(recording::Phase::Ambiguous) + 1);
    decoding::LightView view;
    view.colour = result.reading.colour;
    view.cycleStartMs = result.reading.cycleStartMs;
    for (const recording::LightSample &sample : result.curve)
        view.curve.push_back({sample.timeMs, sample.level});
    for (std::size_t i = 0; i < result.spans.size(); ++i) {
        const recording::Span &span = result.spans[i];
        const double lengthMs = span.whole() ? (span.minMs + span.maxMs) / 2 : span.minMs;
        view.spans.push_back(
            {span.startMs, span.startMs + lengthMs, span.lit,
             i < result.phases.size() ? decoding::Phase(result.phases[i]) : decoding::Phase::None});
    }
    return view;
}

QJsonObject jsonOf(const QString &file, const recording::Reading &reading)
{
    namespace field = protocol::field;
    QJsonObject object{{field::File, file}};
    if (reading.hasCode())
        object[field::ErrorWord] = int(recording::errorWord(reading));
    if (reading.cycleStartMs >= 0)
        object[field::CycleStartS] = std::round(reading.cycleStartMs) / 1000;
    object[field::Message] =
        reading.status == Status::Decoded ? codeText(reading) : reasonText(reading);
    return decoding::readingObject(protocolReading(reading), object);
}

// The human report: the code, its error word and the causes it reports.
QString humanReport(const QString &file, const recording::Reading &reading)
{
    QString out = file + ": ";
    if (reading.status != Status::Decoded) {
        out += statusName(reading.status) + ": " + reasonText(reading) + "\n";
        if (reading.hasCode() || reading.flashes[0] > 0)
            out += "  best reading (unsure): " + codeText(reading) + "\n";
        return out;
    }
    const std::int32_t word = recording::errorWord(reading);
    out += codeText(reading) + QString(", error word 0x%1").arg(word, 4, 16, QChar('0'));
    if (reading.cycleStartMs >= 0)
        out += QString(", cycle starts at %1 s").arg(reading.cycleStartMs / 1000, 0, 'f', 1);
    out += "\n";
    for (int bit = 0; bit < 16; ++bit) {
        if (!(word & (1 << bit)))
            continue;
        out += QString("  bit %1: %2\n")
                   .arg(bit, 2)
                   .arg(catalogue::ReadCatalogueText(catalogue::causeText(bit, reading.colour)));
    }
    return out;
}
