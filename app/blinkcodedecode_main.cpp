// Reads the blink code of a unit's LED from recordings: a phone video or a
// webcam clip. Prints the code and its causes, or why it is unsure.

#include "catalogue.h"
#include "curveplot.h"
#include "decoderoutput.h"
#include "protocol.h"
#include "readinglimits.h"
#include "readingtext.h"
#include "recordingdecoder.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <cstdio>
#include <memory>
#include <unistd.h>

using recording::Reason;
using recording::Status;
namespace protocol = decoding::protocol;

namespace {

constexpr char Usage[] = "Usage: kestrion-blinkcode-decode [--json | --ipc] [--plot FILE.png] "
                         "[--catalogue FILE] FILE...\n";
constexpr char Help[] =
    "Reads the blink code of a Kestrion unit's status LED from recordings (a phone video,\n"
    "a webcam clip) and prints the colour, the code, its error word and the causes it\n"
    "reports, with their texts from the catalogue (ErrorMessage.ini beside this program, or\n"
    "--catalogue FILE). When a reading is not certain it says \"unsure\" and why.\n"
    "Film the LED close and steady, for at least 60 s (15 s for a green light).\n"
    "  --json        one JSON object per file and line\n"
    "  --ipc         progress and result lines for the blink-code reader's window; of\n"
    "                several FILEs it reads the first video\n"
    "  --plot FILE   draws the light curve as it was read into a PNG picture (one FILE)\n"
    "  --version     prints the version\n"
    "Exit status: 0 every file decoded, 1 any unsure or failed, 2 wrong usage.\n";

void print(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

void print(std::FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// A file that held no picture at all: with several given, the next is tried.
bool heldNoVideo(const recording::Reading &reading)
{
    return reading.reason == Reason::CannotOpen || reading.reason == Reason::NotAVideo ||
           reading.reason == Reason::NoFrames;
}

// --ipc: reads the first of the files that holds a video, for the window.
// Writes which one, the progress, now and then what it has read so far, and
// the result; the first file's result when none holds a video.
int readForWindow(const QStringList &files)
{
    recording::RecordingResult result;
    qsizetype chosen = 0;
    for (qsizetype i = 0; i < files.size(); ++i) {
        bool named = false;
        const auto name = [&] {
            if (!std::exchange(named, true))
                print(stdout, decoding::fileLine(int(i)));
        };
        auto progress = [&](double readMs, double durationMs,
                            const recording::RecordingResult *soFar) {
            name();
            // Only so much of a long recording is read: that is its length here.
            const double lengthS = durationMs > 0 ? blinkcode::secondsRead(durationMs / 1000) : 0;
            print(stdout,
                  decoding::progressLine(std::min(readMs / 1000, blinkcode::ReadAtMostS), lengthS));
            if (soFar)
                print(stdout, decoding::glimpseLine(lightView(*soFar)));
        };
        recording::RecordingResult read = recording::decodeRecording(
            files[i].toStdString(), progress, recording::Glimpses::EveryFewSeconds);
        if (i == 0)
            result = read;
        if (named || !heldNoVideo(read.reading)) {
            name();
            result = std::move(read);
            chosen = i;
            break;
        }
        if (i + 1 == files.size())
            print(stdout, decoding::fileLine(0));
    }
    const recording::Reading &reading = result.reading;
    print(stdout, decoding::resultLine(protocolReading(reading), jsonOf(files[chosen], reading)));
    return reading.status == Status::Decoded ? protocol::ExitDecoded : protocol::ExitNotDecoded;
}

} // namespace

int main(int argc, char *argv[])
{
    // The plot draws text, which needs fonts and thus a GUI application; it
    // never shows a window, so it needs no display either.
    bool plotting = false;
    for (int i = 1; i < argc; ++i)
        plotting = plotting || std::string_view(argv[i]) == "--plot";
    if (plotting)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app(plotting ? new QGuiApplication(argc, argv)
                                                   : new QCoreApplication(argc, argv));

    QStringList arguments = QCoreApplication::arguments().mid(1);
    bool json = false, ipc = false, catalogueGiven = false;
    QString plotFile, problem,
        catalogueFile = catalogue::cataloguePathIn(QCoreApplication::applicationDirPath());
    QStringList files;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            print(stdout, QString(Usage) + Help);
            return 0;
        } else if (argument == "--version") {
            print(stdout, QStringLiteral("kestrion-blinkcode-decode " KESTRION_VERSION "\n"));
            return 0;
        } else if (argument == "--") {
            files += arguments.mid(i + 1);
            break;
        } else if (argument == "--json") {
            json = true;
        } else if (argument == protocol::IpcOption) {
            ipc = true;
        } else if ((argument == "--plot" || argument == "--catalogue") &&
                   i + 1 < arguments.size()) {
            catalogueGiven = catalogueGiven || argument == "--catalogue";
            (argument == "--plot" ? plotFile : catalogueFile) = arguments[++i];
        } else if (argument.startsWith('-') && argument != "-") {
            problem = "unknown option or missing value: " + argument;
        } else {
            files += argument;
        }
    }
    if (problem.isEmpty() && files.isEmpty())
        problem = "no FILE given";
    else if (problem.isEmpty() && json && ipc)
        problem = "--json and --ipc exclude each other";
    else if (problem.isEmpty() && !plotFile.isEmpty() && files.size() != 1)
        problem = "--plot reads one FILE";
    else if (problem.isEmpty() && ipc && !plotFile.isEmpty())
        problem = "--ipc and --plot exclude each other";
    const bool catalogueRead = json || ipc || catalogue::ReadCatalogue(catalogueFile);
    // The catalogue beside the program may be missing (the texts are then
    // empty, as in the window); one asked for by name must be there.
    if (problem.isEmpty() && catalogueGiven && !catalogueRead)
        problem = "cannot read the catalogue " + catalogueFile;
    if (!problem.isEmpty()) {
        print(stderr, "kestrion-blinkcode-decode: " + problem + "\n" + Usage);
        return protocol::ExitUsage;
    }
    const bool terminal = isatty(fileno(stderr));

