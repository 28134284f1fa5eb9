#include "clipgenerator.h"
#include "videoreader.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using recording::FrameView;
using recording::VideoError;
Q_DECLARE_METATYPE(clips::ClipSetup)

namespace {

// The ffmpeg command line, quiet; true when it succeeded.
bool ffmpeg(const QStringList &args)
{
    return QProcess::execute("ffmpeg", QStringList{"-v", "error", "-nostdin", "-y"} + args) == 0;
}

// Two seconds of a red code at 320x180, 30 frames per second.
clips::ClipSetup shortClip(clips::Codec codec, double jitterMs = 0, int rotation = 0)
{
    return {.durationS = 2, .jitterMs = jitterMs, .codec = codec, .rotation = rotation};
}

// How far two frames' pictures are apart in one plane (0 luma, 1 and 2 chroma).
double meanDifference(const FrameView &a, const FrameView &b, int plane)
{
    const auto pixels = [plane](const FrameView &f) {
        return std::pair(std::array{f.luma, f.cb, f.cr}[plane],
                         plane ? f.chromaStride : f.lumaStride);
    };
    const auto [pa, sa] = pixels(a);
    const auto [pb, sb] = pixels(b);
    const int width = plane ? b.chromaWidth : b.width, height = plane ? b.chromaHeight : b.height;
    double sum = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            sum += std::abs(pa[y * sa + x] - pb[y * sb + x]);
    return sum / (width * height);
}

} // namespace

class tst_VideoReader : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // A clip from the generator, made once per name.
    QString clip(const QString &name, const clips::ClipSetup &setup)
    {
        const QString path = m_dir.filePath(name);
        if (!QFile::exists(path))
            clips::encodeClip(setup, path.toStdString());
        return path;
    }
