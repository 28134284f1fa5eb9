#pragma once

#include <QByteArrayView>
#include <QString>
#include <array>

namespace decoding {

// What the decoder read from a recording: the colour with the battery pattern
// or the four flash counts; when unsure or failed, as much as it saw.
struct DecoderReading {
    enum class Status { Decoded, Unsure, Error };
    Status status = Status::Error;
    int colour = -1;              // 0 green, 1 red, 2 yellow, -1 unknown
    int pattern = -1;             // green: 0 steady, 1 slow blinking, 2 short flashing, -1 unknown
    std::array<int, 4> flashes{}; // red and yellow: 1 to 16 each, all 0 when unknown
    QString reason = QStringLiteral("none"); // a key: lower-case letters and '_'
    double reasonValue = 0;                  // the number that goes with the reason
    bool hasFlashes() const { return flashes[0] > 0; }
};

// One line of the decoder's output in its --ipc mode.
struct OutputLine {
    enum class Kind {
        Progress, // "progress <seconds read> <length in seconds, 0 unknown>"
        Result,   // "result <JSON object>", the last line
        Garbage   // anything else, or a field of the wrong type or out of range
    };
    Kind kind = Kind::Garbage;
    double readS = 0;
    double lengthS = 0;
    DecoderReading reading;
};

// Reads one line, without its line end. A "decoded" result must name a colour
// and its code, so a broken answer can never pass for a reading.
OutputLine parseOutputLine(QByteArrayView line);

} // namespace decoding
