#pragma once

class QWidget;

namespace toolkit {

// Width of the primary screen in twips.
double screenWidth();

// Height of the primary screen in twips.
double screenHeight();

// Centres a window's outer size on the screen, computed in twips in floating
// point; a window larger than the screen gets a negative position. Called
// before the window is shown, it places it once, where it then appears.
void centreOnScreen(QWidget *window);

} // namespace toolkit
