// A recording of the LED dropped on the main window or opened with Ctrl+O:
// read by the decoder in a child process, then chosen as the user would.
#include "form1.h"

#include "catalogue.h"
#include "combobox.h"
#include "dialogs.h"
#include "ledcode.h"
#include "recordingreader.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QStandardPaths>
#include <QTimer>

using namespace catalogue;

namespace main_window {

namespace {

// The local files among dragged data; links and text give none.
QStringList localFiles(const QMimeData *data)
{
    QStringList files;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    return files;
}

// Where the file dialog opens: the folder of the last recording read in this
// run, else the user's videos folder, else home. Kept in memory only.
QString startFolder(const QString &lastFolder)
{
    const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    for (const QString &folder : {lastFolder, videos}) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    }
    return QDir::homePath();
}

} // namespace

// A drop is taken while the window takes input and no recording is being
// read: a second one is refused, and so is one while a modal window is open.
void Form1::Form_OLEDragOver(const QMimeData *data, bool &accept)
{
    accept =
        !m_readingRecording && !QApplication::activeModalWidget() && !localFiles(data).isEmpty();
}

void Form1::Form_OLEDragDrop(const QMimeData *data)
{
    // Read once the drop has ended, so the file manager is not kept waiting
    // for the whole reading.
    m_readingRecording = true;
    QTimer::singleShot(0, this, [this, files = localFiles(data)] { readRecording(files); });
}

void Form1::OpenShortcut_Activated()
{
    if (m_readingRecording)
        return;
    const QString file =
        toolkit::chooseFile(this, ReadCatalogueText(Text::RecordingOpen),
                            RecordingReader::fileFilters(), startFolder(m_recordingFolder));
    if (file.isEmpty())
        return;
    m_readingRecording = true;
    QTimer::singleShot(0, this, [this, file] { readRecording({file}); });
}

void Form1::setDecoder(const QString &program, qint64 timeLimitMs)
{
    m_decoder = program;
    m_decoderTimeLimitMs = timeLimitMs;
}

void Form1::dragEnterEvent(QDragEnterEvent *event)
{
    dragMoveEvent(event);
}

void Form1::dragMoveEvent(QDragMoveEvent *event)
{
    bool accept = false;
    Form_OLEDragOver(event->mimeData(), accept);
    if (accept)
        event->acceptProposedAction();
    else
        event->ignore();
}

void Form1::dropEvent(QDropEvent *event)
{
    bool accept = false;
    Form_OLEDragOver(event->mimeData(), accept);
    if (!accept)
        return event->ignore();
    event->acceptProposedAction();
    Form_OLEDragDrop(event->mimeData());
}

void Form1::readRecording(const QStringList &paths)
{
#ifdef Q_OS_WIN
    const QString decoderName = QStringLiteral("/kestrion-blinkcode-decode.exe");
#else
    const QString decoderName = QStringLiteral("/kestrion-blinkcode-decode");
#endif
    RecordingReader reader(
        this, m_decoder.isEmpty() ? toolkit::applicationPath() + decoderName : m_decoder,
        m_decoderTimeLimitMs);
    const std::optional<decoding::DecoderReading> reading = reader.read(paths);
    if (!reader.fileRead().isEmpty())
        m_recordingFolder = QFileInfo(reader.fileRead()).absolutePath();
    if (reading)
        applyReading(*reading);
    m_readingRecording = false;
}

// A decoded recording is chosen as the user would choose it, through the same
// handlers in the same order: the colour, which resets the other lists and
// stops the sequence, then the battery pattern or the four flash counts; then
// the display button shows the causes and, once closed, replays the code.
void Form1::applyReading(const decoding::DecoderReading &reading)
{
    Combo1->setListIndex(reading.colour);
    if (reading.colour == int(blinkcode::Colour::Green)) {
        Combo2->setListIndex(reading.pattern);
    } else {
        for (int i = 0; i < 4; ++i)
            Combo3[i]->setListIndex(reading.flashes[i] - 1);
    }
    Command3_Click();
}

} // namespace main_window
