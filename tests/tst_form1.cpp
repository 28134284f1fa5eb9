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
    void cleanup();
    void startUp_data();
    void startUp();
    void centredOnScreen();
    void enterOnExitButtonEndsProgram_data();
    void enterOnExitButtonEndsProgram();
    void drawing_data();
    void drawing();
    void namedForAssistiveTechnology();

private:
    // A folder holding `ini` as the catalogue, or no catalogue when it is null.
    QString folderWith(const QByteArray &ini);
    QTemporaryDir m_dir;
};

QString tst_Form1::folderWith(const QByteArray &ini)
{
    const QString path = m_dir.filePath(CatalogueFileName);
    QFile::remove(path);
    if (!ini.isNull()) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(ini);
    }
    return m_dir.path();
}

static QByteArray shippedCatalogue()
{
    QFile file(SHIPPED_CATALOGUE);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

static QStringList entries(const Form1 &form, const char *name)
{
    QStringList list;
    const auto *combo = form.findChild<ComboBox *>(name);
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list;
}

void tst_Form1::cleanup()
{
    ClearCauseTexts();
    InterpretationCaption.clear();
}

void tst_Form1::startUp_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("frame1");
    QTest::addColumn<QStringList>("colours");
    QTest::addColumn<QStringList>("patterns");
    QTest::addColumn<QString>("red5");
    QTest::addColumn<QString>("yellowGroup");

    const QStringList empty3{"", "", ""};
    QTest::newRow("shipped catalogue, umlauts decoded")
        << shippedCatalogue() << "Fehlerausgabe Firmwareversionen Kestrion 1.XX"
        << "LED-Farbe" << QStringList{"Grün", "Rot", "Gelb"}
        << QStringList{"Dauerlicht", "Blinken", "Blitzen"}
        << "Referenzspannung außerhalb der Toleranz"
        << "Fehler der Gerätetechnik (gelbe LED)";
    QByteArray noCauses = shippedCatalogue();
    noCauses.truncate(noCauses.indexOf("[Kestrion]"));
    QTest::newRow("without section Kestrion")
        << noCauses << "Fehlerausgabe Firmwareversionen Kestrion 1.XX"
        << "LED-Farbe" << QStringList{"Grün", "Rot", "Gelb"}
        << QStringList{"Dauerlicht", "Blinken", "Blitzen"} << ""
        << "Fehler der Gerätetechnik (gelbe LED)";
    QTest::newRow("without catalogue") << QByteArray() << ""
                                       << "" << empty3 << empty3 << ""
                                       << "";
}

void tst_Form1::startUp()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, caption);
    Form1 form(folderWith(ini));

    QCOMPARE(form.windowTitle(), caption);
    QTEST(form.findChild<QGroupBox *>("Frame1")->title(), "frame1");
    QTEST(entries(form, "Combo1"), "colours");
    QTEST(entries(form, "Combo2"), "patterns");
    QTEST(BitTexts[5][1], "red5");
    QTEST(GroupCaptions[2], "yellowGroup");
    if (caption.isEmpty()) {
        QCOMPARE(form.findChild<QPushButton *>("Command2")->text(), QString());
        QCOMPARE(InterpretationCaption, QString());
    } else {
        QCOMPARE(form.findChild<QPushButton *>("Command2")->text(), QString("B&eenden"));
        QCOMPARE(InterpretationCaption, QString("Fehlerinterpretation"));
    }
    QStringList flashCounts;
    for (int i = 1; i <= 16; ++i)
        flashCounts << QString::number(i);
    QCOMPARE(entries(form, "Combo3_3"), flashCounts);
    // Nothing is chosen, and only the colour box takes input.
    for (const char *name : {"Combo1", "Combo2", "Combo3_0", "Combo3_3"})
        QCOMPARE(form.findChild<ComboBox *>(name)->listIndex(), -1);
    QVERIFY(form.findChild<ComboBox *>("Combo1")->isEnabled());
    QVERIFY(!form.findChild<ComboBox *>("Combo2")->isEnabled());
    QVERIFY(!form.findChild<ComboBox *>("Combo3_0")->isEnabled());
}

void tst_Form1::centredOnScreen()
{
    Form1 form(SHIPPED_FOLDER);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect frame = form.frameGeometry();
    QVERIFY(qAbs(frame.left() - (screen.width() - frame.width()) / 2) <= 1);
    QVERIFY(qAbs(frame.top() - (screen.height() - frame.height()) / 2) <= 1);
}

void tst_Form1::enterOnExitButtonEndsProgram_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("space") << int(Qt::Key_Space);
}

void tst_Form1::enterOnExitButtonEndsProgram()
{
    QFETCH(int, key);
    Form1 form(SHIPPED_FOLDER);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto *exitButton = form.findChild<QPushButton *>("Command2");
    QCOMPARE(QApplication::focusWidget(), exitButton);
    QTest::keyClick(exitButton, Qt::Key(key));
    QTRY_VERIFY(!form.isVisible());
}

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

QTEST_MAIN(tst_Form1)
#include "tst_form1.moc"
