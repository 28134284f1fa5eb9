// The yardsticks: a bare Qt window of the main window's size, empty or (with
// the argument "text") showing one line of text, which is what sets up fonts.
#include "startupprobe.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(409, 224);
    if (argc > 1 && qstrcmp(argv[1], "text") == 0)
        (new QLabel(QStringLiteral("Fehlerausgabe"), &window))->move(16, 16);
    reportFirstFrame(&window);
    window.show();
    return app.exec();
}
