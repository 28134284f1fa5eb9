// Writes the application icon in the sizes a desktop wants, scaled from the
// drawn 16, 32 and 64 pixel pictures without smoothing, so the pixel art stays
// crisp: icontool <output folder> makes <size>.png for each size and, where
// Qt has an ICO writer, kestrion.ico for Windows.
#include <QCoreApplication>
#include <QImage>
#include <QImageWriter>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv); // lets Qt find its image-format plugins
    if (argc != 2) {
        std::fprintf(stderr, "usage: icontool <output folder>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]) + '/';
    const QImage small(QStringLiteral(":/icon16.xpm"));
    const QImage large(QStringLiteral(":/icon32.xpm"));
    const QImage fine(QStringLiteral(":/icon32@2x.xpm"));
    if (small.isNull() || large.isNull() || fine.isNull())
        return 1;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QImage &source = size < 32 ? small : size < 64 ? large : fine;
        const QImage image =
            source.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        if (!image.save(out + QString::number(size) + ".png"))
            return 1;
    }
    if (QImageWriter::supportedImageFormats().contains("ico"))
        large.save(out + "kestrion.ico");
    return 0;
}
