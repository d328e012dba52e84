#pragma once

#include "vector_drawing.h"

#include <QImage>

// The program's pictures, drawn from scratch so that every run gives the same pixels.
namespace artgen {

// The application icon: a green Christmas tree hung with coloured baubles and a red star on top.
// At 16 and 32 pixels it is pixel art whose pixels are either transparent or one of the sixteen
// icon colours; larger sizes are rendered from christmasTreeDrawing(size).
QImage christmasTreeIcon(int size);

// The same tree as vectors, drawn for a bitmap of `pixels` pixels, or for the scalable icon when
// `pixels` is 0: the fewer the pixels, the bolder the outlines and the fewer and larger the baubles.
VectorDrawing christmasTreeDrawing(int pixels);

// The About window's icon, 32 pixels: a yellow smiling face with a black outline.
QImage smilingFaceIcon();

// The About picture, 320 x 240: a board on an easel with a chalk drawing of a bird, on black.
QImage easelPicture();

} // namespace artgen