    if (ipc)
        return readForWindow(files);
    bool allDecoded = true;
    for (const QString &file : files) {
        const auto started = std::chrono::steady_clock::now();
        bool shown = false;
        auto progress = [&](double readMs, double durationMs, const recording::RecordingResult *) {
            if (!terminal || std::chrono::steady_clock::now() - started < std::chrono::seconds(1))
                return;
            shown = true;
            print(stderr,
                  QString("\rreading %1: %2 s").arg(file).arg(readMs / 1000, 0, 'f', 0) +
                      (durationMs > 0 ? QString(" of %1 s").arg(durationMs / 1000, 0, 'f', 0)
                                      : QString()) +
                      "  ");
        };
        const recording::RecordingResult result =
            recording::decodeRecording(file.toStdString(), progress);
        if (shown)
            print(stderr, QStringLiteral("\r\033[K"));
        const recording::Reading &reading = result.reading;
        allDecoded = allDecoded && reading.status == Status::Decoded;
        if (json)
            print(stdout, QString::fromUtf8(
                              QJsonDocument(jsonOf(file, reading)).toJson(QJsonDocument::Compact)) +
                              "\n");
        else
            print(stdout, humanReport(file, reading));
        if (!plotFile.isEmpty()) {
            const QString title = file + ": " +
                                  (reading.status == Status::Decoded
                                       ? codeText(reading)
                                       : statusName(reading.status) + ": " + reasonText(reading));
            if (!plotLightCurve(lightView(result), title, result.readMs).save(plotFile, "PNG")) {
                print(stderr, "kestrion-blinkcode-decode: cannot write " + plotFile + "\n");
                allDecoded = false;
            }
        }
    }
    return allDecoded ? protocol::ExitDecoded : protocol::ExitNotDecoded;
}
