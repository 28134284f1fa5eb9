#pragma once

#include <QMargins>
#include <QString>

class QWidget;

namespace toolkit {

// The frame that the window manager will draw around `window` (title bar and
// borders, in logical pixels), asked for before the window is first shown, so
// that it can be placed by its outer size without moving once it is visible.
// Empty margins where the window system places no frame or does not say.
QMargins frameBeforeShow(const QWidget *window);

// Sets the window's caption. An empty caption gives an empty title: Qt would
// show the application's name instead, on X11 and on Windows.
void setCaption(QWidget *window, const QString &caption);

} // namespace toolkit
