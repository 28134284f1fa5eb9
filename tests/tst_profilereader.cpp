#include "profilereader.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using catalogue::readProfileString;

class tst_ProfileReader : public QObject
{
    Q_OBJECT

private slots:
    void value_data();
    void value();
    void defaultAndBufferSize();
    void realFile();
    void notARegularFile_data();
    void notARegularFile();
    void hugeLine();
    void randomBytes();
};

static QString readGreen1(const QByteArray &ini)
{
    return readProfileString(ini, "Kestrion", "GREEN1", "", 50);
}

// every row reads key GREEN1 of section [Kestrion] with a buffer of 50
void tst_ProfileReader::value_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("expected");

    const QByteArray c49(49, 'c');
    QTest::newRow("plain value") << QByteArray("[Kestrion]\nGREEN1=Akku\n") << "Akku";
    QTest::newRow("key in other case") << QByteArray("[Kestrion]\ngreen1=a\n") << "a";
    QTest::newRow("section in other case") << QByteArray("[KESTRION]\nGREEN1=a\n") << "a";
    QTest::newRow("GREEN01 is not GREEN1") << QByteArray("[Kestrion]\nGREEN01=a\n") << "";
    QTest::newRow("GREEN10 is not GREEN1") << QByteArray("[Kestrion]\nGREEN10=a\n") << "";
    QTest::newRow("blanks and tabs around value dropped")
        << QByteArray("[Kestrion]\nGREEN1= \t a b \t \n") << "a b";
    QTest::newRow("blanks around names dropped")
        << QByteArray("  [ Kestrion ]  \n \tGREEN1 \t=a\n") << "a";
    QTest::newRow("double quotes removed") << QByteArray("[Kestrion]\nGREEN1= \" a \" \n") << " a ";
    QTest::newRow("single quotes removed") << QByteArray("[Kestrion]\nGREEN1='a'\n") << "a";
    QTest::newRow("one pair of quotes only")
        << QByteArray("[Kestrion]\nGREEN1=\"\"a\"\"\n") << "\"a\"";
    QTest::newRow("unmatched quotes kept") << QByteArray("[Kestrion]\nGREEN1=\"a'\n") << "\"a'";
    QTest::newRow("lone quote kept") << QByteArray("[Kestrion]\nGREEN1=\"\n") << "\"";
    QTest::newRow("value keeps later =") << QByteArray("[Kestrion]\nGREEN1=a=b=c\n") << "a=b=c";
    QTest::newRow("49 bytes shown whole")
        << QByteArray("[Kestrion]\nGREEN1=" + c49 + "\n") << QString(c49);
    QTest::newRow("50 bytes cut to 49")
        << QByteArray("[Kestrion]\nGREEN1=" + c49 + "d\n") << QString(c49);
    QTest::newRow("limit counts after blanks and quotes")
        << QByteArray("[Kestrion]\nGREEN1=  \"" + c49 + "\"  \n") << QString(c49);
    QTest::newRow("empty value") << QByteArray("[Kestrion]\nGREEN1=\n") << "";
    QTest::newRow("key without =") << QByteArray("[Kestrion]\nGREEN1\n") << "";
    QTest::newRow("missing key") << QByteArray("[Kestrion]\nRED1=a\n") << "";
    QTest::newRow("missing section") << QByteArray("[Farben]\nGREEN1=a\n") << "";
    QTest::newRow("key of another section") << QByteArray("[Kestrion]\n[X]\nGREEN1=a\n") << "";
    QTest::newRow("key before any section") << QByteArray("GREEN1=a\n[Kestrion]\n") << "";
    QTest::newRow("first key wins") << QByteArray("[Kestrion]\nGREEN1=a\ngreen1=b\n") << "a";
    QTest::newRow("first section wins")
        << QByteArray("[Kestrion]\nRED1=r\n[Kestrion]\nGREEN1=a\n") << "";
    QTest::newRow("comment line skipped")
        << QByteArray("[Kestrion]\n ;GREEN1=x\nGREEN1=a\n") << "a";
    QTest::newRow("semicolon inside value kept") << QByteArray("[Kestrion]\nGREEN1=a;b\n") << "a;b";
    QTest::newRow("CRLF line ends") << QByteArray("[Kestrion]\r\nGREEN1=a\r\n") << "a";
    QTest::newRow("CR line ends") << QByteArray("[Kestrion]\rGREEN1=a\rRED1=b") << "a";
    QTest::newRow("no final newline") << QByteArray("[Kestrion]\nGREEN1=a") << "a";
    QTest::newRow("unclosed bracket is no section")
        << QByteArray("[Kestrion]\n[Other\nGREEN1=a\n") << "a";
    QTest::newRow("NUL ends the value") << QByteArray("[Kestrion]\nGREEN1=a\0b\n", 22) << "a";
    QTest::newRow("binary junk around")
        << QByteArray("\xff\x00\x01[\x80]\n\x00\x00=\x00\n[Kestrion]\nGREEN1=a\n\xfe\xff", 33)
        << "a";
    QTest::newRow("Windows-1252 decoded")
        << QByteArray("[Kestrion]\nGREEN1=\x80 \x84\x93 \xe4\xdf \x81\n")
        << QString::fromUtf8("€ „“ äß \u0081");
    QTest::newRow("UTF-8 with byte-order mark")
        << QByteArray("\xef\xbb\xbf[Kestrion]\nGREEN1=\xe2\x82\xac \xc3\xa4\n")
        << QString::fromUtf8("€ ä");
    QTest::newRow("UTF-8 limit counts characters")
        << QByteArray("\xef\xbb\xbf[Kestrion]\nGREEN1=" + QString(60, QChar(0xe4)).toUtf8())
        << QString(49, QChar(0xe4));
    QTest::newRow("UTF-8 never splits a surrogate pair")
        << QByteArray("\xef\xbb\xbf[Kestrion]\nGREEN1=" + QByteArray(48, 'x') + "\xf0\x9f\x94\x8b")
        << QString(48, 'x') + QString::fromUtf8("\xf0\x9f\x94\x8b");
    const QString utf16 = QString::fromUtf8("[Kestrion]\r\nGREEN1=\"Grün €\"\r\n");
    QTest::newRow("UTF-16LE with byte-order mark")
        << QByteArray("\xff\xfe") +
               QByteArray(reinterpret_cast<const char *>(utf16.utf16()), utf16.size() * 2)
        << QString::fromUtf8("Grün €");
}

