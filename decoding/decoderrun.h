#pragma once

#include "decoderoutput.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTimer>

namespace decoding {

// One run of the decoder as a child process, `program --ipc FILE...`: the
// file it reads and its progress as they come, then one outcome. The child never outlives the run:
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

    // Starts the decoder on `files`, of which it reads the first video;
    // false, with failure() Missing, when it does not start. Otherwise
    // `finished` follows from the event loop.
    bool start(const QString &program, const QStringList &files);

    // Kills the child at once and ends the run as Cancelled.
    void cancel();

    // Whether the child is running and no outcome has been given yet.
    bool isRunning() const { return !m_done; }

    Failure failure() const { return m_failure; }
    const DecoderReading &reading() const { return m_reading; }

    // Which of the files the decoder reads (0 until it says).
    int fileIndex() const { return m_fileIndex; }

    // How long the decoder may take on a file, in ms, from when it names it:
    // the decoder's own limits on opening and reading a recording of that
    // length (0 unknown), and time to start and to finish its reading.
    static qint64 timeLimitMs(double lengthS);

    // Tests: a fixed limit in ms instead of timeLimitMs(); 0 restores it.
    void setTimeLimitMs(qint64 ms) { m_fixedLimitMs = ms; }

signals:
    // The decoder reads files[index].
    void fileChosen(int index);
    // How far the decoder has read, and the recording's length (0 unknown).
    void progress(double readS, double lengthS);
    // What it has read so far.
    void glimpse(const decoding::LightView &view);
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
    struct File {
        QString path;
        qint64 bytes = -1;
        QDateTime modified;
    };
    QList<File> m_files;
    int m_fileIndex = 0;
    qint64 m_fixedLimitMs = 0;
    bool m_hasResult = false;
    bool m_done = true;
    Failure m_failure = Failure::None;
    DecoderReading m_reading;
};

} // namespace decoding
