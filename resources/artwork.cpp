#include "artwork.h"

#include <QGuiApplication>

namespace resources {

// A picture at the finest ratio in use: its "@2x" twin when a screen has two
// device pixels to the pixel. Loaded by name, so that every window shares the
// one pixmap Qt keeps for that name; a pixmap taken from a new QIcon each time
// would leave a copy in Qt's pixmap cache for every window ever opened.
static QPixmap picture(const QString &name)
{
    const bool fine = qApp->devicePixelRatio() > 1;
    QPixmap pixmap(QStringLiteral(":/%1%2.xpm").arg(name, fine ? "@2x" : ""));
    pixmap.setDevicePixelRatio(fine ? 2 : 1);
    return pixmap;
}

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    return icon;
}

QPixmap logo()
{
    return picture(QStringLiteral("logo"));
}

QPixmap hand()
{
    return picture(QStringLiteral("hand32"));
}

} // namespace resources
