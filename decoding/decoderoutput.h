#pragma once

#include "lightview.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QString>
#include <array>

namespace decoding {

// How a recording was read, in the order of protocol::StatusNames.
enum class Status { Decoded, Unsure, Error };

// What the decoder read from a recording: the colour with the battery pattern
// or the four flash counts; when unsure or failed, as much as it saw.
struct DecoderReading {
    Status status = Status::Error;
    int colour = -1;                         // a blinkcode::Colour, -1 unknown
    int pattern = -1;                        // green: a blinkcode::BatteryPattern, -1 unknown
    std::array<int, 4> flashes{};            // red and yellow: 1 to 16 each, all 0 when unknown
    QString reason = QStringLiteral("none"); // a key: lower-case letters and '_'
    double reasonValue = 0;                  // the number that goes with the reason
    bool hasFlashes() const { return flashes[0] > 0; }
};

// One line of the decoder's output in its --ipc mode (see protocol.h).
struct OutputLine {
    enum class Kind {
        File,
        Progress,
        Glimpse,
        Result,
        Garbage // anything else, or a field of the wrong type or out of range
    };
    Kind kind = Kind::Garbage;
    int fileIndex = 0;
    double readS = 0;
    double lengthS = 0;
    LightView glimpse;
    DecoderReading reading;
};

// Reads one line, without its line end. A "decoded" result must name a colour
// and its code, so a broken answer can never pass for a reading.
OutputLine parseOutputLine(QByteArrayView line);

// The lines the decoder writes, each with its line end.
QByteArray fileLine(int index);
QByteArray progressLine(double readS, double lengthS);
// The view's curve coarsened to protocol::GlimpseStepMs, so that the line
// stays short; the longest curves and span lists are cut.
QByteArray glimpseLine(const LightView &view);
// `extra` holds fields for a terminal (file, message, ...); the reading's own
// fields overwrite any of the same name.
QByteArray resultLine(const DecoderReading &reading, QJsonObject extra = {});

// The reading's fields as in a result line, for the terminal's --json too.
QJsonObject readingObject(const DecoderReading &reading, QJsonObject extra = {});

} // namespace decoding
