#include "tavrin_icons.h"

namespace resources {

QIcon applicationIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/tavrin-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/tavrin.png"), QSize(32, 32));
    return icon;
}

QIcon aboutIcon()
{
    return QIcon(QStringLiteral(":/icons/about.png"));
}

} // namespace resources
