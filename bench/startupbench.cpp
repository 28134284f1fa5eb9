// Compares the program's start-up, from process start to its first painted
// frame, and its peak memory with those of a bare Qt window of the same size.
// The two are started alternately, several times each; medians are printed.

#include <QCoreApplication>
#include <QProcess>
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
    return 0;
}
