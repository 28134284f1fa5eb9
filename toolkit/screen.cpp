#include "screen.h"

#include "twips.h"

#include <QCoreApplication>
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

double outerWidth(const QWidget *window)
{
    return pixelsToTwips(window->frameGeometry().width());
}

double outerHeight(const QWidget *window)
{
    return pixelsToTwips(window->frameGeometry().height());
}

void moveWindow(QWidget *window, double left, double top)
{
    // QWidget::move() places the frame, which is what the outer size refers to.
    window->move(twipsToPixels(left), twipsToPixels(top));
}

void centreOnScreen(QWidget *window)
{
    moveWindow(window, (screenWidth() - outerWidth(window)) / 2,
               (screenHeight() - outerHeight(window)) / 2);
}

QString applicationPath()
{
    return QCoreApplication::applicationDirPath();
}

} // namespace toolkit
