#pragma once

#include <QColor>
#include <cstdint>

// Colour values are stored as 0x00BBGGRR: red in the lowest byte, blue in the third.
using ColourValue = std::uint32_t;

constexpr ColourValue colourValue(int red, int green, int blue)
{
    return static_cast<ColourValue>((blue & 0xFF) << 16 | (green & 0xFF) << 8 | (red & 0xFF));
}

inline QColor toQColor(ColourValue value)
{
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>(value >> 8 & 0xFF),
                  static_cast<int>(value >> 16 & 0xFF));
}

inline ColourValue fromQColor(const QColor &colour)
{
    return colourValue(colour.red(), colour.green(), colour.blue());
}
