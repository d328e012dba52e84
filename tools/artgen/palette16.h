#pragma once

#include <QColor>
#include <QRgb>

#include <array>

// The sixteen colours of a 4-bit icon, in the order of the classic 16-colour display palette.
// Both icons are drawn with these colours only, so that they store losslessly at 4 bits per pixel.
namespace artgen::palette16 {

inline constexpr std::array<QRgb, 16> kColours{
    0xff000000, // 0 black
    0xff800000, // 1 maroon
    0xff008000, // 2 green
    0xff808000, // 3 olive
    0xff000080, // 4 navy
    0xff800080, // 5 purple
    0xff008080, // 6 teal
    0xffc0c0c0, // 7 silver
    0xff808080, // 8 grey
    0xffff0000, // 9 red
    0xff00ff00, // 10 lime
    0xffffff00, // 11 yellow
    0xff0000ff, // 12 blue
    0xffff00ff, // 13 magenta
    0xff00ffff, // 14 cyan
    0xffffffff, // 15 white
};

inline const QColor black{kColours[0]};
inline const QColor maroon{kColours[1]};
inline const QColor green{kColours[2]};
inline const QColor olive{kColours[3]};
inline const QColor navy{kColours[4]};
inline const QColor purple{kColours[5]};
inline const QColor teal{kColours[6]};
inline const QColor silver{kColours[7]};
inline const QColor grey{kColours[8]};
inline const QColor red{kColours[9]};
inline const QColor lime{kColours[10]};
inline const QColor yellow{kColours[11]};
inline const QColor blue{kColours[12]};
inline const QColor magenta{kColours[13]};
inline const QColor cyan{kColours[14]};
inline const QColor white{kColours[15]};

} // namespace artgen::palette16
