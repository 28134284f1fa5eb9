#pragma once

#include "decoderrun.h"

#include <QStringList>
#include <optional>

class QWidget;

namespace main_window {

// Reads a recording of the LED that the user dropped or opened: runs the
// decoder on the files, of which it reads the first video, with a progress
// window over the main window that shows the light curve as it is read, and
// tells the user in a message what kept it from a certain reading. Every text comes from the
// catalogue's [Aufnahme]. Built for one reading and let go afterwards.
class RecordingReader
{
public:
    // `program` is the decoder; `timeLimitMs` 0 gives it its usual limit.
    RecordingReader(QWidget *owner, const QString &program, qint64 timeLimitMs);

    // The reading when the decoder decoded the recording; otherwise nothing,
    // after a message unless the user cancelled.
    std::optional<decoding::DecoderReading> read(const QStringList &paths);

    // The file the decoder read, once read() has run; "" when none.
    const QString &fileRead() const { return m_fileRead; }

    // Name filters for the file dialog: videos, then all files.
    static QStringList fileFilters();

private:
    decoding::DecoderRun::Failure runDecoder(decoding::DecoderRun &run, const QStringList &files);
    void setFile(const QString &file, bool several);
    void tell(const QStringList &lines) const;
    QString failureText(decoding::DecoderRun::Failure failure) const;
    QStringList readingLines(const decoding::DecoderReading &reading) const;

    QWidget *m_owner = nullptr;
    QString m_program;
    qint64 m_timeLimitMs = 0;
    QStringList m_fileLines; // the file's name, and a note when it is one of several
    QString m_fileRead;
};

} // namespace main_window
