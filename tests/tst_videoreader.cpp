#include "clipgenerator.h"
#include "videoreader.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <utility>

using recording::FrameView;
using recording::VideoError;
using recording::VideoReader;
Q_DECLARE_METATYPE(clips::ClipSpec)

namespace {

// The ffmpeg command line, quiet; true when it succeeded.
bool ffmpeg(const QStringList &args)
{
    return QProcess::execute("ffmpeg", QStringList{"-v", "error", "-nostdin", "-y"} + args) == 0;
}

// Two seconds of a red code at 320x180, 30 frames per second.
clips::ClipSpec shortClip(clips::Codec codec, double jitterMs = 0, int rotation = 0)
{
    clips::ClipSpec spec;
    spec.durationS = 2;
    spec.codec = codec;
    spec.jitterMs = jitterMs;
    spec.rotation = rotation;
    return spec;
}

double meanDifference(const std::uint8_t *a, int strideA, const std::uint8_t *b, int strideB,
                      int width, int height)
{
    double sum = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            sum += std::abs(a[y * strideA + x] - b[y * strideB + x]);
    return sum / (width * height);
}

} // namespace

class tst_VideoReader : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString clip(const QString &name, const clips::ClipSpec &spec)
    {
        const QString path = m_dir.filePath(name);
        if (!QFile::exists(path))
            clips::encodeClip(spec, path.toStdString());
        return path;
    }
    QString cut(const QString &from, const QString &name, double part)
    {
        QFile::copy(from, m_dir.filePath(name));
        QFile::resize(m_dir.filePath(name), qint64(QFileInfo(from).size() * part));
        return m_dir.filePath(name);
    }

    // Writes the bad input of one kind and returns its path.
    QString badInput(const QString &kind)
    {
        const QString path = m_dir.filePath(kind);
        const QString mp4 = clip("short.mp4", shortClip(clips::Codec::H264Mp4));
        const QString faststart = m_dir.filePath("faststart.mp4");
        if (!QFile::exists(faststart))
            ffmpeg({"-i", mp4, "-c", "copy", "-movflags", "+faststart", faststart});
        QFile file(path);
        if (kind == "text.mp4" || kind == "empty.mp4") {
            file.open(QIODevice::WriteOnly);
            file.write(kind == "text.mp4" ? "Not a video, only its name.\n" : "");
        } else if (kind == "audio.m4a") {
            ffmpeg({"-f", "lavfi", "-i", "sine=duration=1", path});
        } else if (kind.startsWith("picture")) {
            ffmpeg({"-f", "lavfi", "-i", "color=red:size=64x48", "-frames:v", "1", path});
        } else if (kind == "huge.y4m") {
            // A raw video header that claims 144 megapixels, with a little data.
            file.open(QIODevice::WriteOnly);
            file.write("YUV4MPEG2 W12000 H12000 F30:1 Ip A1:1 C420jpeg\nFRAME\n");
            file.write(QByteArray(100000, '\x80'));
        } else if (kind == "folder") {
            QDir(m_dir.path()).mkdir(kind);
        } else if (kind == "fifo") {
            ::mkfifo(path.toLocal8Bit().constData(), 0600);
        } else if (kind == "noframes.avi") {
            clips::ClipSpec spec = shortClip(clips::Codec::MjpegAvi);
            spec.durationS = 0;
            return clip(kind, spec);
        } else if (kind == "truncated.mp4" || kind == "truncated-faststart.mp4") {
            return cut(kind == "truncated.mp4" ? mp4 : faststart, kind, 0.6);
        } else if (kind == "shrinks.mp4") {
            return cut(faststart, kind, 1);
        } else if (kind == "flipped.mp4") {
            // Bytes flipped all through the pictures, none in the index at the front.
            QFile::copy(faststart, path);
            file.open(QIODevice::ReadWrite);
            QByteArray bytes = file.readAll();
            for (qsizetype i = bytes.size() / 5; i < bytes.size(); i += 4999)
                bytes[i] = char(~bytes[i]);
            file.seek(0);
            file.write(bytes);
        } else if (kind.endsWith(".mkv")) {
            return clip(kind, shortClip(clips::Codec::H264Mkv));
        }
        return path;
    }

