#include "decoderrun.h"

#include <QFileInfo>
#include <algorithm>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

namespace decoding {

namespace {

// A line of the protocol is short; a longer one is garbage, so that a
// runaway child cannot fill the memory.
constexpr qsizetype MaxLineLength = 64 * 1024;
// How long the decoder may take: 30 s to start with, then 2 s per MiB of the
// file or 5 s per second of recording, whichever is more, at most an hour.
constexpr qint64 BaseLimitMs = 30'000;
constexpr qint64 MsPerMiB = 2'000;
constexpr double MsPerRecordedS = 5'000;
constexpr qint64 MaxLimitMs = 3'600'000;

} // namespace

DecoderRun::DecoderRun(QObject *parent) : QObject(parent)
{
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice()); // its English is for a terminal
#ifdef Q_OS_LINUX
    // Should this program itself be killed, the child goes with it.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
#endif
    m_limit.setSingleShot(true);
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &DecoderRun::readOutput);
    connect(&m_process, &QProcess::finished, this, &DecoderRun::processEnded);
    connect(&m_limit, &QTimer::timeout, this, [this] { finish(Failure::TimedOut); });
}

DecoderRun::~DecoderRun()
{
    m_process.disconnect(this);
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(-1);
    }
}

bool DecoderRun::start(const QString &program, const QString &file)
{
    const QFileInfo info(file);
    m_file = info.absoluteFilePath();
    m_fileBytes = info.exists() ? info.size() : -1;
    m_fileModified = info.lastModified();
    m_pending.clear();
    m_hasResult = false;
    m_reading = {};
    m_failure = Failure::None;
    const QFileInfo decoder(program);
    if (!decoder.isFile() || !decoder.isExecutable()) {
        m_failure = Failure::Missing;
        return false;
    }
    m_process.start(program, {QStringLiteral("--ipc"), m_file});
    if (!m_process.waitForStarted(-1)) {
        m_failure = Failure::Missing;
        return false;
    }
    m_done = false;
    m_clock.start();
    armLimit(0);
    return true;
}

void DecoderRun::cancel()
{
    finish(Failure::Cancelled);
}

qint64 DecoderRun::timeLimitMs(qint64 fileBytes, double lengthS)
{
    const double forFile = double(std::max<qint64>(fileBytes, 0) >> 20) * MsPerMiB;
    const double forLength = lengthS * MsPerRecordedS;
    return qint64(std::min(BaseLimitMs + std::max(forFile, forLength), double(MaxLimitMs)));
}

void DecoderRun::armLimit(double lengthS)
{
    const qint64 limit = m_fixedLimitMs > 0 ? m_fixedLimitMs : timeLimitMs(m_fileBytes, lengthS);
    m_limit.start(int(std::max<qint64>(0, limit - m_clock.elapsed())));
}

void DecoderRun::readOutput()
{
    m_pending += m_process.readAllStandardOutput();
    qsizetype end = 0;
    while (!m_done && (end = m_pending.indexOf('\n')) >= 0) {
        const QByteArray line = m_pending.first(end);
        m_pending.remove(0, end + 1);
        takeLine(line);
    }
    if (!m_done && m_pending.size() > MaxLineLength)
        finish(Failure::Garbage);
}

void DecoderRun::takeLine(QByteArrayView line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty())
        return;
    const OutputLine out = parseOutputLine(line);
    if (m_hasResult || out.kind == OutputLine::Kind::Garbage) {
        finish(Failure::Garbage); // nothing may follow the result
    } else if (out.kind == OutputLine::Kind::Progress) {
        if (out.lengthS > 0 && m_fixedLimitMs == 0)
            armLimit(out.lengthS);
        emit progress(out.readS, out.lengthS);
    } else {
        m_hasResult = true;
        m_reading = out.reading;
    }
}

void DecoderRun::processEnded(int exitCode, QProcess::ExitStatus status)
{
    readOutput();
    if (!m_done && !m_pending.isEmpty()) // the last line may lack its line end
        takeLine(std::exchange(m_pending, {}));
    if (m_done)
        return;
    const bool decoded = m_reading.status == DecoderReading::Status::Decoded;
    if (status == QProcess::CrashExit || !m_hasResult)
        finish(Failure::Crashed);
    else if (decoded != (exitCode == 0)) // a reading must not contradict the exit status
        finish(Failure::Garbage);
    else
        finish(fileChanged() ? Failure::FileChanged : Failure::None);
}

bool DecoderRun::fileChanged() const
{
    const QFileInfo now(m_file);
    return (now.exists() ? now.size() : -1) != m_fileBytes || now.lastModified() != m_fileModified;
}

void DecoderRun::finish(Failure failure)
{
    if (m_done)
        return;
    m_done = true;
    m_failure = failure;
    m_limit.stop();
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(10000); // reaped here: no child is left behind
    }
    emit finished();
}

} // namespace decoding
