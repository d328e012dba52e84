#pragma once

#include "colour_value.h"

#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

// A label with no window of its own, such as the welcome banner: the board paints it onto its
// surface, so chalk drawn later lies over it, and the mouse reaches it through the board.
struct LightweightLabel
{
    QString caption;
    QRect geometry; // twips, from the client area's top-left corner
    ColourValue background = 0;
    ColourValue foreground = 0;
    QFont font;
};

// Paints the label into pixelRect: an opaque background, then the caption in the label's font,
// each line centred, starting at the top and breaking at spaces where it is wider than the
// label; what does not fit is cut off at the edges. pixelsPerPoint turns the font's points
// into pixels of the painter's device.
void paintLightweightLabel(QPainter &painter, const LightweightLabel &label, const QRect &pixelRect,
                           double pixelsPerPoint);
