#include "lightweight_label.h"

#include <QPainter>

#include <cmath>

void paintLightweightLabel(QPainter &painter, const LightweightLabel &label, const QRect &pixelRect,
                           double pixelsPerPoint)
{
    // The font is sized in the device's own pixels: the surface holds device pixels, so the
    // text keeps its size and stays sharp at any scale factor.
    QFont font = label.font;
    font.setPixelSize(static_cast<int>(std::lround(label.font.pointSizeF() * pixelsPerPoint)));

    painter.save();
    painter.setClipRect(pixelRect, Qt::IntersectClip);
    painter.fillRect(pixelRect, toQColor(label.background));
    painter.setFont(font);
    painter.setPen(toQColor(label.foreground));
    painter.drawText(pixelRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, label.caption);
    painter.restore();
}
