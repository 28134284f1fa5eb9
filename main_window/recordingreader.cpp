#include "recordingreader.h"

#include "catalogue.h"
#include "dialogs.h"
#include "ledcode.h"
#include "lightstrip.h"
#include "progressdialog.h"
#include "readingreason.h"

#include <QBoxLayout>
#include <QFileInfo>
#include <QLabel>

using decoding::DecoderReading;
using decoding::DecoderRun;
using decoding::Status;
using Failure = decoding::DecoderRun::Failure;

namespace main_window {

namespace {

// Name patterns of the videos a phone or camera records, in both cases, as
// some file dialogs match names case-sensitively.
constexpr const char *VideoPatterns[] = {"mp4", "m4v", "mov",  "3gp", "3g2",  "mkv", "webm",
                                         "avi", "mts", "m2ts", "mpg", "mpeg", "wmv", "ogv"};

using catalogue::Text;

QString text(Text key)
{
    return catalogue::ReadCatalogueText(key);
}

// The text of the decoder's reason; the first, "none", for one the program
// does not know.
Text reasonText(const QString &reason)
{
    for (int i = 0; i < catalogue::RecordingReasonCount; ++i) {
        if (reason == QLatin1String(blinkcode::ReasonKeys[size_t(i)]))
            return catalogue::recordingReason(i);
    }
    return catalogue::recordingReason(0);
}

// The catalogue's text with its "%1" replaced; a text without one stays as it
// is, and a "%" the translator wrote means nothing else.
QString withArgument(QString text, const QString &argument)
{
    return text.replace(QStringLiteral("%1"), argument);
}

// A file's name or path as shown: control and invisible characters replaced,
// so a name cannot break or reorder the lines around it.
QString shown(QString name)
{
    for (QChar &c : name) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Other_Format ||
            category == QChar::Separator_Line || category == QChar::Separator_Paragraph)
            c = QChar::ReplacementCharacter;
    }
    return name;
}

QString shownName(const QString &path)
{
    return shown(QFileInfo(path).fileName());
}

QString number(double value)
{
    return QString::number(value, 'g', 4);
}

// "22 von 60 s gelesen", and the colour once one is found.
QString progressText(double readS, double lengthS, int colour)
{
    const QString read = QString::number(readS, 'f', 0);
    QString shown = lengthS > 0
                        ? withArgument(text(Text::RecordingProgress), read)
                              .replace(QStringLiteral("%2"), QString::number(lengthS, 'f', 0))
                        : withArgument(text(Text::RecordingProgressNoLength), read);
    if (colour >= 0 && colour < 3)
        shown += QStringLiteral(" – ") + text(catalogue::colourName(colour));
    return shown;
}

} // namespace

RecordingReader::RecordingReader(QWidget *owner, const QString &program, qint64 timeLimitMs)
    : m_owner(owner), m_program(program), m_timeLimitMs(timeLimitMs)
{}

QStringList RecordingReader::fileFilters()
{
    QStringList patterns;
    for (const char *suffix : VideoPatterns)
        patterns << "*." + QLatin1String(suffix) << "*." + QString::fromLatin1(suffix).toUpper();
    return {text(Text::RecordingVideos) + " (" + patterns.join(' ') + ')',
            text(Text::RecordingAllFiles) + " (*)"};
}

std::optional<DecoderReading> RecordingReader::read(const QStringList &paths)
{
    // Only regular files go to the decoder, which tells a video by its
    // content: a folder, a device or a pipe is never read.
    QStringList files;
    for (const QString &path : paths) {
        if (QFileInfo(path).isFile())
            files << path;
    }
    if (files.isEmpty()) {
        tell({shownName(paths.value(0)),
              text(QFileInfo(paths.value(0)).isDir() ? Text::RecordingFolder
                                                     : Text::RecordingNoVideo)});
        return std::nullopt;
    }
    setFile(files[0], paths.size() > 1);

    DecoderRun run;
    run.setTimeLimitMs(m_timeLimitMs);
    const Failure failure = runDecoder(run, files);
    const DecoderReading &reading = run.reading();
    setFile(files.value(run.fileIndex()), paths.size() > 1);
    if (failure == Failure::Cancelled)
        return std::nullopt;
    if (failure == Failure::Missing)
        tell({text(Text::RecordingProgramMissing), shown(m_program)});
    else if (failure != Failure::None)
        tell(m_fileLines + QStringList(failureText(failure)));
    else if (reading.status != Status::Decoded)
        tell(m_fileLines + readingLines(reading));
    else
        return reading;
    return std::nullopt;
}

