#pragma once

#include "stored.h"

#include <QRect>

class QPainter;

// The welcome banner (Label1) has no window of its own: the board paints it onto its surface,
// so chalk drawn later lies over it, and the mouse reaches it through the board.
//
// Paints the banner into pixelRect: an opaque background, then the caption in the banner's
// font, each line centred (or left aligned), starting at the top and breaking at spaces where
// it is wider than the banner; what does not fit is cut off at the edges. pixelsPerPoint turns
// the font's points into pixels of the painter's device.
void paintBanner(QPainter &painter, const StoredLabel &banner, const QRect &pixelRect,
                 double pixelsPerPoint);
