#include "artwork.h"

#include <QApplication>
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

int main(int argc, char *argv[])
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    tst_Artwork test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_artwork.moc"