void RecordingReader::setFile(const QString &file, bool several)
{
    m_fileRead = file;
    m_fileLines = {shownName(file)};
    if (several)
        m_fileLines << text(Text::RecordingSeveralFiles);
}

// Runs the decoder in the progress window, which closes when the decoder
// ends; cancelling the window kills the decoder. Below the bar, the light
// curve read so far.
Failure RecordingReader::runDecoder(DecoderRun &run, const QStringList &files)
{
    if (!run.start(m_program, files))
        return run.failure();
    toolkit::ProgressDialog dialog(m_owner, text(Text::RecordingTitle),
                                   text(Text::RecordingCancel));
    auto *strip = new LightStrip(&dialog);
    if (auto *layout = qobject_cast<QBoxLayout *>(dialog.layout()))
        layout->insertWidget(layout->indexOf(dialog.Label2) + 1, strip);
    dialog.setText(m_fileLines.join('\n'));
    dialog.setProgress(-1, progressText(0, 0, -1));
    QObject::connect(&run, &DecoderRun::fileChosen, &dialog, [&](int index) {
        setFile(files.value(index), m_fileLines.size() > 1);
        dialog.setText(m_fileLines.join('\n'));
    });
    QObject::connect(&run, &DecoderRun::progress, &dialog, [&](double readS, double lengthS) {
        strip->setLengthMs(lengthS * 1000);
        dialog.setProgress(lengthS > 0 ? readS / lengthS : -1,
                           progressText(readS, lengthS, strip->view().colour));
    });
    QObject::connect(&run, &DecoderRun::glimpse, strip, &LightStrip::setView);
    QObject::connect(&run, &DecoderRun::finished, &dialog, &QDialog::accept);
    QObject::connect(&dialog, &QDialog::rejected, &run, &DecoderRun::cancel);
    if (run.isRunning())
        dialog.exec();
    return run.failure();
}

void RecordingReader::tell(const QStringList &lines) const
{
    toolkit::showMessage(m_owner, text(Text::RecordingTitle), lines.join('\n'),
                         text(Text::RecordingOk));
}

QString RecordingReader::failureText(Failure failure) const
{
    switch (failure) {
    case Failure::Crashed:
        return text(Text::RecordingCrashed);
    case Failure::TimedOut:
        return text(Text::RecordingTimeLimit);
    case Failure::Garbage:
        return text(Text::RecordingAnswerUnreadable);
    case Failure::FileChanged:
        return text(Text::RecordingFileChanged);
    default:
        return QString();
    }
}

// Why the recording was not read with certainty, and the best reading where
// the decoder has one, labelled as unsure.
QStringList RecordingReader::readingLines(const DecoderReading &reading) const
{
    const bool unsure = reading.status == Status::Unsure;
    QStringList lines = {
        text(unsure ? Text::RecordingUnsure : Text::RecordingNotRead),
        withArgument(text(reasonText(reading.reason)), number(reading.reasonValue))};

    QStringList best;
    if (reading.colour >= 0)
        best << text(catalogue::colourName(reading.colour));
    constexpr int green = int(blinkcode::Colour::Green);
    if (reading.pattern >= 0 && reading.colour <= green)
        best << text(catalogue::patternName(reading.pattern));
    else if (reading.hasFlashes() && reading.colour != green)
        best << QStringLiteral("%1, %2, %3, %4")
                    .arg(reading.flashes[0])
                    .arg(reading.flashes[1])
                    .arg(reading.flashes[2])
                    .arg(reading.flashes[3]);
    if (unsure && !best.isEmpty())
        lines << withArgument(text(Text::RecordingBestReading), best.join(QStringLiteral(" – ")));
    return lines << text(Text::RecordingNothingChosen);
}

} // namespace main_window
