#pragma once

#include <QIcon>

// The program's art, compiled into the executable. Paths inside the resource bundle:
//   ":/icons/tavrin.png" (32 px), ":/icons/tavrin-16.png",
//   ":/icons/tavrin-48.png" and ":/icons/tavrin-64.png"        the application icon
//   ":/icons/about.png"                                          the About window's icon
//   ":/about_picture.bmp"                                        the About window's picture
namespace resources {

inline constexpr char kAboutPicturePath[] = ":/about_picture.bmp";

// The Christmas tree at each size a window's frame and taskbar draw from 1 to 2 times the
// standard scale, each drawn for its size rather than scaled from another.
QIcon applicationIcon();

// The smiling face.
QIcon aboutIcon();

} // namespace resources