private slots:
    // Each row opens and reads one file in bounded time: a hang is cut by the
    // test's time limit. resizeTo: the file is cut or grown to this part of
    // its size while its fifth frame is read.
    void badInputs_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<double>("resizeTo");
        QTest::addColumn<VideoError>("expected");
        const auto row = [](const char *name, const char *kind, VideoError e, double resize = 0) {
            QTest::newRow(name) << QString(kind) << resize << e;
        };
        row("missing file", "missing.mp4", VideoError::CannotOpen);
        row("a folder", "folder", VideoError::CannotOpen);
        row("a FIFO without a writer", "fifo", VideoError::CannotOpen);
        row("empty file", "empty.mp4", VideoError::NotAVideo);
        row("text file named .mp4", "text.mp4", VideoError::NotAVideo);
        row("audio only", "audio.m4a", VideoError::NotAVideo);
        row("PNG picture", "picture.png", VideoError::NotAVideo);
        row("JPEG picture", "picture.jpg", VideoError::NotAVideo);
        row("144 megapixels", "huge.y4m", VideoError::FrameTooLarge);
        row("video stream without frames", "noframes.avi", VideoError::NoFrames);
        row("truncated MP4, index at the end: nothing to read", "truncated.mp4",
            VideoError::NotAVideo);
        row("truncated MP4, index in front: the frames before the cut", "truncated-faststart.mp4",
            VideoError::None);
        row("bytes flipped: the frames that decode", "flipped.mp4", VideoError::None);
        row("MKV cut to half while read", "shrinks.mkv", VideoError::None, 0.5);
        row("MKV grown threefold while read", "grows.mkv", VideoError::None, 3);
        row("MP4 cut to a tenth while read", "shrinks.mp4", VideoError::None, 0.1);
    }

    void badInputs()
    {
        QFETCH(QString, kind);
        QFETCH(double, resizeTo);
        const QString path = badInput(kind);
        const qint64 size = QFileInfo(path).size();
        VideoReader reader;
        VideoError error = reader.open(path.toStdString());
        int frames = 0;
        if (error == VideoError::None) {
            error = reader.readFrames([&](const FrameView &frame) {
                if (++frames == 5 && resizeTo > 0)
                    QFile::resize(path, qint64(size * resizeTo));
                return frame.luma && frame.cb && frame.cr;
            });
        }
        QTEST(error, "expected");
        QVERIFY(frames <= clips::frameCount(shortClip(clips::Codec::H264Mp4)));
    }

    // Frames come with the times they were encoded with, strictly increasing,
    // and with the pictures the generator rendered.
    void goodInputs_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<clips::ClipSpec>("spec");
        QTest::addColumn<QStringList>("convert"); // ffmpeg options that make another format of it
        using clips::Codec;
        const auto row = [](const char *name, const char *file, const clips::ClipSpec &spec,
                            const QStringList &convert = {}) {
            QTest::newRow(name) << QString(file) << spec << convert;
        };
        row("H.264 in MP4", "h264.mp4", shortClip(Codec::H264Mp4));
        row("HEVC in MP4", "hevc.mp4", shortClip(Codec::HevcMp4));
        row("H.264 in MKV", "h264.mkv", shortClip(Codec::H264Mkv));
        row("MJPEG in AVI", "mjpeg.avi", shortClip(Codec::MjpegAvi));
        row("variable frame rate", "vfr.mp4", shortClip(Codec::H264Mp4, 14));
        row("variable frame rate, HEVC in MKV", "vfr.mkv", shortClip(Codec::HevcMkv, 14));
        row("portrait, rotated 90", "portrait.mp4", shortClip(Codec::HevcMp4, 0, 90));
        row("upside down, rotated 180", "upside.mp4", shortClip(Codec::H264Mp4, 0, 180));
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
        QFETCH(clips::ClipSpec, spec);
        QFETCH(QStringList, convert);
        // Other formats are made from the H.264 clip of the first row.
        QString path = clip(convert.isEmpty() ? name : "h264.mp4", spec);
        if (!convert.isEmpty()) {
            const QString source = std::exchange(path, m_dir.filePath(name));
            QVERIFY(ffmpeg(QStringList{"-i", source, "-fps_mode", "passthrough"} + convert +
                           QStringList{path}));
        }
        VideoReader reader;
        QCOMPARE(reader.open(path.toStdString()), VideoError::None);
        QCOMPARE(reader.info().rotationDegrees, spec.rotation);
        QCOMPARE(reader.info().width, spec.width);

        std::vector<std::uint8_t> rendered;
        int frames = 0;
        QString failure;
        const VideoError error = reader.readFrames([&](const FrameView &frame) {
            const FrameView truth = clips::renderView(spec, frames++, rendered);
            if (convert.contains("gray"))
                std::fill(rendered.begin() + truth.width * truth.height, rendered.end(), 128);
            const double lumaDifference =
                meanDifference(frame.luma, frame.lumaStride, truth.luma, truth.lumaStride,
                               truth.width, truth.height);
            const double chromaDifference =
                meanDifference(frame.cb, frame.chromaStride, truth.cb, truth.chromaStride,
                               truth.chromaWidth, truth.chromaHeight) +
                meanDifference(frame.cr, frame.chromaStride, truth.cr, truth.chromaStride,
                               truth.chromaWidth, truth.chromaHeight);
            if (std::abs(frame.timeMs - truth.timeMs) > 1 || frame.width != truth.width ||
                frame.chromaWidth != truth.chromaWidth || lumaDifference > 4 ||
                chromaDifference > 4)
                failure = QString("frame %1 at %2 ms, expected %3 ms: luma %4, chroma %5 apart")
                              .arg(frames - 1)
                              .arg(frame.timeMs)
                              .arg(truth.timeMs)
                              .arg(lumaDifference)
                              .arg(chromaDifference);
            return failure.isEmpty();
        });
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(error, VideoError::None);
        QCOMPARE(frames, clips::frameCount(spec));
    }
};

QTEST_MAIN(tst_VideoReader)
#include "tst_videoreader.moc"
