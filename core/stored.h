#pragma once

#include "colour_value.h"
#include "twips.h"

#include <QFont>
#include <QString>
#include <QStringList>

#include <string_view>

// The shapes of the stored properties that windows and controls are built from.

// A stored text, written as UTF-8.
inline QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The default font of a control with none of its own: "MS Sans Serif", 8.25 points, regular.
inline constexpr double kDefaultFontPoints = 8.25;

struct StoredFont
{
    double points = kDefaultFontPoints;
    int weight = 400; // 400 regular, 700 bold
    bool italic = false;
};

// Both windows store the face "MS Sans Serif". Where it is missing, the nearest sans-serif face
// takes its place with the stored size, weight and style: Liberation Sans first, which shares
// the metrics of the faces the captions were measured with, then whatever sans-serif face the
// system has.
inline QFont toQFont(const StoredFont &stored)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(stored.points);
    font.setWeight(static_cast<QFont::Weight>(stored.weight));
    font.setItalic(stored.italic);
    return font;
}

// A static text label: an opaque box of its background colour with its caption in the text
// colour, wrapped at spaces within its width and cut at its edges.
struct StoredLabel
{
    const char *name;
    TwipRect box; // from the client area's top-left corner
    const char *caption;
    ColourValue back;
    ColourValue fore;
    StoredFont font;
    bool centred; // each line centred, else left aligned
};
