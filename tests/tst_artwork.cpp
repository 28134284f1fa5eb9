#include "artwork.h"
#include "form1.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

// The pictures on a dense screen: with two device pixels to the pixel they are
// drawn from their twice-as-fine drawings, not enlarged.
class tst_Artwork : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(qApp->devicePixelRatio(), 2.0); }
    void finePictures_data();
    void finePictures();
    void logoShownFine();
};

void tst_Artwork::finePictures_data()
{
    QTest::addColumn<QPixmap>("picture");
    QTest::addColumn<QString>("fine");
    QTest::newRow("logo") << resources::logo() << ":/logo@2x.xpm";
    QTest::newRow("hand") << resources::hand() << ":/hand32@2x.xpm";
    QTest::newRow("icon") << resources::applicationIcon().pixmap(QSize(32, 32), 2.0)
                          << ":/icon32@2x.xpm";
}

void tst_Artwork::finePictures()
{
    QFETCH(QPixmap, picture);
    QFETCH(QString, fine);
    const QImage expected = QImage(fine).convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!expected.isNull());
    QCOMPARE(picture.devicePixelRatio(), 2.0);
    QCOMPARE(picture.toImage().convertToFormat(QImage::Format_ARGB32), expected);
}

void tst_Artwork::logoShownFine()
{
    main_window::Form1 form(SHIPPED_FOLDER);
    auto *image = form.findChild<QLabel *>("Image1");
    const QImage shown = image->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(shown.devicePixelRatio(), 2.0);
    const QImage fine = QImage(":/logo@2x.xpm").convertToFormat(QImage::Format_ARGB32);
    // Where the logo is opaque, the label shows its fine drawing pixel for pixel.
    for (int y = 0; y < fine.height(); ++y) {
        for (int x = 0; x < fine.width(); ++x) {
            if (qAlpha(fine.pixel(x, y)) == 255 && shown.pixel(x, y) != fine.pixel(x, y))
                QFAIL(qPrintable(QString("differs at %1, %2").arg(x).arg(y)));
        }
    }
}

int main(int argc, char *argv[])
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    tst_Artwork test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_artwork.moc"
