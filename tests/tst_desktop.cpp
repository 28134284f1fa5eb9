#include "artwork.h"
#include "catalogue.h"
#include "combobox.h"
#include "fehlerbeschreibung.h"
#include "form1.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

// An X screen (Xvfb) with a window manager (openbox) of the test's own, started
// before the QApplication connects to it; `failure` says why there is none.
struct XSession {
    QProcess server, manager;
    QString failure;
    XSession()
    {
        // Xvfb picks a free display and writes its number to the descriptor given.
        server.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x800x24"});
        server.waitForReadyRead(10000);
        qputenv("DISPLAY", ":" + server.readAllStandardOutput().trimmed());
        // openbox runs its startup command once it manages windows.
        manager.start("openbox", {"--startup", "echo ready"});
        QByteArray said;
        while (!said.contains("ready") && manager.waitForReadyRead(10000))
            said += manager.readAllStandardOutput();
        if (!said.contains("ready"))
            failure = server.state() == QProcess::Running ? "openbox could not be started"
                                                          : "Xvfb could not be started";
    }
    ~XSession()
    {
        for (QProcess *process : {&manager, &server}) {
            process->terminate();
            process->waitForFinished();
        }
    }
} * session;

// The contrast ratio of two colours as the accessibility guidelines (WCAG) define it.
static double contrast(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &c) {
        const auto linear = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

enum Part { Whole, Text, Arrow, Caption };

// Both windows as users see them: readable in dark and light themes, whole lines, fine
// pictures on dense screens, and under a window manager their frame and title.
class tst_Desktop : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        QApplication::setPalette(QApplication::style()->standardPalette());
        catalogue::ClearCauseTexts();
        catalogue::InterpretationCaption.clear();
    }

    void readable_data()
    {
        QTest::addColumn<bool>("dark"); // light text on dark grey, as dark desktop themes have it
        QTest::addColumn<QString>("control"); // "Form2." marks the interpretation window
        QTest::addColumn<int>("part");
        QTest::addColumn<double>("minimum");
        for (bool dark : {false, true}) {
            const auto row = [&](const char *what) -> QTestData & {
                return QTest::addRow("%s: %s", dark ? "dark" : "light", what) << dark;
            };
            row("chosen colour") << "Combo1" << int(Text) << 4.5;
            row("colour list arrow") << "Combo1" << int(Arrow) << 3.0;
            row("greyed battery pattern") << "Combo2" << int(Text) << 3.0;
            row("frame caption of the causes") << "Form2.Frame1" << int(Caption) << 4.5;
            row("reported cause") << "Form2.Label1_0" << int(Whole) << 4.5;
            row("greyed cause") << "Form2.Label1_1" << int(Whole) << 3.0;
            row("address, in the theme's colours") << "Label1" << int(Whole) << 4.5;
        }
    }

    void readable()
    {
        QFETCH(bool, dark);
        QFETCH(QString, control);
        QFETCH(int, part);
        QFETCH(double, minimum);
        if (dark)
            QApplication::setPalette(QPalette(QColor(0x32, 0x32, 0x32)));
        // Red chosen after green: the battery pattern stays greyed with its entry.
        main_window::Form1 form(SHIPPED_FOLDER);
        form.findChild<toolkit::ComboBox *>("Combo1")->setListIndex(0);
        form.findChild<toolkit::ComboBox *>("Combo1")->setListIndex(1);
        interpretation::Fehlerbeschreibung window;
        window.showCauseTexts(1);
        window.markBits(0x0021);

        QWidget *top = control.startsWith("Form2.") ? static_cast<QWidget *>(&window) : &form;
        const QWidget *widget = top->findChild<QWidget *>(control.section('.', -1));
        QVERIFY(widget);
        QRect area(widget->mapTo(top, QPoint()), widget->size());
        if (part == Text)
            area.setRight(area.right() - area.height()); // the arrow sits in a square at the right
        else if (part == Arrow)
            area.setLeft(area.right() - area.height());
        else if (part == Caption)
            area.setHeight(widget->fontMetrics().ascent());
        // The most frequent colour is the background; the pixel that stands out most is the text.
        const QImage image = top->grab().toImage().copy(area.adjusted(1, 1, -1, -1));
        QHash<QRgb, int> counts;
        for (int i = 0; i < image.width() * image.height(); ++i)
            ++counts[image.pixel(i % image.width(), i / image.width())];
        QRgb back = 0;
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            back = it.value() > counts.value(back) ? it.key() : back;
        double ratio = 1;
        for (QRgb colour : counts.keys())
            ratio = qMax(ratio, contrast(QColor(back), QColor(colour)));
        QVERIFY2(ratio >= minimum, qPrintable(QString::number(ratio)));
    }

    // A label shows only the lines that fit its height whole, never a sliver of the next.
    void labelsShowWholeLines_data()
    {
        QTest::addColumn<QString>("text"); // empty: the address in the main window, which fits
        QTest::newRow("address: every line") << "";
        QTest::newRow("long cause") << "Sehr lange Ursache mit vielen Wörtern, die umbricht";
    }

    void labelsShowWholeLines()
    {
        QFETCH(QString, text);
        main_window::Form1 form(SHIPPED_FOLDER);
        interpretation::Fehlerbeschreibung window;
        QLabel *label = text.isEmpty() ? form.findChild<QLabel *>("Label1") : window.Label1[0];
        if (!text.isEmpty())
            label->setText(text);
        const QRect rect = label->rect();
        const int lines = text.isEmpty() ? rect.height() : label->fontMetrics().height();
        QVERIFY(lines < rect.height() || text.isEmpty()); // else there is no room for a sliver
        const QImage shown = label->grab(rect).toImage().convertToFormat(QImage::Format_RGB32);
        // Tall enough for all its lines, the label draws them as a plain one does.
        label->resize(rect.width(), rect.height() * 10);
        QImage expected = label->grab(rect).toImage().convertToFormat(QImage::Format_RGB32);
        QPainter(&expected).fillRect(0, lines, rect.width(), rect.height(),
                                     QColor(expected.pixel(rect.width() - 1, 0)));
        QCOMPARE(shown, expected);
    }

    // The pictures: on a dense screen (two device pixels to the pixel, as the test
    // named tst_artwork runs this) drawn from their twice-as-fine drawings, not enlarged.
    void finePictures_data()
    {
        QTest::addColumn<QPixmap>("picture");
        QTest::addColumn<QString>("file");
        const qreal ratio = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
        QCOMPARE(qApp->devicePixelRatio(), ratio);
        const QString fine = ratio == 2 ? "@2x.xpm" : ".xpm";
        QTest::newRow("logo") << resources::logo() << ":/logo" + fine;
        QTest::newRow("hand") << resources::hand() << ":/hand32" + fine;
        QTest::newRow("icon") << resources::applicationIcon().pixmap(QSize(32, 32), ratio)
                              << ":/icon32" + fine;
    }

    void finePictures()
    {
        QFETCH(QPixmap, picture);
        QFETCH(QString, file);
        QCOMPARE(picture.toImage().convertToFormat(QImage::Format_ARGB32),
                 QImage(file).convertToFormat(QImage::Format_ARGB32));
    }

    void centredAndTitled_data()
    {
        QTest::addColumn<bool>("interpretation");
        QTest::addColumn<QString>("title"); // empty: shown without a catalogue
        QTest::newRow("main") << false << "Fehlerausgabe Firmwareversionen Kestrion 1.XX";
        QTest::newRow("main, empty title") << false << "";
        QTest::newRow("interpretation") << true << "Fehlerinterpretation";
        QTest::newRow("interpretation, empty title") << true << "";
    }

    void centredAndTitled()
    {
        QFETCH(bool, interpretation);
        QFETCH(QString, title);
        if (!session->failure.isEmpty())
            QSKIP(qPrintable("needs an X server with a window manager: " + session->failure));
        QTemporaryDir empty;
        main_window::Form1 form(title.isEmpty() ? empty.path() : QString(SHIPPED_FOLDER));
        interpretation::Fehlerbeschreibung second;
        QWidget *window = interpretation ? static_cast<QWidget *>(&second) : &form;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QRect shown = window->frameGeometry(); // Qt asks the X server for the outer frame
        QTest::qWait(200); // a window moved after it was shown would jump now
        QCOMPARE(window->frameGeometry(), shown);
        QVERIFY2(shown.size() != window->size(), "the window manager drew no frame");
        const QPoint offset = shown.center() - QRect(0, 0, 1280, 800).center();
        QVERIFY2(qAbs(offset.x()) <= 2 && qAbs(offset.y()) <= 2,
                 qPrintable(QString("frame centre %1, %2 px off").arg(offset.x()).arg(offset.y())));
        QProcess xprop;
        xprop.start("xprop", {"-id", QString::number(window->winId()), "-notype", "_NET_WM_NAME",
                              "WM_NAME"});
        QVERIFY(xprop.waitForFinished());
        QCOMPARE(xprop.readAllStandardOutput().replace('"', ""), // an empty title goes unquoted
                 QString("_NET_WM_NAME = %1\nWM_NAME = %1\n").arg(title).toUtf8());
    }
};

int main(int argc, char *argv[])
{
    XSession x;
    session = &x;
    qputenv("QT_QPA_PLATFORM", x.failure.isEmpty() ? "xcb" : "offscreen");
    QApplication app(argc, argv);
    tst_Desktop test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktop.moc"
