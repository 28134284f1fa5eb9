#include "decoderrun.h"

#include "protocol.h"
#include "readinglimits.h"

#include <QFileInfo>
#include <algorithm>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

namespace decoding {

namespace {

// Beyond the decoder's own limits: starting it, and reading the light
// curves once the last frame is in.
constexpr double StartAndFinishS = 30;

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

bool DecoderRun::start(const QString &program, const QStringList &files)
{
    m_files.clear();
    QStringList arguments = {protocol::IpcOption, QStringLiteral("--")};
    for (const QString &file : files) {
        const QFileInfo info(file);
        m_files.append(
            {info.absoluteFilePath(), info.exists() ? info.size() : -1, info.lastModified()});
        arguments << info.absoluteFilePath();
    }
    m_fileIndex = 0;
    m_pending.clear();
    m_hasResult = false;
    m_reading = {};
    m_failure = Failure::None;
    const QFileInfo decoder(program);
    if (!decoder.isFile() || !decoder.isExecutable()) {
        m_failure = Failure::Missing;
        return false;
    }
    m_process.start(program, arguments);
    if (!m_process.waitForStarted(-1)) {
        m_failure = Failure::Missing;
        return false;
    }
    m_done = false;
    // Each file before the one read is opened and found no video.
    m_clock.start();
    armLimit(0);
    if (m_fixedLimitMs == 0)
        m_limit.start(
            m_limit.remainingTime() +
            int(blinkcode::OpenTimeS * 1000 * double(std::max<qsizetype>(0, files.size() - 1))));
    return true;
}

void DecoderRun::cancel()
{
    finish(Failure::Cancelled);
}

qint64 DecoderRun::timeLimitMs(double lengthS)
{
    return qint64((blinkcode::OpenTimeS + blinkcode::readTimeS(lengthS) + StartAndFinishS) * 1000);
}

void DecoderRun::armLimit(double lengthS)
{
    const qint64 limit = m_fixedLimitMs > 0 ? m_fixedLimitMs : timeLimitMs(lengthS);
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
    if (!m_done && m_pending.size() > protocol::MaxLineBytes)
        finish(Failure::Garbage);
}

void DecoderRun::takeLine(QByteArrayView line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty())
        return;
    const OutputLine out = parseOutputLine(line);
    using Kind = OutputLine::Kind;
    if (m_hasResult || out.kind == Kind::Garbage ||
        (out.kind == Kind::File && out.fileIndex >= m_files.size())) {
        finish(Failure::Garbage); // nothing may follow the result
    } else if (out.kind == Kind::File) {
        // The files before it were no videos: its time starts now.
        m_fileIndex = out.fileIndex;
        m_clock.start();
        armLimit(0);
        emit fileChosen(m_fileIndex);
    } else if (out.kind == Kind::Progress) {
        if (out.lengthS > 0)
            armLimit(out.lengthS);
        emit progress(out.readS, out.lengthS);
    } else if (out.kind == Kind::Glimpse) {
        emit glimpse(out.glimpse);
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
    const bool decoded = m_reading.status == Status::Decoded;
    if (status == QProcess::CrashExit || !m_hasResult)
        finish(Failure::Crashed);
    else if (decoded != (exitCode == protocol::ExitDecoded)) // nor contradict the exit status
        finish(Failure::Garbage);
    else
        finish(fileChanged() ? Failure::FileChanged : Failure::None);
}

bool DecoderRun::fileChanged() const
{
    if (m_fileIndex >= m_files.size())
        return false;
    const File &file = m_files.at(m_fileIndex);
    const QFileInfo now(file.path);
    return (now.exists() ? now.size() : -1) != file.bytes || now.lastModified() != file.modified;
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
