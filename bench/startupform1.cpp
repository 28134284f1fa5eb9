// The program's own start-up, with a probe that reports its first frame.
#include "artwork.h"
#include "form1.h"
#include "startupprobe.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(resources::applicationIcon());
    main_window::Form1 form;
    reportFirstFrame(&form);
    form.show();
    return app.exec();
}
