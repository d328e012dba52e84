#pragma once

#include <QIcon>

// The program's art, compiled into the executable. Paths inside the resource bundle:
//   ":/icons/tavrin.png" (32 px) and ":/icons/tavrin-16.png"   the application icon
//   ":/icons/about.png"                                          the About window's icon
//   ":/about_picture.bmp"                                        the About window's picture
namespace resources {

inline constexpr char kAboutPicturePath[] = ":/about_picture.bmp";

// The Christmas tree at both of its drawn sizes, so that neither is scaled from the other.
QIcon applicationIcon();

// The smiling face.
QIcon aboutIcon();

} // namespace resources
