#pragma once

#include "decoderoutput.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QTimer>

namespace decoding {

// One run of the decoder as a child process, `program --ipc FILE`: its
// progress as it comes, then one outcome. The child never outlives the run:
// cancelling, a time-out, unreadable output and destroying the run kill it at
// once and wait for it.
class DecoderRun : public QObject
{
    Q_OBJECT

public:
    // How a run ended when it gave no reading.
    enum class Failure {
        None,        // the decoder answered: see reading()
        Missing,     // the program is not there or cannot be started
        Crashed,     // it crashed, or ended without a result
        TimedOut,    // it took longer than timeLimitMs() and was killed
        Garbage,     // it wrote something that is not its protocol
        FileChanged, // the file was deleted or changed while it was read
        Cancelled    // cancel() was called
    };

    explicit DecoderRun(QObject *parent = nullptr);
    ~DecoderRun() override;

    // Starts the decoder on `file`; false, with failure() Missing, when it does
    // not start. Otherwise `finished` follows from the event loop.
    bool start(const QString &program, const QString &file);

    // Kills the child at once and ends the run as Cancelled.
    void cancel();

    // Whether the child is running and no outcome has been given yet.
    bool isRunning() const { return !m_done; }

    Failure failure() const { return m_failure; }
    const DecoderReading &reading() const { return m_reading; }

    // How long the decoder may take, in ms: half a minute, and more for a
    // larger file or, once the decoder has said it, a longer recording.
    static qint64 timeLimitMs(qint64 fileBytes, double lengthS);

    // Tests: a fixed limit in ms instead of timeLimitMs(); 0 restores it.
    void setTimeLimitMs(qint64 ms) { m_fixedLimitMs = ms; }

signals:
    // How far the decoder has read, and the recording's length (0 unknown).
    void progress(double readS, double lengthS);
    // The run has ended, once; failure() and reading() tell how.
    void finished();

private:
    void readOutput();
    void takeLine(QByteArrayView line);
    void processEnded(int exitCode, QProcess::ExitStatus status);
    void armLimit(double lengthS);
    void finish(Failure failure);
    bool fileChanged() const;

    QProcess m_process;
    QTimer m_limit;
    QElapsedTimer m_clock;
    QByteArray m_pending; // output after the last complete line
    QString m_file;
    qint64 m_fileBytes = -1;
    QDateTime m_fileModified;
    qint64 m_fixedLimitMs = 0;
    bool m_hasResult = false;
    bool m_done = true;
    Failure m_failure = Failure::None;
    DecoderReading m_reading;
};

} // namespace decoding
