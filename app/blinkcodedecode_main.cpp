// Reads the blink code of a unit's LED from recordings: a phone video or a
// webcam clip. Prints the code and its causes, or why it is unsure.

#include "catalogue.h"
#include "curveplot.h"
#include "ledcode.h"
#include "recordingdecoder.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <unistd.h>

using recording::Reason;
using recording::Status;

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
    "  --ipc         progress and result lines for the blink-code reader's window (one FILE)\n"
    "  --plot FILE   draws the light curve as it was read into a PNG picture (one FILE)\n"
    "  --version     prints the version\n"
    "Exit status: 0 every file decoded, 1 any unsure or failed, 2 wrong usage.\n";

using blinkcode::ColourNames;
constexpr std::array<const char *, 3> PatternNames{"steady light", "slow blinking",
                                                   "short flashing"};

void print(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// Why a recording was not read, in words a technician understands.
QString reasonText(const recording::Reading &reading)
{
    const double value = reading.reasonValue;
    switch (reading.reason) {
    case Reason::None:
        return QString();
    case Reason::CannotOpen:
        return "cannot open the file: it is missing, unreadable, or not a regular file";
    case Reason::NotAVideo:
        return "not a video: the file holds no video that can be decoded";
    case Reason::FrameTooLarge:
        return QString("the frames have %1 megapixels, more than any phone or webcam records")
            .arg(value, 0, 'f', 0);
    case Reason::NoFrames:
        return "the video has no frame that can be decoded";
    case Reason::NoBlinkingLight:
        return "no blinking light found: film the LED from closer and keep it in the picture";
    case Reason::TooShort:
        return QString("recording too short to see a whole cycle: film at least %1 s").arg(value);
    case Reason::FrameRateTooLow:
        return QString("frame rate too low to see every 50 ms flash (%1 frames per second): "
                       "film at 30 frames per second or more")
            .arg(value, 0, 'f', 0);
    case Reason::CyclesDisagree:
        return "the blinking does not repeat the same code: film again, close and steady";
    case Reason::TwoLightsBlink:
        return "two lights blink with different codes: film only the unit's LED";
    case Reason::ColourUnclear:
        return "the light's colour is neither clearly green, red nor yellow";
    case Reason::ColourDoesNotFit:
        return "the blinking does not fit the light's colour: a green pattern in red or yellow, "
               "or a code in green";
    case Reason::NotAKestrionCode:
        return "the blinking does not follow the unit's timing";
    case Reason::ReadTooSlow:
        return QString("reading took too long and was stopped after %1 s of the recording: "
                       "try a shorter or smaller recording")
            .arg(value, 0, 'f', 0);
    }
    return QString();
}

QString codeText(const recording::Reading &reading)
{
    const QString colour = reading.colour >= 0 ? ColourNames[std::size_t(reading.colour)]
                                               : QStringLiteral("colour unclear");
    if (reading.pattern >= 0)
        return colour + ", pattern " + QString::number(reading.pattern) + " (" +
               PatternNames[std::size_t(reading.pattern)] + ")";
    if (reading.flashes[0] > 0)
        return colour + QString(", flashes %1, %2, %3, %4")
                            .arg(reading.flashes[0])
                            .arg(reading.flashes[1])
                            .arg(reading.flashes[2])
                            .arg(reading.flashes[3]);
    return QString();
}

QString statusName(Status status)
{
    return status == Status::Decoded ? "decoded" : status == Status::Unsure ? "unsure" : "error";
}

QJsonObject jsonOf(const QString &file, const recording::Reading &reading, bool forWindow)
{
    QJsonObject object{{"file", file}, {"status", statusName(reading.status)}};
    if (reading.colour >= 0)
        object["colour"] = ColourNames[std::size_t(reading.colour)];
    if (reading.pattern >= 0) {
        object["pattern"] = reading.pattern;
    } else if (reading.flashes[0] > 0) {
        QJsonArray flashes;
        for (int count : reading.flashes)
            flashes.append(count);
        object["flashes"] = flashes;
    }
    if (reading.hasCode())
        object["error_word"] = int(recording::errorWord(reading));
    if (reading.cycleStartMs >= 0)
        object["cycle_start_s"] = std::round(reading.cycleStartMs) / 1000;
    object["message"] = reading.status == Status::Decoded ? codeText(reading) : reasonText(reading);
    if (forWindow) {
        object["reason"] = QString::fromLatin1(recording::reasonKey(reading.reason));
        object["reason_value"] = reading.reasonValue;
    }
    return object;
}

// The human report: the code, its error word and the causes it reports.
QString humanReport(const QString &file, const recording::Reading &reading)
{
    QString out = file + ": ";
    if (reading.status != Status::Decoded) {
        out += statusName(reading.status) + ": " + reasonText(reading) + "\n";
        if (reading.hasCode() || reading.flashes[0] > 0)
            out += "  best reading (unsure): " + codeText(reading) + "\n";
        return out;
    }
    const std::int32_t word = recording::errorWord(reading);
    out += codeText(reading) + QString(", error word 0x%1").arg(word, 4, 16, QChar('0'));
    if (reading.cycleStartMs >= 0)
        out += QString(", cycle starts at %1 s").arg(reading.cycleStartMs / 1000, 0, 'f', 1);
    out += "\n";
    for (int bit = 0; bit < 16; ++bit) {
        if (!(word & (1 << bit)))
            continue;
        out += QString("  bit %1: %2\n")
                   .arg(bit, 2)
                   .arg(catalogue::ReadCatalogueText(catalogue::causeText(bit, reading.colour)));
    }
    return out;
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
        } else if (argument == "--ipc") {
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
    else if (problem.isEmpty() && (ipc || !plotFile.isEmpty()) && files.size() != 1)
        problem = (ipc ? "--ipc" : "--plot") + QString(" reads one FILE");
    const bool catalogueRead = json || ipc || catalogue::ReadCatalogue(catalogueFile);
    // The catalogue beside the program may be missing (the texts are then
    // empty, as in the window); one asked for by name must be there.
    if (problem.isEmpty() && catalogueGiven && !catalogueRead)
        problem = "cannot read the catalogue " + catalogueFile;
    if (!problem.isEmpty()) {
        print(stderr, "kestrion-blinkcode-decode: " + problem + "\n" + Usage);
        return 2;
    }
    const bool terminal = isatty(fileno(stderr));

    bool allDecoded = true;
    for (const QString &file : files) {
        const auto started = std::chrono::steady_clock::now();
        bool shown = false;
        auto progress = [&](double readMs, double durationMs, const recording::RecordingResult *) {
            if (ipc) {
                print(stdout, QString("progress %1 %2\n")
                                  .arg(readMs / 1000, 0, 'f', 3)
                                  .arg(durationMs / 1000, 0, 'f', 3));
            } else if (terminal &&
                       std::chrono::steady_clock::now() - started > std::chrono::seconds(1)) {
                shown = true;
                print(stderr,
                      QString("\rreading %1: %2 s").arg(file).arg(readMs / 1000, 0, 'f', 0) +
                          (durationMs > 0 ? QString(" of %1 s").arg(durationMs / 1000, 0, 'f', 0)
                                          : QString()) +
                          "  ");
            }
        };
        const recording::RecordingResult result =
            recording::decodeRecording(file.toStdString(), progress);
        if (shown)
            print(stderr, "\r\033[K");
        const recording::Reading &reading = result.reading;
        allDecoded = allDecoded && reading.status == Status::Decoded;
        if (ipc || json) {
            const QJsonObject object = jsonOf(file, reading, ipc);
            print(stdout,
                  (ipc ? "result " : "") +
                      QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) +
                      "\n");
        } else {
            print(stdout, humanReport(file, reading));
        }
        if (!plotFile.isEmpty()) {
            const QString title = file + ": " +
                                  (reading.status == Status::Decoded
                                       ? codeText(reading)
                                       : statusName(reading.status) + ": " + reasonText(reading));
            if (!plotLightCurve(result, title).save(plotFile, "PNG")) {
                print(stderr, "kestrion-blinkcode-decode: cannot write " + plotFile + "\n");
                allDecoded = false;
            }
        }
    }
    return allDecoded ? 0 : 1;
}
