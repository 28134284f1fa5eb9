#pragma once

#include <QString>

class QWidget;

namespace toolkit {

// Width of the primary screen in twips.
double screenWidth();

// Height of the primary screen in twips.
double screenHeight();

// Outer width of a window in twips, title bar and border included where the
// window system has told us their size; before the window is first shown, as
// the window manager says it will frame it.
double outerWidth(const QWidget *window);

// Outer height of a window in twips, as outerWidth().
double outerHeight(const QWidget *window);

// Moves a window's outer top-left corner to (left, top), in twips. Positions
// off the screen are kept as they are.
void moveWindow(QWidget *window, double left, double top);

// Centres a window's outer size on the screen, computed in twips in floating
// point; a window larger than the screen gets a negative position. Called
// before the window is shown, it places it once, where it then appears.
void centreOnScreen(QWidget *window);

// The folder that holds the running executable, links resolved, without a
// trailing separator except at a root ("/", "C:/").
QString applicationPath();

} // namespace toolkit
