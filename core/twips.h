#pragma once

#include <QRect>

// Every stored position and size is in twips: 1/1440 of an inch, so 15 twips to a pixel at
// 96 dots per inch. This is the one place that turns them into pixels.
namespace twips {

inline constexpr double kPerInch = 1440.0;
inline constexpr double kStandardDpi = 96.0;

// Pixels for a stored (whole) twip value at the given logical dots per inch, rounded to nearest.
constexpr int toPixels(int value, double dpi = kStandardDpi)
{
    const double px = value * dpi / kPerInch;
    return static_cast<int>(px < 0 ? px - 0.5 : px + 0.5);
}

// Real pixels for a real twip value (board coordinates), unrounded.
constexpr double toPixelsF(double value, double dpi = kStandardDpi)
{
    return value * dpi / kPerInch;
}

// Twips for a pixel position, as the mouse handlers receive them.
constexpr double fromPixels(double pixels, double dpi = kStandardDpi)
{
    return pixels * kPerInch / dpi;
}

} // namespace twips

// A stored rectangle: left, top, width and height in twips.
struct TwipRect
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

namespace twips {

// The logical pixels of a stored rectangle, each of its four values rounded on its own.
inline QRect toPixels(const TwipRect &box, double dpi = kStandardDpi)
{
    return QRect(toPixels(box.left, dpi), toPixels(box.top, dpi), toPixels(box.width, dpi),
                 toPixels(box.height, dpi));
}

} // namespace twips
