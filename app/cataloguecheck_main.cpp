#include "catalogue.h"
#include "cataloguecheck.h"
#include "cataloguereport.h"
#include "textfit.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>

namespace {

constexpr char Usage[] = "Usage: kestrion-catalogue-check [--version] [FILE]\n";
constexpr char Help[] =
    "Checks a text catalogue of the Kestrion blink-code reader the way the program reads it.\n"
    "FILE defaults to ErrorMessage.ini beside this program, the catalogue the installed\n"
    "program reads. Reports, with line numbers: texts that are missing or empty (errors);\n"
    "and texts garbled by the wrong encoding (errors); texts cut to %1 characters, texts\n"
    "wider than the control that shows them (measured in the program's font at 96 dpi),\n"
    "keys and sections the program never reads, repeated ones and lines it ignores\n"
    "(warnings); and the entries whose position is fixed (notes).\n"
    "Exit status: 0 no error, 1 errors found, 2 wrong usage.\n";

void print(std::FILE *stream, const QString &line)
{
    const QByteArray bytes = (line + '\n').toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

} // namespace

int main(int argc, char *argv[])
{
    // Texts are measured with font metrics alone, which need no display. The
    // report is the only output: Qt's remarks on its set-up would cloud it.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QGuiApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.contains("--help") || arguments.contains("-h")) {
        std::fputs(Usage, stdout);
        std::fputs(QString(Help).arg(catalogue::ShownLength).toUtf8().constData(), stdout);
        return 0;
    }
    if (arguments == QStringList{"--version"}) {
        std::fputs("kestrion-catalogue-check " KESTRION_VERSION "\n", stdout);
        return 0;
    }
    if (!arguments.isEmpty() && arguments.first() == "--")
        arguments.removeFirst();
    else if (!arguments.isEmpty() && arguments.first().startsWith('-'))
        arguments.append(QString()); // an option we do not know: wrong usage
    if (arguments.size() > 1) {
        std::fputs(Usage, stderr);
        return 2;
    }

    // Without a name, the catalogue beside this program, named by where it
    // really lies: the file to edit, when it is a link (to /etc in a package).
    QString fileName = arguments.value(0);
    if (arguments.isEmpty()) {
        fileName = catalogue::cataloguePathIn(QCoreApplication::applicationDirPath());
        const QString real = QFileInfo(fileName).canonicalFilePath();
        fileName = real.isEmpty() ? fileName : real;
    }
    const catalogue::CatalogueCheck check =
        catalogue::checkCatalogueFile(fileName, design::fitText);
    for (const catalogue::Finding &finding : check.findings)
        print(stdout, cataloguereport::formatFinding(fileName, finding));
    print(stdout, cataloguereport::summary(fileName, check));
    return check.hasError() ? 1 : 0;
}
