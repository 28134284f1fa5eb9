#include "catalogue.h"
#include "combobox.h"
#include "form1.h"
#include "shape.h"
#include "twips.h"

#include <QGroupBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace catalogue;
using main_window::Form1;
using toolkit::ComboBox;

class tst_Form1 : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ClearCauseTexts(); }
    void startUp_data();
    void startUp();
    void drawing_data();
    void drawing();
    void namedForAssistiveTechnology();
    void tabOrder();
};

static QStringList entries(const Form1 &form, const char *name)
{
    QStringList list;
    const auto *combo = form.findChild<ComboBox *>(name);
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list;
}

// Every text the window takes from its catalogue, by object name or table.
void tst_Form1::startUp_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("shipped catalogue, umlauts decoded")
        << SHIPPED_FOLDER
        << QStringList{"Fehlerausgabe Firmwareversionen Kestrion 1.XX",
                       "LED-Farbe",
                       "B&eenden",
                       "Fehlerinterpretation",
                       "Grün|Rot|Gelb",
                       "Dauerlicht|Blinken|Blitzen",
                       "Referenzspannung außerhalb der Toleranz",
                       "Fehler der Gerätetechnik (gelbe LED)"};
    QTest::newRow("without catalogue: empty texts, three empty entries")
        << "/nonexistent" << QStringList{"", "", "", "", "||", "||", "", ""};
}

void tst_Form1::startUp()
{
    QFETCH(QString, folder);
    QFETCH(QStringList, texts);
    Form1 form(folder);
    const QStringList shown{form.windowTitle(),
                            form.findChild<QGroupBox *>("Frame1")->title(),
                            form.findChild<QPushButton *>("Command2")->text(),
                            InterpretationCaption,
                            entries(form, "Combo1").join('|'),
                            entries(form, "Combo2").join('|'),
                            BitTexts[5][1],
                            GroupCaptions[2]};
    QCOMPARE(shown, texts);
    QStringList flashCounts;
    for (int i = 1; i <= 16; ++i)
        flashCounts << QString::number(i);
    QCOMPARE(entries(form, "Combo3_3"), flashCounts);
    // Without a window manager the window is centred exactly.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect frame = form.frameGeometry();
    QVERIFY(qAbs(frame.left() - (screen.width() - frame.width()) / 2) <= 1);
    QVERIFY(qAbs(frame.top() - (screen.height() - frame.height()) / 2) <= 1);
}

// The device drawing, back to front: a point of each part shows its colour.
void tst_Form1::drawing_data()
{
    QTest::addColumn<QPoint>("twips");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("LED dark on the grey body") << QPoint(4635, 532) << QColor(0x80, 0x80, 0x80);
    QTest::newRow("body left of the decoration") << QPoint(3000, 540) << QColor(0x80, 0x80, 0x80);
    QTest::newRow("yellow ring of the decoration") << QPoint(3990, 547) << QColor(Qt::yellow);
    QTest::newRow("red centre of the decoration") << QPoint(4147, 547) << QColor(Qt::red);
    QTest::newRow("black bar") << QPoint(4000, 1012) << QColor(Qt::black);
    QTest::newRow("top rule") << QPoint(3000, 120) << QColor(Qt::blue);
    QTest::newRow("bottom rule") << QPoint(3000, 3240) << QColor(Qt::blue);
    QTest::newRow("leg") << QPoint(2587, 1000) << QColor(0x80, 0x80, 0x80);
}

void tst_Form1::drawing()
{
    QFETCH(QPoint, twips);
    QFETCH(QColor, colour);
    Form1 form(SHIPPED_FOLDER);
    const QImage image = form.grab().toImage();
    const QPoint pixel(toolkit::twipsToPixels(twips.x()), toolkit::twipsToPixels(twips.y()));
    QCOMPARE(image.pixelColor(pixel * image.devicePixelRatio()), colour);
}

void tst_Form1::namedForAssistiveTechnology()
{
    Form1 form(SHIPPED_FOLDER);
    QCOMPARE(form.findChild<QWidget *>("Combo3_2")->accessibleName(),
             QString("Blitze je Stelle (1. bis 4. Stelle): 3"));
    auto *led = form.findChild<toolkit::Shape *>("Shape1");
    QCOMPARE(led->accessibleDescription(), QString("aus"));
    form.findChild<ComboBox *>("Combo1")->setListIndex(2);
    QCOMPARE(led->accessibleDescription(), QString("leuchtet"));
    led->setShapeVisible(false);
    QCOMPARE(led->accessibleDescription(), QString("dunkel"));
}

// Tab walks the controls in their design order; the lists pass it on and
// never swallow it as a typed character.
void tst_Form1::tabOrder()
{
    Form1 form(SHIPPED_FOLDER);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.findChild<ComboBox *>("Combo1")->setListIndex(1);
    QStringList order{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(order, QStringList({"Command2", "Command3", "Combo1", "Combo3_3", "Combo3_2",
                                 "Combo3_1", "Combo3_0"}));
}

QTEST_MAIN(tst_Form1)
#include "tst_form1.moc"
