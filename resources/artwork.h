#pragma once

#include <QIcon>
#include <QPixmap>

namespace resources {

// Window and application icon: two crossed rulers on a transparent
// background, drawn at 16 to 64 pixels (64 for a 32-pixel icon on dense screens).
QIcon applicationIcon();

// The maker's mark, 51 x 51 logical pixels, drawn at twice the resolution
// where the screen has two device pixels to the pixel.
QPixmap logo();

// The hand that points at a reported cause, 32 x 32 logical pixels, as logo().
QPixmap hand();

} // namespace resources