private slots:
    // Each row makes a file and opens and reads it, in bounded time (a hang is cut by the test's
    // time limit). A file is written by ffmpeg when options are given (SOURCE: a short H.264 clip),
    // or else holds the bytes given; then it is cut to a part of its size, before reading or while
    // its fifth frame is read.
    void badInputs_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("ffmpeg");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<double>("keep");
        QTest::addColumn<double>("keepWhileRead");
        QTest::addColumn<VideoError>("expected");
        const auto row = [](const char *title, const char *name, const QStringList &ffmpeg,
                            const QByteArray &bytes, VideoError expected, double keep = 1,
                            double keepWhileRead = 1) {
            QTest::newRow(title) << QString(name) << ffmpeg << bytes << keep << keepWhileRead
                                 << expected;
        };
        const QStringList remux{"-i", "SOURCE", "-c", "copy"};
        const QStringList copy = remux + QStringList{"-movflags", "+faststart"};
        const QStringList picture{"-f", "lavfi", "-i", "color", "-frames:v", "1"};
        const QByteArray huge =
            "YUV4MPEG2 W12000 H12000 F30:1 C420jpeg\nFRAME\n" + QByteArray(1e5, 1);
        using E = VideoError;
        row("missing file", "missing.mp4", {}, {}, E::CannotOpen);
        row("a folder", "folder", {}, {}, E::CannotOpen);
        row("a FIFO without a writer", "fifo", {}, {}, E::CannotOpen);
        row("empty file", "empty.mp4", {}, "", E::NotAVideo);
        row("text file named .mp4", "text.mp4", {}, "Not a video\n", E::NotAVideo);
        row("text file named .asc, which FFmpeg draws", "text.asc", {}, "Not a video\n",
            E::NotAVideo);
        row("audio only", "audio.m4a", {"-f", "lavfi", "-i", "sine=duration=1"}, {}, E::NotAVideo);
        row("PNG picture", "picture.png", picture, {}, E::NotAVideo);
        row("GIF of one frame", "picture.gif", picture, {}, E::NotAVideo);
        row("a header that claims 144 megapixels", "huge.y4m", {}, huge, E::FrameTooLarge);
        row("video stream without frames", "noframes.avi",
            {"-f", "lavfi", "-i", "color", "-frames:v", "0", "-c:v", "mjpeg"}, {}, E::NoFrames);
        row("MP4 cut, index at the end: nothing to read", "cut.mp4", remux, {}, E::NotAVideo, 0.6);
        row("MP4 cut, index in front: the frames before the cut", "cut-indexed.mp4", copy, {},
            E::None, 0.6);
        row("bytes flipped: the frames that decode", "flipped.mp4", copy, {}, E::None);
        row("MP4 cut to a tenth while read", "shrinks.mp4", copy, {}, E::None, 1, 0.1);
        row("MKV cut to half while read", "shrinks.mkv", remux, {}, E::None, 1, 0.5);
        row("MKV grown threefold while read", "grows.mkv", remux, {}, E::None, 1, 3);
    }

    void badInputs()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, ffmpeg);
        QFETCH(QByteArray, bytes);
        QFETCH(double, keep);
        QFETCH(double, keepWhileRead);
        const QString path = m_dir.filePath(name);
        clips::ClipSetup source = shortClip(clips::Codec::H264Mp4);
        source.quality = 12; // larger than FFmpeg's read buffer, so that a cut is felt
        if (name == "folder")
            QDir().mkdir(path);
        else if (name == "fifo")
            ::mkfifo(path.toLocal8Bit().constData(), 0600);
        else if (!ffmpeg.isEmpty())
            ffmpeg.replaceInStrings("SOURCE", clip("source.mp4", source));
        QVERIFY(ffmpeg.isEmpty() || ::ffmpeg(ffmpeg << path));
        QFile file(path);
        if ((!bytes.isNull() || !ffmpeg.isEmpty()) && file.open(QIODevice::ReadWrite)) {
            bytes = ffmpeg.isEmpty() ? bytes : file.readAll();
            // A byte in every 5000 flipped after the first fifth, where the pictures are.
            for (qsizetype i = bytes.size() / 5; name == "flipped.mp4" && i < bytes.size();
                 i += 4999)
                bytes[i] = char(~bytes[i]);
            file.seek(0);
            file.write(bytes);
            file.resize(qint64(bytes.size() * keep));
            file.close();
        }
        recording::VideoReader reader;
        VideoError error = reader.open(path.toStdString());
        int frames = 0;
        if (error == VideoError::None) {
            error = reader.readFrames([&](const FrameView &) {
                if (++frames == 5 && keepWhileRead != 1)
                    QFile::resize(path, qint64(bytes.size() * keepWhileRead));
                return true;
            });
        }
        QTEST(error, "expected");
        // Never more frames than were encoded; fewer when the file was cut.
        const int count = clips::frameCount(source);
        QVERIFY(frames <= count && (std::min(keep, keepWhileRead) >= 1 || frames < count));
    }

    // Frames come with the times they were encoded with, strictly increasing,
    // and with the pictures the generator rendered.
    void goodInputs_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<clips::ClipSetup>("setup");
        QTest::addColumn<QStringList>("convert"); // ffmpeg options that make another format of it
        using clips::Codec;
        const auto row = [](const char *title, const char *name, const clips::ClipSetup &setup,
                            const QStringList &convert = {}) {
            QTest::newRow(title) << QString(name) << setup << convert;
        };
        row("H.264 in MP4", "h264.mp4", shortClip(Codec::H264Mp4));
        row("H.264 in MKV", "h264.mkv", shortClip(Codec::H264Mkv));
        row("MJPEG in AVI", "mjpeg.avi", shortClip(Codec::MjpegAvi));
        row("variable frame rate", "vfr.mp4", shortClip(Codec::H264Mp4, 14));
        row("portrait, rotated 90", "portrait.mp4", shortClip(Codec::HevcMp4, 0, 90));
        row("10-bit HEVC", "hevc10.mkv", shortClip(Codec::H264Mp4),
            {"-c:v", "libx265", "-pix_fmt", "yuv420p10le", "-x265-params", "log-level=none"});
        row("grey, flat chroma", "grey.mkv", shortClip(Codec::H264Mp4),
            {"-c:v", "ffv1", "-pix_fmt", "gray"});
        row("NV12", "nv12.nut", shortClip(Codec::H264Mp4),
            {"-c:v", "rawvideo", "-pix_fmt", "nv12"});
    }

    void goodInputs()
    {
        QFETCH(QString, name);
        QFETCH(clips::ClipSetup, setup);
        QFETCH(QStringList, convert);
        // Other formats are made from the H.264 clip of the first row.
        QString path = clip(convert.isEmpty() ? name : "h264.mp4", setup);
        if (!convert.isEmpty()) {
            const QString source = std::exchange(path, m_dir.filePath(name));
            QVERIFY(
                ffmpeg(QStringList{"-i", source, "-fps_mode", "passthrough"} + convert << path));
        }
        recording::VideoReader reader;
        QCOMPARE(reader.open(path.toStdString()), VideoError::None);
        QCOMPARE(reader.info().rotationDegrees, setup.rotation);
        QCOMPARE(reader.info().width, setup.width);

        std::vector<std::uint8_t> rendered;
        int frames = 0;
        QString failure;
        const VideoError error = reader.readFrames([&](const FrameView &frame) {
            const FrameView truth = clips::renderView(setup, frames++, rendered);
            if (convert.contains("gray"))
                std::fill(rendered.begin() + truth.width * truth.height, rendered.end(), 128);
            const double luma = meanDifference(frame, truth, 0);
            const double chroma = meanDifference(frame, truth, 1) + meanDifference(frame, truth, 2);
            if (std::abs(frame.timeMs - truth.timeMs) > 1 || luma > 4 || chroma > 4)
                failure =
                    QString::asprintf("frame %d at %g ms, not %g ms; luma %g and chroma %g apart",
                                      frames - 1, frame.timeMs, truth.timeMs, luma, chroma);
            return failure.isEmpty();
        });
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(error, VideoError::None);
        QCOMPARE(frames, clips::frameCount(setup));
    }
};

QTEST_MAIN(tst_VideoReader)
#include "tst_videoreader.moc"
