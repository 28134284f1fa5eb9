#include "cataloguekeys.h"
#include "profilefile.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace catalogue;

static void row(const char *name, const QByteArray &ini, const QString &expected,
                const QString &section = "Kestrion", const QString &key = "GREEN1",
                const QString &fallback = "", int size = BufferSize)
{
    QTest::newRow(name) << ini << expected << section << key << fallback << size;
}

class tst_ProfileReader : public QObject
{
    Q_OBJECT

private slots:
    // each row reads GREEN1 of [Kestrion], default "", buffer 50, unless it names others
    void value_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("fallback");
        QTest::addColumn<int>("size");

        const QByteArray c49(49, 'c');
        row("GREEN01 is not GREEN1", "[Kestrion]\nGREEN01=a\n", "");
        row("blanks and tabs around value dropped", "[Kestrion]\nGREEN1= \t a b \t \n", "a b");
        row("blanks around names dropped", "  [ Kestrion ]  \n \tGREEN1 \t=a\n", "a");
        row("double quotes removed", "[Kestrion]\nGREEN1= \" a \" \n", " a ");
        row("single quotes removed", "[Kestrion]\nGREEN1='a'\n", "a");
        row("one pair of quotes only", "[Kestrion]\nGREEN1=\"\"a\"\"\n", "\"a\"");
        row("unmatched quotes kept", "[Kestrion]\nGREEN1=\"a'\n", "\"a'");
        row("value keeps later =", "[Kestrion]\nGREEN1=a=b=c\n", "a=b=c");
        row("49 bytes shown whole", "[Kestrion]\nGREEN1=" + c49 + "\n", QString(c49));
        row("50 bytes cut to 49", "[Kestrion]\nGREEN1=" + c49 + "d\n", QString(c49));
        row("limit counts after blanks and quotes",
            QByteArray("[Kestrion]\nGREEN1=  \"" + c49 + "\"  \n"), QString(c49));
        row("key without =", "[Kestrion]\nGREEN1\n", "");
        row("key of another section", "[Kestrion]\n[X]\nGREEN1=a\n", "");
        row("key before any section", "GREEN1=a\n[Kestrion]\n", "");
        row("first key wins", "[Kestrion]\nGREEN1=a\ngreen1=b\n", "a");
        row("first section wins", "[Kestrion]\nRED1=r\n[Kestrion]\nGREEN1=a\n", "");
        row("first section wins, others between",
            "[Kestrion]\nRED1=r\n[Farben]\n0=g\n[Kestrion]\nGREEN1=a\n", "");
        row("comment line skipped", "[Kestrion]\n ;GREEN1=x\nGREEN1=a\n", "a");
        row("# starts no comment", "[Kestrion]\n#GREEN1=a\n", "a", "Kestrion", "#GREEN1");
        row("semicolon inside value kept", "[Kestrion]\nGREEN1=a;b\n", "a;b");
        row("CRLF line ends", "[Kestrion]\r\nGREEN1=a\r\n", "a");
        row("CR line ends", "[Kestrion]\rGREEN1=a\rRED1=b", "a");
        row("no final newline", "[Kestrion]\nGREEN1=a", "a");
        row("unclosed bracket still opens a section", "[Kestrion]\n[Other\nGREEN1=a\n", "");
        row("unclosed bracket with blanks after the name", "[Kestrion   \nGREEN1=a\n", "a");
        row("section name ends at the first ]", "[Kestrion]whoops]\nGREEN1=a\n", "a");
        row("text after ] defines no key", "[Kestrion]GREEN1=a\n", "");
        row("[] is the section with the empty name", "[]\nGREEN1=a\n", "a", "");
        row("keys before any section are not in the empty one", "GREEN1=a\n[]\n", "", "");
        row("vertical tab is a blank", "\v [\vKestrion\v]\v\n\vGREEN1\v=\v\"a\"\v\n", "a");
        row("section argument loses its spaces", "[Kestrion]\nGREEN1=a\n", "a", " Kestrion ");
        row("section argument keeps its tabs", "[Kestrion]\nGREEN1=a\n", "", "\tKestrion");
        row("key argument used as given", "[Kestrion]\nGREEN1=a\n", "", "Kestrion", "GREEN1\t");
        row("NUL ends the value", QByteArray("[Kestrion]\nGREEN1=a\0b\n", 22), "a");
        row("Windows-1252 decoded", "[Kestrion]\nGREEN1=\x80 \x84\x93 \xe4\xdf \x81\n",
            QString::fromUtf8("€ „“ äß \u0081"));
        row("UTF-8 with byte-order mark", "\xef\xbb\xbf[Kestrion]\nGREEN1=\xe2\x82\xac \xc3\xa4\n",
            QString::fromUtf8("€ ä"));
        row("UTF-8 limit counts characters",
            QByteArray("\xef\xbb\xbf[Kestrion]\nGREEN1=" + QString(60, QChar(0xe4)).toUtf8()),
            QString(49, QChar(0xe4)));
        const QString utf16 = QString::fromUtf8("[Kestrion]\r\nGREEN1=\"Grün €\"\r\n");
        row("UTF-16LE with byte-order mark",
            QByteArray("\xff\xfe") +
                QByteArray(reinterpret_cast<const char *>(utf16.utf16()), utf16.size() * 2),
            QString::fromUtf8("Grün €"));
        row("missing key gives the default", "[S]\nk=abcdef\n", "fallback", "S", "m", "fallback");
        row("value cut to the buffer", "[S]\nk=abcdef\n", "abc", "S", "k", "", 4);
        row("buffer of 0 holds nothing", "[S]\nk=abcdef\n", "", "S", "k", "x", 0);
        row("UTF-16BE is not understood", "\xfe\xff\n[Kestrion]\nGREEN1=a\n", "");
    }

    void value()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, expected);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, fallback);
        QFETCH(int, size);
        // read in one pass with every key the program reads, as the program does
        const QList<ProfileKey> keys = QList<ProfileKey>{{section, key}} + catalogueProfileKeys();
        QCOMPARE(readProfileStrings(ini, keys, fallback, size).constFirst(), expected);
    }

    // every row reads GREEN1 of [Kestrion] from a file made as the row says, with POSIX
    // calls and with Qt's portable file access: "a" from a file that is read, else nothing
    void file_data()
    {
        QTest::addColumn<FileAccess>("access");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<ProfileFile::Status>("status");
        using Status = ProfileFile::Status;
        for (const FileAccess access : {FileAccess::Posix, FileAccess::Portable}) {
            const char *how = access == FileAccess::Posix ? "posix" : "portable";
            const auto add = [&](const char *kind, Status status) {
                QTest::addRow("%s, %s", kind, how) << access << QString(kind) << status;
            };
            add("read-only file", Status::Read);
            add("fifo", Status::NotRegular);
            add("at the size limit", Status::Read);
            add("over the size limit", Status::TooLarge);
            add("missing", Status::Missing);
            add("link to nothing", Status::DanglingLink);
        }
    }

    void file()
    {
        QFETCH(FileAccess, access);
        QFETCH(QString, kind);
        QFETCH(ProfileFile::Status, status);
        QTemporaryDir dir;
        const QString path = dir.filePath("ErrorMessage.ini");
        QFile file(path);
        if (kind == "fifo") {
            // A FIFO without a writer would block an ordinary open; the test would hang.
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == "link to nothing") {
            QVERIFY(QFile::link(dir.filePath("gone.ini"), path));
        } else if (kind != "missing") {
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[Kestrion]\r\nGREEN1=a\r\n");
            if (kind.contains("size limit")) // sparse: the rest of the file reads as NULs
                file.resize(MaxProfileFileSize + (kind.startsWith("over") ? 1 : 0));
            file.close();
            QVERIFY(file.setPermissions(QFile::ReadOwner));
        }
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::System);
        const QDateTime modified = QFileInfo(path).lastModified();

        const ProfileFile read = readProfileFile(path, access);
        QCOMPARE(read.status, status);
        QCOMPARE(readProfileString(read.bytes, "Kestrion", "GREEN1", "", BufferSize),
                 status == ProfileFile::Status::Read ? "a" : "");
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System), before);
        QCOMPARE(QFileInfo(path).lastModified(), modified);
    }

    // The file is cut to nothing the moment the reader opens it (inotify wakes the cutter),
    // then restored: a reader that mapped the file would fault on nearly every read, this
    // one gives the text of one version or the other (the sanitizer build watches every access).
    void fileCutWhileRead()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("ErrorMessage.ini");
        const QByteArray whole = "[Kestrion]\nGREEN1=a\n" + QByteArray(256 << 10, ';');
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(whole) == whole.size() &&
                file.flush());
        const int watch = inotify_init1(IN_CLOEXEC);
        QVERIFY(watch >= 0 && inotify_add_watch(watch, QFile::encodeName(path), IN_OPEN) >= 0);
        std::atomic<int> restored = 0;
        std::atomic<bool> done = false;
        std::thread cutter([&] {
            char events[4096];
            pollfd wake{watch, POLLIN, 0};
            while (!done) {
                if (::poll(&wake, 1, 100) > 0 && ::read(watch, events, sizeof events) > 0 &&
                    file.resize(0) && file.seek(0) && file.write(whole) == whole.size() &&
                    file.flush())
                    ++restored;
            }
        });
        const auto stop = qScopeGuard([&] {
            done = true;
            cutter.join();
            ::close(watch);
        });
        for (int i = 0; i < 100; ++i) {
            for (QDeadlineTimer wait(5000); restored < i && !wait.hasExpired();)
                std::this_thread::yield();
            QCOMPARE(restored.load(), i); // the whole file again before each read
            const FileAccess access = i % 2 ? FileAccess::Posix : FileAccess::Portable;
            const QString text = readProfileString(readProfileFile(path, access).bytes, "Kestrion",
                                                   "GREEN1", "", BufferSize);
            QVERIFY2(text.isEmpty() || text == "a", qPrintable(text));
        }
    }
};

QTEST_MAIN(tst_ProfileReader)
#include "tst_profilereader.moc"
