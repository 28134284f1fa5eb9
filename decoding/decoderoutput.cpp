#include "decoderoutput.h"

#include "protocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QList>
#include <algorithm>
#include <cmath>

namespace decoding {

namespace {

namespace field = protocol::field;

// Reason keys are short names; anything else cannot be a key of ours.
constexpr qsizetype MaxReasonLength = 64;
// A FILE's index: more files than this are never given.
constexpr int MaxFileIndex = 1'000'000;
// Times in ms that a recording read can hold, with room for containers that
// start late.
constexpr double MaxTimeMs = 1e9;

bool isAbsent(const QJsonValue &value)
{
    return value.isUndefined() || value.isNull();
}

// A whole number from lo to hi; JSON has only doubles.
bool wholeNumber(const QJsonValue &value, int lo, int hi, int &out)
{
    const double d = value.toDouble(std::nan(""));
    if (!value.isDouble() || !(d >= lo && d <= hi) || d != std::floor(d))
        return false;
    out = int(d);
    return true;
}

// A number from lo to hi.
bool numberIn(const QJsonValue &value, double lo, double hi, double &out)
{
    out = value.toDouble(std::nan(""));
    return value.isDouble() && out >= lo && out <= hi;
}

// The index of `value` among `names`, or -1.
template <size_t N> int indexOf(const QJsonValue &value, const std::array<const char *, N> &names)
{
    for (size_t i = 0; i < N; ++i) {
        if (value.isString() && value.toString() == QLatin1String(names[i]))
            return int(i);
    }
    return -1;
}

bool isReasonKey(const QString &key)
{
    if (key.isEmpty() || key.size() > MaxReasonLength)
        return false;
    return std::all_of(key.cbegin(), key.cend(),
                       [](QChar c) { return (c >= 'a' && c <= 'z') || c == '_'; });
}

// An absent colour is unknown; false for one that is not a colour's name.
bool readColour(const QJsonObject &o, int &colour)
{
    return isAbsent(o[field::Colour]) ||
           (colour = indexOf(o[field::Colour], protocol::ColourNames)) >= 0;
}

// The fields the window uses; false when one of them is of the wrong kind.
bool readFields(const QJsonObject &o, DecoderReading &r)
{
    const int status = indexOf(o[field::Status], protocol::StatusNames);
    if (status < 0 || !readColour(o, r.colour))
        return false;
    r.status = Status(status);
    constexpr int lastPattern = int(blinkcode::BatteryPattern::ShortFlashing);
    if (!isAbsent(o[field::Pattern]) && !wholeNumber(o[field::Pattern], 0, lastPattern, r.pattern))
        return false;
    if (!isAbsent(o[field::Flashes])) {
        const QJsonArray flashes = o[field::Flashes].toArray();
        if (!o[field::Flashes].isArray() || flashes.size() != 4)
            return false;
        for (int i = 0; i < 4; ++i) {
            if (!wholeNumber(flashes[i], 1, 16, r.flashes[i]))
                return false;
        }
    }
    if (!isAbsent(o[field::Reason]) && !isReasonKey(r.reason = o[field::Reason].toString()))
        return false;
    if (!isAbsent(o[field::ReasonValue]) &&
        !numberIn(o[field::ReasonValue], -1e12, 1e12, r.reasonValue))
        return false;
    if (r.status != Status::Decoded)
        return true;
    // A reading reported as decoded must hold the whole code of its colour.
    constexpr int green = int(blinkcode::Colour::Green);
    return r.colour == green ? r.pattern >= 0 : r.colour > green && r.hasFlashes();
}

bool readSpan(const QJsonValue &value, LightView::Span &span)
{
    const QJsonArray a = value.toArray();
    int lit = 0;
    const int phase = indexOf(a.at(3), protocol::PhaseNames);
    span.phase = Phase(phase);
    return value.isArray() && a.size() == 4 &&
           numberIn(a[0], -MaxTimeMs, MaxTimeMs, span.startMs) &&
           numberIn(a[1], span.startMs, MaxTimeMs, span.endMs) && wholeNumber(a[2], 0, 1, lit) &&
           (span.lit = lit, phase >= 0);
}

bool readGlimpse(const QJsonObject &o, LightView &view)
{
    double startMs = 0, stepMs = 0;
    const QJsonArray curve = o[field::Curve].toArray(), spans = o[field::Spans].toArray();
    if (!readColour(o, view.colour) ||
        !numberIn(o[field::CurveStartMs], -MaxTimeMs, MaxTimeMs, startMs) ||
        !numberIn(o[field::CurveStepMs], 1, 60'000, stepMs) || !o[field::Curve].isArray() ||
        !o[field::Spans].isArray() || size_t(curve.size()) > protocol::MaxCurveLevels ||
        size_t(spans.size()) > protocol::MaxSpans)
        return false;
    if (!isAbsent(o[field::CycleStartMs]) &&
        !numberIn(o[field::CycleStartMs], -MaxTimeMs, MaxTimeMs, view.cycleStartMs))
        return false;
    for (qsizetype i = 0; i < curve.size(); ++i) {
        double percent = 0;
        if (!numberIn(curve[i], -1000, 1000, percent))
            return false;
        view.curve.push_back({startMs + double(i) * stepMs, percent / 100});
    }
    for (const QJsonValue &value : spans) {
        if (!readSpan(value, view.spans.emplace_back()))
            return false;
    }
    return true;
}

bool readNumbers(QByteArrayView line, std::initializer_list<double *> numbers)
{
    const QList<QByteArray> fields = line.toByteArray().split(' ');
    if (size_t(fields.size()) != numbers.size() + 1)
        return false;
    qsizetype i = 0;
    for (double *number : numbers) {
        bool ok = false;
        *number = fields[++i].toDouble(&ok);
        if (!ok || !(*number >= 0 && *number <= MaxTimeMs))
            return false;
    }
    return true;
}

QJsonObject jsonObject(QByteArrayView text, bool &ok)
{
    QJsonParseError error{};
    const QJsonDocument json = QJsonDocument::fromJson(text.toByteArray(), &error);
    ok = error.error == QJsonParseError::NoError && json.isObject();
    return json.object();
}

QByteArray withEnd(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace

OutputLine parseOutputLine(QByteArrayView line)
{
    using Kind = OutputLine::Kind;
    OutputLine out;
    bool ok = false;
    if (!line.isValidUtf8() || line.size() > protocol::MaxLineBytes)
        return out;
    if (line.startsWith(protocol::FileLine)) {
        double index = -1;
        ok = readNumbers(line, {&index}) && index <= MaxFileIndex && index == std::floor(index);
        out.fileIndex = ok ? int(index) : 0; // a number out of range is no index
        out.kind = ok ? Kind::File : Kind::Garbage;
    } else if (line.startsWith(protocol::ProgressLine)) {
        ok = readNumbers(line, {&out.readS, &out.lengthS});
        out.kind = ok ? Kind::Progress : Kind::Garbage;
    } else if (line.startsWith(protocol::GlimpseLine)) {
        const QJsonObject o = jsonObject(line.sliced(qstrlen(protocol::GlimpseLine)), ok);
        out.kind = ok && readGlimpse(o, out.glimpse) ? Kind::Glimpse : Kind::Garbage;
    } else if (line.startsWith(protocol::ResultLine)) {
        const QJsonObject o = jsonObject(line.sliced(qstrlen(protocol::ResultLine)), ok);
        out.kind = ok && readFields(o, out.reading) ? Kind::Result : Kind::Garbage;
    }
    return out;
}

QByteArray fileLine(int index)
{
    return protocol::FileLine + QByteArray::number(index) + '\n';
}

QByteArray progressLine(double readS, double lengthS)
{
    return protocol::ProgressLine + QByteArray::number(readS, 'f', 3) + ' ' +
           QByteArray::number(lengthS, 'f', 3) + '\n';
}

QByteArray glimpseLine(const LightView &view)
{
    QJsonObject o;
    if (view.colour >= 0 && size_t(view.colour) < protocol::ColourNames.size())
        o[field::Colour] = protocol::ColourNames[size_t(view.colour)];
    const double startMs = view.curve.empty() ? 0 : std::floor(view.curve.front().timeMs);
    const double stepMs = protocol::GlimpseStepMs;
    std::vector<double> levels;
    for (const LightView::Sample &sample : view.curve) {
        const size_t bin = size_t(std::max(0.0, (sample.timeMs - startMs) / stepMs));
        if (bin >= protocol::MaxCurveLevels)
            break;
        if (bin >= levels.size())
            levels.resize(bin + 1, -1e9);
        levels[bin] = std::max(levels[bin], std::round(std::clamp(sample.level, -2.0, 2.0) * 100));
    }
    QJsonArray curve, spans;
    double last = 0; // a step without a sample keeps the level before it
    for (double level : levels)
        curve.append(last = level > -1e9 ? level : last);
    for (const LightView::Span &span : view.spans) {
        if (size_t(spans.size()) == protocol::MaxSpans)
            break;
        spans.append(QJsonArray{std::round(span.startMs), std::round(span.endMs), int(span.lit),
                                protocol::PhaseNames[size_t(span.phase)]});
    }
    o[field::CurveStartMs] = startMs;
    o[field::CurveStepMs] = stepMs;
    o[field::Curve] = curve;
    o[field::Spans] = spans;
    if (view.cycleStartMs >= 0)
        o[field::CycleStartMs] = std::round(view.cycleStartMs);
    return protocol::GlimpseLine + withEnd(o);
}

QJsonObject readingObject(const DecoderReading &reading, QJsonObject o)
{
    o[field::Status] = protocol::StatusNames[size_t(reading.status)];
    if (reading.colour >= 0 && size_t(reading.colour) < protocol::ColourNames.size())
        o[field::Colour] = protocol::ColourNames[size_t(reading.colour)];
    if (reading.pattern >= 0) {
        o[field::Pattern] = reading.pattern;
    } else if (reading.hasFlashes()) {
        QJsonArray flashes;
        for (int count : reading.flashes)
            flashes.append(count);
        o[field::Flashes] = flashes;
    }
    o[field::Reason] = reading.reason;
    o[field::ReasonValue] = reading.reasonValue;
    return o;
}

QByteArray resultLine(const DecoderReading &reading, QJsonObject extra)
{
    return protocol::ResultLine + withEnd(readingObject(reading, std::move(extra)));
}

} // namespace decoding
