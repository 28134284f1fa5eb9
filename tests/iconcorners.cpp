// iconcorners FILE...: exits 1 unless every picture's four corner pixels are
// fully transparent, so that a dock or menu shows its own background there.
#include <QGuiApplication>
#include <QImage>
#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv); // lets Qt find its image-format plugins
    int status = argc > 1 ? 0 : 2;
    for (const QString &file : app.arguments().mid(1)) {
        const QImage image(file);
        const int r = image.width() - 1, b = image.height() - 1;
        for (const QPoint corner : {QPoint(0, 0), QPoint(r, 0), QPoint(0, b), QPoint(r, b)}) {
            if (image.isNull() || qAlpha(image.pixel(corner)) != 0) {
                std::fprintf(stderr, "%s: corner not transparent\n", qPrintable(file));
                status = 1;
                break;
            }
        }
    }
    return status;
}
