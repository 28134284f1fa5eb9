#pragma once

#include <QIcon>
#include <QPixmap>

namespace resources {

// Window and application icon: two crossed rulers, 32 x 32 and 16 x 16.
QIcon applicationIcon();

// The maker's mark, 51 x 51.
QPixmap logo();

// The hand that points at a reported cause, 32 x 32.
QPixmap hand();

} // namespace resources
