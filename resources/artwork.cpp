#include "artwork.h"

namespace resources {

QIcon applicationIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/icon32.xpm"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/icon16.xpm"), QSize(16, 16));
    return icon;
}

QPixmap logo()
{
    return QPixmap(QStringLiteral(":/logo.xpm"));
}

QPixmap hand()
{
    return QPixmap(QStringLiteral(":/hand32.xpm"));
}

} // namespace resources
