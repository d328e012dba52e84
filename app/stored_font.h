#pragma once

#include <QFont>
#include <QStringList>

// Both windows store the face "MS Sans Serif". Where it is missing, the nearest sans-serif face
// takes its place with the stored size, weight and style: Liberation Sans, which shares the
// narrow space and the metrics of the faces the captions were measured with.
inline QFont storedFont(qreal pointSize, int weight = 400, bool italic = false)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(italic);
    return font;
}

// The default font of a control with none of its own.
inline constexpr qreal kDefaultFontPoints = 8.25;
