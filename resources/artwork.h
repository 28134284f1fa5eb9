#pragma once

#include <QIcon>
#include <QPixmap>

namespace resources {

// Window and application icon: two crossed rulers, 32 x 32 and 16 x 16, and
// the 32 x 32 drawing at twice the resolution on dense screens.
QIcon applicationIcon();

// The maker's mark, 51 x 51 logical pixels, drawn at twice the resolution
// where the screen has two device pixels to the pixel.
QPixmap logo();

// The hand that points at a reported cause, 32 x 32 logical pixels, as logo().
QPixmap hand();

} // namespace resources
