#include "artwork.h"
#include "form1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Both windows show the application icon.
    QApplication::setWindowIcon(resources::applicationIcon());
    main_window::Form1 form;
    form.show();
    return app.exec();
}
