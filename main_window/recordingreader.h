#pragma once

#include "decoderoutput.h"
#include "decoderrun.h"

#include <QStringList>
#include <optional>

class QWidget;

namespace main_window {

// Reads a recording of the LED that the user dropped or opened: picks the
// first video among the files, runs the decoder on it with a progress window
// over the main window, and tells the user in a message what kept it from a
// certain reading. Every text comes from the catalogue's [Aufnahme]. Built
// for one reading and let go afterwards.
class RecordingReader
{
public:
    // `program` is the decoder; `timeLimitMs` 0 gives it its usual limit.
    RecordingReader(QWidget *owner, const QString &program, qint64 timeLimitMs);

    // The reading when the decoder decoded the recording; otherwise nothing,
    // after a message unless the user cancelled.
    std::optional<decoding::DecoderReading> read(const QStringList &paths);

    // Name filters for the file dialog: videos, then all files.
    static QStringList fileFilters();

private:
    qsizetype firstVideo(const QStringList &paths) const;
    decoding::DecoderRun::Failure runDecoder(decoding::DecoderRun &run, const QString &file);
    void showProgress(double readS, double lengthS);
    void tell(const QStringList &lines) const;
    QString failureText(decoding::DecoderRun::Failure failure) const;
    QStringList readingLines(const decoding::DecoderReading &reading) const;

    QWidget *m_owner = nullptr;
    QString m_program;
    qint64 m_timeLimitMs = 0;
    QStringList m_fileLines; // the file's name, and a note when it is one of several
};

} // namespace main_window
