#include "decoderoutput.h"

#include "ledcode.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <algorithm>
#include <cmath>

namespace decoding {

namespace {

constexpr const auto &Colours = blinkcode::ColourNames;
constexpr std::array<const char *, 3> Statuses = {"decoded", "unsure", "error"};
// Reason keys are short names; anything else cannot be a key of ours.
constexpr qsizetype MaxReasonLength = 64;

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

// The fields the window uses; false when one of them is of the wrong kind.
bool readFields(const QJsonObject &o, DecoderReading &r)
{
    const int status = indexOf(o["status"], Statuses);
    if (status < 0)
        return false;
    r.status = DecoderReading::Status(status);
    if (!isAbsent(o["colour"]) && (r.colour = indexOf(o["colour"], Colours)) < 0)
        return false;
    if (!isAbsent(o["pattern"]) && !wholeNumber(o["pattern"], 0, 2, r.pattern))
        return false;
    if (!isAbsent(o["flashes"])) {
        const QJsonArray flashes = o["flashes"].toArray();
        if (!o["flashes"].isArray() || flashes.size() != 4)
            return false;
        for (int i = 0; i < 4; ++i) {
            if (!wholeNumber(flashes[i], 1, 16, r.flashes[i]))
                return false;
        }
    }
    if (!isAbsent(o["reason"]) && !isReasonKey(r.reason = o["reason"].toString()))
        return false;
    r.reasonValue = o["reason_value"].toDouble(0);
    if (!isAbsent(o["reason_value"]) &&
        !(o["reason_value"].isDouble() && std::isfinite(r.reasonValue)))
        return false;
    if (r.status != DecoderReading::Status::Decoded)
        return true;
    // A reading reported as decoded must hold the whole code of its colour.
    return r.colour == 0 ? r.pattern >= 0 : r.colour > 0 && r.hasFlashes();
}

bool readProgress(QByteArrayView line, OutputLine &out)
{
    const QList<QByteArray> fields = line.toByteArray().split(' ');
    if (fields.size() != 3)
        return false;
    bool readOk = false, lengthOk = false;
    out.readS = fields[1].toDouble(&readOk);
    out.lengthS = fields[2].toDouble(&lengthOk);
    return readOk && lengthOk && std::isfinite(out.readS) && std::isfinite(out.lengthS) &&
           out.readS >= 0 && out.lengthS >= 0;
}

} // namespace

OutputLine parseOutputLine(QByteArrayView line)
{
    OutputLine out;
    if (!line.isValidUtf8())
        return out;
    if (line.startsWith("progress ")) {
        if (readProgress(line, out))
            out.kind = OutputLine::Kind::Progress;
        return out;
    }
    if (!line.startsWith("result "))
        return out;
    QJsonParseError error{};
    const QJsonDocument json = QJsonDocument::fromJson(line.sliced(7).toByteArray(), &error);
    if (error.error == QJsonParseError::NoError && json.isObject() &&
        readFields(json.object(), out.reading))
        out.kind = OutputLine::Kind::Result;
    return out;
}

} // namespace decoding
