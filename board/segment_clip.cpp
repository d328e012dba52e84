#include "segment_clip.h"

#include <algorithm>
#include <array>

// Liang-Barsky finds which edges the segment enters and leaves through.
//
// A crossing is not taken as a + t * (b - a): with ends 1e30 pixels away, that sum keeps nothing
// of the box's extent and both crossings round to one point. Instead the edge that is crossed
// gives one coordinate exactly, and the other follows from the line's slope, measured from
// whichever of the two ends or their midpoint lies nearest the box.
std::optional<QLineF> clipSegment(QPointF a, QPointF b, const QRectF &box)
{
    // Nearly every move of a stroke stays on the board: nothing to clip.
    if (box.contains(a) && box.contains(b))
        return QLineF(a, b);
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    double enter = 0.0;
    double leave = 1.0;
    int enterEdge = -1; // -1: the segment's own end
    int leaveEdge = -1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - box.left(), box.right() - a.x(), a.y() - box.top(),
                         box.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return std::nullopt;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            if (t > enter) {
                enter = t;
                enterEdge = i;
            }
        } else if (t < leave) {
            leave = t;
            leaveEdge = i;
        }
        if (enter > leave)
            return std::nullopt;
    }

    const QPointF centre = box.center();
    QPointF anchor = a;
    for (const QPointF &candidate : {b, a * 0.5 + b * 0.5}) {
        if (QLineF(candidate, centre).length() < QLineF(anchor, centre).length())
            anchor = candidate;
    }
    // A segment parallel to an axis keeps its other coordinate as it is.
    const auto atX = [&](double x) {
        return dx == 0.0 ? anchor.y() : anchor.y() + (x - anchor.x()) * (dy / dx);
    };
    const auto atY = [&](double y) {
        return dy == 0.0 ? anchor.x() : anchor.x() + (y - anchor.y()) * (dx / dy);
    };
    // Where two crossings round to the same parameter the first edge found may be the wrong
    // one; its crossing then lies beyond the neighbouring edge, which is the one crossed.
    const auto crossing = [&](int edge, const QPointF &end) {
        if (edge < 0) {
            if (box.contains(end))
                return end;
            // An end found inside only because its parameter rounded to 0 or 1: it leaves
            // through the edge it lies beyond.
            edge = end.x() < box.left() ? 0 : end.x() > box.right() ? 1 : end.y() < box.top() ? 2 : 3;
        }
        const bool vertical = edge < 2;
        const double fixed = std::array{box.left(), box.right(), box.top(), box.bottom()}[static_cast<std::size_t>(edge)];
        const double other = vertical ? atX(fixed) : atY(fixed);
        const double low = vertical ? box.top() : box.left();
        const double high = vertical ? box.bottom() : box.right();
        if (other >= low && other <= high)
            return vertical ? QPointF(fixed, other) : QPointF(other, fixed);
        const double bound = other < low ? low : high;
        const double back = std::clamp(vertical ? atY(bound) : atX(bound),
                                       vertical ? box.left() : box.top(),
                                       vertical ? box.right() : box.bottom());
        return vertical ? QPointF(back, bound) : QPointF(bound, back);
    };
    return QLineF(crossing(enterEdge, a), crossing(leaveEdge, b));
}
