// Compares the program's start-up, from process start to its first painted
// frame, and its peak memory with those of a bare Qt window of the same size.
// The two are started alternately, several times each; medians are printed.
// Then the program starts with odd and hostile catalogues beside the shipped
// one, to show that no file can make start-up slow.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

double monotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

struct Sample {
    double startupMs;
    double peakKb;
};

bool runOnce(const QStringList &command, Sample &sample)
{
    QProcess process;
    const double start = monotonicMs();
    process.start(command.first(), command.mid(1));
    if (!process.waitForFinished(30000))
        return false;
    const QList<QByteArray> fields = process.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 2)
        return false;
    sample = {fields[0].toDouble() - start, fields[1].toDouble()};
    return true;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

// Catalogue files that once made start-up slow or could, each with a name.
QList<std::pair<const char *, QByteArray>> oddCatalogues(const QByteArray &shipped)
{
    QByteArray random(1 << 20, Qt::Uninitialized);
    for (char &c : random)
        c = char(QRandomGenerator::global()->bounded(256));
    QByteArray manyKeys = "[Kestrion]\n";
    for (int i = 0; manyKeys.size() < (15 << 20); ++i)
        manyKeys += "K" + QByteArray::number(i) + "=x\n";
    return {
        {"shipped catalogue", shipped},
        {"1 MB of CRs", QByteArray(1 << 20, '\r')},
        {"1 MB of random bytes", random},
        {"a 10 MB line", "[Kestrion]\nGREEN1=" + QByteArray(10 << 20, 'x') + "\n"},
        {"15 MB of keys in [Kestrion]", manyKeys},
        {"15 MB, catalogue at the end", QByteArray(15 << 20, ';') + "\n" + shipped},
        {"100 MB, catalogue at the end", QByteArray(100 << 20, ';') + "\n" + shipped},
    };
}

int oddCatalogueStartups(const QString &program, int runs)
{
    QFile shippedFile(QCoreApplication::applicationDirPath() + "/ErrorMessage.ini");
    if (!shippedFile.open(QIODevice::ReadOnly))
        return 1;
    QTemporaryDir dir;
    std::printf("Start-up with odd catalogues, median of %d runs:\n", runs);
    double normal = 0;
    for (const auto &[name, bytes] : oddCatalogues(shippedFile.readAll())) {
        QFile file(QDir(dir.path()).filePath("ErrorMessage.ini"));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
        file.close();
        QList<double> time;
        for (int i = 0; i < runs; ++i) {
            Sample s{};
            if (!runOnce({program, dir.path()}, s))
                return 1;
            time << s.startupMs;
        }
        if (normal == 0)
            normal = median(time);
        std::printf("  %-30s %7.1f ms (%+6.1f ms)\n", name, median(time), median(time) - normal);
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    const QString dir = QCoreApplication::applicationDirPath() + '/';
    const QList<QStringList> programs = {
        {dir + "startup_form1"}, {dir + "startup_bare"}, {dir + "startup_bare", "text"}};
    const char *names[] = {"main window", "bare window", "bare + text"};
    QList<double> time[3], memory[3];
    for (int i = 0; i < runs; ++i) {
        for (int p = 0; p < 3; ++p) {
            Sample s{};
            if (!runOnce(programs[p], s)) {
                std::fprintf(stderr, "%s did not report its first frame\n",
                             qPrintable(programs[p].join(' ')));
                return 1;
            }
            time[p] << s.startupMs;
            memory[p] << s.peakKb;
        }
    }
    std::printf("Start-up to first painted frame, median of %d runs (platform %s):\n", runs,
                qPrintable(qEnvironmentVariable("QT_QPA_PLATFORM", "default")));
    for (int p = 0; p < 3; ++p)
        std::printf("  %-12s %7.1f ms (%.2f x bare)   peak memory %6.0f kB (%.2f x bare)\n",
                    names[p], median(time[p]), median(time[p]) / median(time[1]), median(memory[p]),
                    median(memory[p]) / median(memory[1]));
    std::printf("  main window against bare + text: start-up %.2f x, peak memory %.2f x\n",
                median(time[0]) / median(time[2]), median(memory[0]) / median(memory[2]));
    return oddCatalogueStartups(programs[0].first(), std::max(3, runs / 3));
}
