#pragma once

#include <QIcon>
#include <QPixmap>

// The About window's picture and icon. Each comes from the program's resources when they hold
// it; until then a simple drawing of the same subject stands in, so that the window is whole.
namespace about {

// The picture of Image1: a board on an easel with a chalk bird, 320 x 240 pixels.
QPixmap aboutPicture();

// The window's icon: a yellow smiling face, 32 x 32 pixels on a transparent background.
QIcon aboutIcon();

} // namespace about
