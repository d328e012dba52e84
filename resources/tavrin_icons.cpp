#include "tavrin_icons.h"

namespace resources {

QIcon applicationIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/tavrin-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/tavrin.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/icons/tavrin-48.png"), QSize(48, 48));
    icon.addFile(QStringLiteral(":/icons/tavrin-64.png"), QSize(64, 64));
    return icon;
}

QIcon aboutIcon()
{
    return QIcon(QStringLiteral(":/icons/about.png"));
}

} // namespace resources
