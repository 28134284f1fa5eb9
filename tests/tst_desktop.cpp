#include "combobox.h"
#include "fehlerbeschreibung.h"
#include "form1.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QTest>
#include <cmath>

static bool windowManager = false; // the test's own Xvfb and openbox run

static double luminance(const QColor &c) // relative, plus 0.05 flare: WCAG contrast is a quotient
{
    const auto light = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.05 + 0.2126 * light(c.redF()) + 0.7152 * light(c.greenF()) + 0.0722 * light(c.blueF());
}

struct Process : QProcess {
    ~Process() { terminate(), waitForFinished(); }
};

enum Part { Whole, Text, Arrow, Caption }; // Text: left of the arrow's square; Caption: 1st line

struct tst_Desktop : QObject {
    Q_OBJECT

public:
    static void initMain() // Xvfb names its display, openbox says "ready" once managing windows
    {
        static Process server, manager; // stopped after the application has left the X server
        server.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x800x24"});
        server.waitForReadyRead(10000);
        qputenv("DISPLAY", ":" + server.readAllStandardOutput().trimmed());
        manager.start("openbox", {"--startup", "echo ready"});
        while (!windowManager && manager.waitForReadyRead(10000))
            windowManager = manager.readAllStandardOutput().contains("ready");
        qputenv("QT_QPA_PLATFORM", windowManager ? "xcb" : "offscreen");
    }

private slots:
    void readableWholeLines_data()
    {
        QTest::addColumn<QPalette>("palette");
        QTest::newRow("light") << QApplication::style()->standardPalette();
        QTest::newRow("dark: light text on dark grey") << QPalette(QColor(0x32, 0x32, 0x32));
    }

    // Text on the fixed back colours stays readable whatever the theme's text colour.
    void readableWholeLines()
    {
        QFETCH(QPalette, palette);
        QApplication::setPalette(palette);
        main_window::Form1 form(SHIPPED_FOLDER);
        for (int colour : {0, 1}) // red after green: battery pattern stays greyed with its entry
            form.findChild<toolkit::ComboBox *>("Combo1")->setListIndex(colour);
        interpretation::Fehlerbeschreibung window;
        window.showCauseTexts(1);
        window.markBits(0x0021);
        const std::tuple<const char *, QWidget *, Part, double> places[] = {
            {"chosen colour", form.findChild<QWidget *>("Combo1"), Text, 4.5},
            {"colour list arrow", form.findChild<QWidget *>("Combo1"), Arrow, 3.0},
            {"greyed battery pattern", form.findChild<QWidget *>("Combo2"), Text, 3.0},
            {"caption of the causes", window.findChild<QWidget *>("Frame1"), Caption, 4.5},
            {"reported cause", window.Label1[0], Whole, 4.5},
            {"greyed cause", window.Label1[1], Whole, 3.0}};
        for (const auto &[what, widget, part, minimum] : places) {
            const int w = widget->width(), h = widget->height(), a = widget->fontMetrics().ascent();
            const QMargins cut[] = {{}, {0, 0, h, 0}, {w - h, 0, 0, 0}, {0, 0, 0, h - a}};
            const QImage image = widget->grab().toImage().copy(widget->rect() - (cut[part] + 1));
            QHash<QRgb, int> count; // the most frequent colour is the background
            for (int i = 0; i < image.width() * image.height(); ++i)
                ++count[image.pixel(i % image.width(), i / image.width())];
            const double back = luminance(count.key(*std::max_element(count.begin(), count.end())));
            const auto [darkest, lightest] = std::ranges::minmax(count.keys(), {}, luminance);
            const double ratio = std::max(luminance(lightest) / back, back / luminance(darkest));
            QVERIFY2(ratio >= minimum, qPrintable(QString("%1: %2").arg(what).arg(ratio)));
        }
        // Whole lines only (all of the address, one of a long cause): drawn tall, they look alike.
        window.Label1[0]->setText("Sehr lange Ursache mit vielen Wörtern, die umbricht");
        for (QLabel *label : {form.findChild<QLabel *>("Label1"), window.Label1[0]}) {
            const QRect all = label->rect();
            const int fit = form.isAncestorOf(label) ? all.height() : label->fontMetrics().height();
            const QImage shown = label->grab().toImage();
            label->resize(all.width(), all.height() * 10);
            QImage plain = label->grab(all).toImage();
            QPainter(&plain).fillRect(all.adjusted(0, fit, 0, 0), plain.pixel(all.topRight()));
            QVERIFY2(shown == plain, qPrintable(label->objectName()));
        }
    }

    // Under a window manager: centred by the outer frame, titles empty without a catalogue.
    void centredAndTitled()
    {
        if (!windowManager)
            QSKIP("needs its own Xvfb and openbox, which could not be started");
        main_window::Form1 form(SHIPPED_FOLDER), untitled(SHIPPED_FOLDER "/absent");
        interpretation::Fehlerbeschreibung second; // untitled, as the last catalogue read had none
        for (QWidget *window : std::initializer_list<QWidget *>{&form, &untitled, &second}) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            const QRect shown = window->frameGeometry();
            QVERIFY2(shown.size() != window->size(), "the window manager drew no frame");
            QCOMPARE_LE((shown.center() - QRect(0, 0, 1280, 800).center()).manhattanLength(), 2);
            QProcess xprop;
            xprop.start("xprop", {"-id", QString::number(window->winId()), "-notype",
                                  "_NET_WM_NAME", "WM_NAME"});
            QVERIFY(xprop.waitForFinished());
            QCOMPARE(QString(xprop.readAllStandardOutput()).remove('"'), // empty goes unquoted
                     QString("_NET_WM_NAME = %1\nWM_NAME = %1\n").arg(window->windowTitle()));
            window->hide(); // beside another, the window manager would place it elsewhere
        }
    }
};

QTEST_MAIN(tst_Desktop)

#include "tst_desktop.moc"