void tst_ProfileReader::value()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, expected);
    QCOMPARE(readGreen1(ini), expected);
}

void tst_ProfileReader::defaultAndBufferSize()
{
    const QByteArray ini("[S]\nk=abcdef\n");
    QCOMPARE(readProfileString(ini, "S", "missing", "fallback", 50), QString("fallback"));
    QCOMPARE(readProfileString(ini, "S", "missing", "fallback", 4), QString("fal"));
    QCOMPARE(readProfileString(ini, "S", "k", "", 4), QString("abc"));
    QCOMPARE(readProfileString(ini, "S", "k", "", 1), QString());
    QCOMPARE(readProfileString(ini, "S", "k", "", 0), QString());
}

void tst_ProfileReader::realFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("ErrorMessage.ini");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Bezeichnungen]\r\nForm2=Fehlerinterpretation\r\n");
    file.close();
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
    const QDateTime before = QFileInfo(path).lastModified();

    QCOMPARE(readProfileString("Bezeichnungen", "Form2", "", 50, path),
             QString("Fehlerinterpretation"));
    QCOMPARE(QFileInfo(path).lastModified(), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void tst_ProfileReader::notARegularFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("missing file") << "/nonexistent/ErrorMessage.ini";
    QTest::newRow("directory") << "/tmp";
    QTest::newRow("character device") << "/dev/zero";
    QTest::newRow("fifo") << "fifo";
}

void tst_ProfileReader::notARegularFile()
{
    QFETCH(QString, path);
    QTemporaryDir dir;
    if (path == "fifo") {
        path = dir.filePath("ErrorMessage.ini");
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }
    // A FIFO without a writer would block an ordinary open; the test would hang.
    QCOMPARE(readProfileString("S", "k", "", 50, path), QString());
}

void tst_ProfileReader::hugeLine()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("ErrorMessage.ini");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Kestrion]\nRED1=");
    file.write(QByteArray(16 << 20, 'x'));
    file.write("\nGREEN1=\"" + QByteArray(8 << 20, 'y') + "\"");
    file.close();
    QCOMPARE(readProfileString("Kestrion", "GREEN1", "", 50, path), QString(49, 'y'));
    QCOMPARE(readProfileString("Kestrion", "RED1", "", 50, path), QString(49, 'x'));
}

// Scrambled catalogues built from the bytes the reader cares about: whatever
// it finds, the text stays within 49 characters (the sanitizer build watches
// every access).
void tst_ProfileReader::randomBytes()
{
    const QByteArray alphabet("[]=;\"' \t\r\n\0\x80\xef\xbb\xbf\xff\xfeKestrionGREEN1", 31);
    QRandomGenerator random(1);
    for (int round = 0; round < 5000; ++round) {
        QByteArray ini(random.bounded(300), Qt::Uninitialized);
        for (char &c : ini)
            c = alphabet[random.bounded(int(alphabet.size()))];
        if (round % 2)
            ini.prepend("[Kestrion]\nGREEN1=");
        QVERIFY(readGreen1(ini).size() <= 49 * 2); // 49 characters, some as surrogate pairs
    }
}

QTEST_MAIN(tst_ProfileReader)
#include "tst_profilereader.moc"
