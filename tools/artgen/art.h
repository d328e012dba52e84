#pragma once

#include <QImage>

// The program's pictures, drawn from scratch so that every run gives the same pixels.
namespace artgen {

// The application icon at 16 or 32 pixels: a green Christmas tree hung with coloured baubles and
// a red star on top. Pixels are either transparent or one of the sixteen icon colours.
QImage christmasTreeIcon(int size);

// The About window's icon, 32 pixels: a yellow smiling face with a black outline.
QImage smilingFaceIcon();

// The About picture, 320 x 240: a board on an easel with a chalk drawing of a bird, on black.
QImage easelPicture();

} // namespace artgen
