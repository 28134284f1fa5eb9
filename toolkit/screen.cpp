#include "screen.h"

#include "twips.h"
#include "windowmanager.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace toolkit {

static QSize screenSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize();
}

double screenWidth()
{
    return pixelsToTwips(screenSize().width());
}

double screenHeight()
{
    return pixelsToTwips(screenSize().height());
}

// The frame around a window in logical pixels: as Qt knows it once the window
// is shown, before that as the window manager says it will draw it.
static QMargins frameOf(const QWidget *window)
{
    if (!window->isVisible())
        return frameBeforeShow(window);
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                    outer.right() - inner.right(), outer.bottom() - inner.bottom());
}

static void moveOuter(QWidget *window, double left, double top, const QMargins &frame)
{
    const QPoint outer(twipsToPixels(left), twipsToPixels(top));
    if (!window->isVisible() && !frame.isNull()) {
        // Qt learns of the frame only once the window is shown, so the window
        // itself is placed inside the frame the window manager announced.
        window->setGeometry(QRect(outer + QPoint(frame.left(), frame.top()), window->size()));
    } else {
        window->move(outer); // QWidget::move() places the frame where Qt knows it
    }
}

void centreOnScreen(QWidget *window)
{
    const QMargins frame = frameOf(window);
    const QSize outer = window->size().grownBy(frame);
    moveOuter(window, (screenWidth() - pixelsToTwips(outer.width())) / 2,
              (screenHeight() - pixelsToTwips(outer.height())) / 2, frame);
}

} // namespace toolkit
