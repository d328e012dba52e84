#include "banner.h"

#include <QPainter>

#include <cmath>

void paintBanner(QPainter &painter, const StoredLabel &banner, const QRect &pixelRect,
                 double pixelsPerPoint)
{
    // The font is sized in the device's own pixels: the surface holds device pixels, so the
    // text keeps its size and stays sharp at any scale factor.
    QFont font = toQFont(banner.font);
    font.setPixelSize(static_cast<int>(std::lround(banner.font.points * pixelsPerPoint)));

    painter.save();
    painter.setClipRect(pixelRect, Qt::IntersectClip);
    painter.fillRect(pixelRect, toQColor(banner.back));
    painter.setFont(font);
    painter.setPen(toQColor(banner.fore));
    const Qt::Alignment across = banner.centred ? Qt::AlignHCenter : Qt::AlignLeft;
    painter.drawText(pixelRect, static_cast<int>((across | Qt::AlignTop).toInt()) | Qt::TextWordWrap,
                     toQString(banner.caption));
    painter.restore();
}
