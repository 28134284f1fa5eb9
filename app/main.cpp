#include "artwork.h"
#include "form1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Docks and task switchers match the windows with the menu entry: on
    // Wayland by the desktop file's name (the app id), on X11 by the class of
    // WM_CLASS, which is the application's name and the desktop file's
    // StartupWMClass. Set here, it holds however the executable was started.
    QApplication::setApplicationName(QStringLiteral(KESTRION_NAME));
    QApplication::setDesktopFileName(QStringLiteral(KESTRION_APP_ID));
    // Both windows show the application icon.
    QApplication::setWindowIcon(resources::applicationIcon());
    main_window::Form1 form;
    form.show();
    return app.exec();
}
