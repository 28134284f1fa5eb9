#include "clipgenerator.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(clips::ClipSetup)

// Clips of every condition a real recording brings, read by the command-line
// program: each is read right or, where the clip does not hold one code,
// unsure (for the reason given). A code other than the truth is never decoded.
class tst_Recording : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void clips_data()
    {
        using clips::Codec;
        using Setup = clips::ClipSetup;
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("expected"); // "decoded", or the reason it is unsure
        QTest::addColumn<int>("word");         // the error word, known by hand; -1: not checked
        // Each from a red code of 1, 1, 3 and 2 flashes (a 17.7 s cycle), filmed from the middle
        // of a cycle for one cycle and 10 s more, at 320 x 180 and 30 frames per second.
        const auto row = [](const char *name, const char *expected, void (*change)(Setup &),
                            int word = -1) {
            Setup setup{.durationS = 28, .colour = 1, .flashes = {1, 1, 3, 2}, .startMs = 9000};
            change(setup);
            QTest::newRow(name) << setup << QString(expected) << word;
        };
        const char *decoded = "decoded";
        row(
            "yellow 16,16,16,16 from the long light, HEVC", decoded,
            [](Setup &s) {
                s.colour = 2, s.flashes = {16, 16, 16, 16}, s.startMs = 0, s.durationS = 56;
                s.codec = Codec::HevcMp4;
            },
            0xffff);
        row(
            "green slow blinking, MKV", decoded,
            [](Setup &s) {
                s.colour = 0, s.pattern = 1, s.durationS = 12, s.codec = Codec::H264Mkv;
            },
            0x0002);
        row("green short flashing, webcam MJPEG", decoded, [](Setup &s) {
            s.colour = 0, s.pattern = 2, s.durationS = 14, s.codec = Codec::MjpegAvi;
        });
        row("green steady light", decoded,
            [](Setup &s) { s.colour = 0, s.pattern = 0, s.durationS = 12; });
        row("variable frame rate, unit clock 4 % fast", decoded,
            [](Setup &s) { s.jitterMs = 12, s.clockFactor = 0.96; });
        row(
            "15 frames per second, long exposure", decoded, [](Setup &s) { s.fps = 15; }, 0x0021);

        row("too short for a whole cycle", "too_short", [](Setup &s) { s.durationS = 14; });
        // A global shutter: a rolling one catches a flash in some rows of the glow. A
        // digit's last flash that falls between frames looks like a shorter digit,
        // so the reason may be any.
        row("15 frames per second, 2 ms exposure: flashes fall between frames", "unsure",
            [](Setup &s) { s.fps = 15, s.exposureMs = 2, s.readoutMs = 1; });
        row("two LEDs blink different codes", "two_lights_blink", [](Setup &s) {
            s.otherCode = {2, 1, 1, 1};
        });
        // Beside the first, its light merges with it: unsure, for any reason.
        row("a second LED whose long code is not seen whole", "unsure", [](Setup &s) {
            s.otherCode = {16, 16, 16, 16};
        });
        row("no light in the picture", "no_blinking_light",
            [](Setup &s) { s.ledRadius = 0, s.lamp = true; });
        // And a clip of each level at 320 x 180, the shortest of a few drawn from its
        // ranges: read, or unsure for any reason.
        for (const clips::Level &level : clips::levels()) {
            Setup shortest, setup;
            for (std::uint32_t seed = 1; seed <= 8; ++seed)
                if (clips::drawClip(level.name, seed, setup, 320) &&
                    (seed == 1 || clips::frameCount(setup) < clips::frameCount(shortest)))
                    shortest = setup;
            QTest::newRow(level.name)
                << shortest << QString(level.readable ? decoded : "unsure") << -1;
        }
    }

    void clips()
    {
        QFETCH(clips::ClipSetup, setup);
        QFETCH(QString, expected);
        QFETCH(int, word);
        const QString file =
            m_dir.filePath(QString("%1.clip").arg(QTest::currentDataTag()).replace(' ', '_'));
        QCOMPARE(clips::encodeClip(setup, file.toStdString()), std::string());

        // The window's way: progress lines, then the result with its reason; where the error
        // word is known, the command's own JSON.
        const bool json = word >= 0;
        QProcess decoder;
        decoder.start(QCoreApplication::applicationDirPath() + "/kestrion-blinkcode-decode",
                      {json ? "--json" : "--ipc", file});
        QVERIFY(decoder.waitForFinished(300000));
        const QList<QByteArray> lines = decoder.readAllStandardOutput().trimmed().split('\n');
        QVERIFY(json || lines.last().startsWith("result "));
        const QJsonObject reading =
            QJsonDocument::fromJson(lines.last().mid(json ? 0 : 7)).object();
        if (json)
            QCOMPARE(reading["error_word"].toInt(-1), word);
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
        QCOMPARE(status == "decoded" || expected == "unsure" ? status
                                                             : reading["reason"].toString(),
                 expected);
    }
};

QTEST_MAIN(tst_Recording)
#include "tst_recording.moc"
