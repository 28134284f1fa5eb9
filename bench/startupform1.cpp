// The program's own start-up, with a probe that reports its first frame. An
// argument names another folder to read the catalogue from.
#include "artwork.h"
#include "form1.h"
#include "startupprobe.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(resources::applicationIcon());
    main_window::Form1 form(argc > 1 ? QString::fromLocal8Bit(argv[1])
                                     : toolkit::applicationPath());
    reportFirstFrame(&form);
    form.show();
    return app.exec();
}
