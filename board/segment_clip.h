#pragma once

#include <QLineF>
#include <QPointF>
#include <QRectF>

#include <optional>

// The part of the segment a-b that lies inside box, edges included, or nothing when it misses.
//
// The ends may lie any distance away (1e30 pixels and more): where the segment crosses an edge,
// that edge gives one coordinate exactly and the slope gives the other, so the crossings stay
// where they are even when the segment is far longer than the box.
std::optional<QLineF> clipSegment(QPointF a, QPointF b, const QRectF &box);
