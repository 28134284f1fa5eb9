#include "artwork.h"

#include <QGuiApplication>

namespace resources {

// Icons made from a file also take its "@2x" twin when a screen has two device
// pixels to the pixel; a picture is then taken at the finest ratio in use.
static QPixmap picture(const QString &file, int size)
{
    return QIcon(file).pixmap(QSize(size, size), qApp->devicePixelRatio());
}

QIcon applicationIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/icon32.xpm"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/icon16.xpm"), QSize(16, 16));
    return icon;
}

QPixmap logo()
{
    return picture(QStringLiteral(":/logo.xpm"), 51);
}

QPixmap hand()
{
    return picture(QStringLiteral(":/hand32.xpm"), 32);
}

} // namespace resources
