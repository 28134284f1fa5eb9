#include "clipgenerator.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(clips::ClipSetup)

namespace {

// A red code of 1, 1, 3 and 2 flashes (a 17.7 s cycle), filmed from the middle
// of a cycle for one cycle and 10 s more, at 320 x 180 and 30 frames per second.
clips::ClipSetup clean()
{
    clips::ClipSetup setup;
    setup.colour = 1;
    setup.flashes = {1, 1, 3, 2};
    setup.startMs = 9000;
    setup.durationS = 28;
    return setup;
}

template <typename Change> clips::ClipSetup with(Change change)
{
    clips::ClipSetup setup = clean();
    change(setup);
    return setup;
}

} // namespace

// Clips of every condition a real recording brings, read by the command-line
// program: each is read right or, where the clip does not hold the code,
// unsure for the reason given. A code other than the truth is never decoded.
class tst_Recording : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void clips_data()
    {
        using clips::ClipSetup;
        using clips::Codec;
        QTest::addColumn<ClipSetup>("setup");
        QTest::addColumn<QString>("expected"); // "decoded", or the reason it is unsure

        QTest::newRow("red, clean, H.264") << clean() << "decoded";
        QTest::newRow("yellow 16,16,16,16 from the long light, HEVC") << with([](ClipSetup &s) {
            s.colour = 2, s.flashes = {16, 16, 16, 16}, s.startMs = 0, s.durationS = 56;
            s.codec = Codec::HevcMp4;
        }) << "decoded";
        QTest::newRow("green slow blinking, MKV") << with([](ClipSetup &s) {
            s.colour = 0, s.pattern = 1, s.durationS = 12, s.codec = Codec::H264Mkv;
        }) << "decoded";
        QTest::newRow("green short flashing, webcam MJPEG") << with([](ClipSetup &s) {
            s.colour = 0, s.pattern = 2, s.durationS = 14, s.codec = Codec::MjpegAvi;
        }) << "decoded";
        QTest::newRow("green steady light")
            << with([](ClipSetup &s) { s.colour = 0, s.pattern = 0, s.durationS = 12; })
            << "decoded";
        QTest::newRow("LED 2 px across in 640 x 360") << with([](ClipSetup &s) {
            s.ledRadius = 1, s.width = 640, s.height = 360, s.colour = 2;
        }) << "decoded";
        QTest::newRow("hand shake and drift")
            << with([](ClipSetup &s) { s.shakePx = 3, s.driftPx = 40; }) << "decoded";
        QTest::newRow("auto exposure and white balance moving")
            << with([](ClipSetup &s) { s.gainRamp = 0.5, s.colour = 2; }) << "decoded";
        QTest::newRow("mains flicker 100 Hz in rolling bands")
            << with([](ClipSetup &s) { s.flickerHz = 100, s.flickerDepth = 0.4; }) << "decoded";
        QTest::newRow("mains flicker 120 Hz, dim room") << with([](ClipSetup &s) {
            s.flickerHz = 120, s.level = 0.4, s.colour = 0, s.pattern = 2, s.durationS = 14;
        }) << "decoded";
        QTest::newRow("a steady lamp and a light blinking its own rhythm")
            << with([](ClipSetup &s) { s.lamp = true, s.otherBlinker = true; }) << "decoded";
        QTest::newRow("heavy compression")
            << with([](ClipSetup &s) { s.quality = 40, s.colour = 2; }) << "decoded";
        QTest::newRow("portrait clip with rotation metadata") << with([](ClipSetup &s) {
            s.width = 180, s.height = 320, s.rotation = 90, s.codec = Codec::HevcMp4;
        }) << "decoded";
        QTest::newRow("variable frame rate, unit clock 4 % fast")
            << with([](ClipSetup &s) { s.jitterMs = 12, s.clockFactor = 0.96; }) << "decoded";
        QTest::newRow("15 frames per second, long exposure")
            << with([](ClipSetup &s) { s.fps = 15; }) << "decoded";

        QTest::newRow("too short for a whole cycle")
            << with([](ClipSetup &s) { s.durationS = 14; }) << "too_short";
        QTest::newRow("15 frames per second, 2 ms exposure: flashes fall between frames")
            << with([](ClipSetup &s) { s.fps = 15, s.exposureMs = 2; }) << "frame_rate_too_low";
        QTest::newRow("two LEDs blink different codes") << with([](ClipSetup &s) {
            s.otherCode = {2, 1, 1, 1};
        }) << "two_lights_blink";
        QTest::newRow("a second LED whose long code is not seen whole") << with([](ClipSetup &s) {
            s.otherCode = {16, 16, 16, 16};
        }) << "two_lights_blink";
        QTest::newRow("no light in the picture")
            << with([](ClipSetup &s) { s.ledRadius = 0, s.lamp = true; }) << "no_blinking_light";
    }

    void clips()
    {
        QFETCH(clips::ClipSetup, setup);
        QFETCH(QString, expected);
        const QString file =
            m_dir.filePath(QString("%1.clip").arg(QTest::currentDataTag()).replace(' ', '_'));
        QCOMPARE(clips::encodeClip(setup, file.toStdString()), std::string());

        // The window's way: progress lines, then the result with its reason.
        QProcess decoder;
        decoder.start(QCoreApplication::applicationDirPath() + "/kestrion-blinkcode-decode",
                      {"--ipc", file});
        QVERIFY(decoder.waitForFinished(120000));
        const QList<QByteArray> lines = decoder.readAllStandardOutput().trimmed().split('\n');
        QVERIFY(lines.last().startsWith("result "));
        const QJsonObject reading = QJsonDocument::fromJson(lines.last().mid(7)).object();
        const QString status = reading["status"].toString();
        QCOMPARE(decoder.exitCode(), status == "decoded" ? 0 : 1);

        // Never a wrong code as decoded, whatever the row expects.
        if (status == "decoded") {
            QCOMPARE(reading["colour"].toString(),
                     (std::array{"green", "red", "yellow"}[setup.colour]));
            const auto &[f0, f1, f2, f3] = setup.flashes;
            QCOMPARE(reading[setup.colour ? "flashes" : "pattern"],
                     setup.colour ? QJsonValue(QJsonArray{f0, f1, f2, f3}) : setup.pattern);
        }
        QCOMPARE(status == "decoded" ? status : reading["reason"].toString(), expected);
    }
};

QTEST_MAIN(tst_Recording)
#include "tst_recording.moc"
