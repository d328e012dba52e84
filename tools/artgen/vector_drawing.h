#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QPainterPath>

// A picture kept as vectors, so that one description gives both the scalable icon and a bitmap
// at any size: the bitmaps and the SVG file can never tell different stories.
namespace artgen {

// One layer of a drawing: a path filled, outlined, or both (an invalid colour means "none").
// Outlines have round joins and caps, which the SVG file states too.
struct VectorShape {
    QPainterPath path;
    QColor fill;
    QColor outline;
    double outlineWidth = 0.0;
};

// Shapes painted in order on a square canvas of `side` units, origin at the top left.
struct VectorDrawing {
    double side = 0.0;
    QList<VectorShape> shapes;
};

// The drawing scaled to `pixels` x `pixels`, antialiased, on a transparent background.
QImage renderDrawing(const VectorDrawing &drawing, int pixels);

// The drawing as an SVG document whose view box is the canvas.
QByteArray encodeSvg(const VectorDrawing &drawing);

} // namespace artgen
