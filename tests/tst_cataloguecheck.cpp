#include "cataloguekeys.h"
#include "profilefile.h"
#include "profilereader.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class tst_CatalogueCheck : public QObject
{
    Q_OBJECT

private slots:
    void command_data();
    void command();
    void englishSaysTheSame();
};

// Every key, each with its name (after its last '_') as text: [Bezeichnungen] in line 1 and its
// keys in lines 2 to 11, [Farben] 12 (keys 13 to 15), [Unterspannung] 16 (17 to 19), [Aufnahme] 20
// (its 34 keys to 54), [Kestrion] 55, then GREENn in line 56 + 3n, REDn 57 + 3n, YELLOWn 58 + 3n.
static QByteArray complete()
{
    QByteArray ini;
    for (const char *name : {"Bezeichnungen", "Farben", "Unterspannung", "Aufnahme", "Kestrion"}) {
        ini += '[' + QByteArray(name) + "]\n";
        for (const auto &[section, key] : catalogue::catalogueProfileKeys())
            ini += section == name ? (key + '=' + key.section('_', -1) + '\n').toLatin1() : "";
    }
    return ini;
}

// The complete catalogue with one of its lines replaced.
static QByteArray with(const QByteArray &line, const QByteArray &by)
{
    return complete().replace('\n' + line + '\n', '\n' + by + '\n');
}

// Each row runs the checker on file "c" (not written for a null ini); each expected line starts
// a line of its report, notes count only where expected. The exit status is 1 when an error is
// expected, 0 otherwise, and 2 for two files, which is wrong usage.
void tst_CatalogueCheck::command_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("arguments");
    const auto row = [](const char *name, const QByteArray &ini, const QStringList &expected,
                        const QStringList &arguments = {"c"}) {
        QTest::newRow(name) << ini << expected << arguments;
    };
    const QByteArray Base = complete();
    const QByteArray i49(49, 'i'); // narrow: fits its row

    row("list entries noted in order", Base,
        {R"(c:13: note: [Farben] 0 must name green: "0")", "c:14: note: [Farben] 1 must name red",
         "c:15: note: [Farben] 2 must name yellow", "c:17: note: [Unterspannung] 0 must name the",
         "c:18: note: [Unterspannung] 1 must name the slow blinking",
         R"(c:19: note: [Unterspannung] 2 must name the short flashing: "2")"});
    row("missing key at its section", with("RED3=RED3", ""),
        {"c:55: error: no key RED3 in [Kestrion]: the program shows an empty text"});
    row("57 bytes cut to 49", with("RED3=RED3", "RED3=" + i49 + "yyyyyyyy"),
        {"c:66: warning: RED3 is 57 bytes; the program shows only the first 49: \"" + i49 + '"'});
    row("UTF-8 without byte order mark", with("RED3=RED3", "RED3=Grün"),
        {"c:66: error: the file has no byte order mark, but its text is UTF-8: the program "
         "reads it as Windows-1252 and shows \"GrÃ¼n\" for \"Grün\"; save the file as"});
    // Texts measured in their controls, one row for each kind of control.
    row("frame caption too wide",
        QByteArray(Base).replace("[Bezeichnungen]\n0=0",
                                 "[Bezeichnungen]\n0=Colour of the status LED"),
        {R"(c:2: warning: [Bezeichnungen] 0 "Colour of the status LED" is 33 px wider than its )"
         R"(frame; it shows as "Colour of the statu")"});
    row("button caption too wide, & not drawn",
        with("Command_Fehleranzeige=Fehleranzeige",
             "Command_Fehleranzeige=&Show what the code means"),
        {R"(c:6: warning: Command_Fehleranzeige "&Show what the code means" is 55 px wider than )"
         R"(its button; it shows as " what the code m")"});
    row("list entry too wide",
        QByteArray(Base).replace("[Unterspannung]\n0=0", "[Unterspannung]\n0=Steady light"),
        {R"(c:17: warning: [Unterspannung] 0 "Steady light" is 1 px wider than its list; it )"
         R"(shows as "Steady ligh")"});
    row("cause text too wide for its row",
        with("YELLOW8=YELLOW8", "YELLOW8=Charger faulty or the wrong mains adapter plugged"),
        {R"(c:82: warning: YELLOW8 "Charger faulty or the wrong mains adapter plugged" is 10 px )"
         R"(wider than its row; it shows as "Charger faulty or the wrong mains adapter")"});
    row("window caption too wide",
        with("Form1=Form1", "Form1=FEHLERAUSGABE FIRMWAREVERSIONEN KESTRION 1.XX"),
        {R"(c:7: warning: Form1 "FEHLERAUSGABE FIRMWAREVERSIONEN KESTRION 1.XX" is 9 px wider )"
         R"(than its title bar; it shows as "FEHLERAUSGABE FIRMWAREVERSIONEN KESTRION 1.")"});
    row("UTF-16BE not understood", "\xFE\xFF" + Base,
        {"c: error: the file starts with a UTF-16 big-endian byte order mark"});
    row("unread keys, a second key in any case, # and lines without = or in a second section",
        Base + "GREEN01=x\nGR\xDCN3=x\nRED16=x\nred3=x\n# RED3=x\nAkku leer\n[farben]\n",
        {"c:104: warning: GREEN01 in [Kestrion] is never read by the program (numbers have no "
         "leading zeros: GREEN1)",
         "c:105: warning: GRÜN3 in [Kestrion] is never read by the program",
         "c:106: warning: RED16 in [Kestrion] is never read by the program",
         "c:107: warning: second red3 in [Kestrion] (first in line 66): the program uses",
         R"(c:108: warning: "#" does not start a comment)",
         R"(c:109: warning: line without "=" in [Kestrion]: the program reads no text from it)",
         "c:110: warning: second [farben] (first in line 12): the program reads only the first"});
    row("key before any section", "GREEN1=x\n" + Base,
        {"c:1: warning: key GREEN1 before any section: the program never reads it"});
    row("empty value", with("RED3=RED3", "RED3="),
        {"c:66: error: RED3 is empty: the program shows an empty text"});
    row("NUL byte in a value", with("RED3=RED3", QByteArray("RED3=a\0b", 8)),
        {R"(c:66: warning: RED3 holds a NUL byte; the program shows only the text before it: "a")"});
    row("missing section", QByteArray(Base).replace("[Farben]\n0=0\n1=1\n2=2\n", ""),
        {"c: error: no section [Farben]: the program shows 3 empty texts"});
    row("text after ]", QByteArray(Base).replace("[Farben]", "[Farben] x"),
        {R"(c:12: warning: text after "]" is ignored: " x")"});
    QStringList unread;
    for (int i = 0; i < 20; ++i)
        unread << QString("c:%1: warning: section [X] is never read").arg(104 + i);
    row("20 of a kind listed, the rest counted", Base + QByteArray("[X]\n").repeated(25),
        unread << "c: warning: ... and 5 more sections the program never reads");
    row("over the size limit", QByteArray(catalogue::MaxProfileFileSize + 1, ';'),
        {"c: error: the file is 16777217 bytes, over the limit of 16777216 bytes (16 MiB)"});
    row("missing file", {}, {"c: error: no such file: the program shows every text empty"});
    row("two files: wrong usage", Base, {}, {"c", "c"});
}

void tst_CatalogueCheck::command()
{
    QFETCH(QByteArray, ini);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, arguments);
    const int status = arguments.size() > 1 ? 2 : !expected.filter(": error: ").isEmpty();
    QTemporaryDir dir;
    QFile file(dir.filePath("c"));
    QVERIFY(ini.isNull() ||
            (file.open(QIODevice::WriteOnly) && file.write(ini) == ini.size() && file.flush()));
    QProcess check;
    check.setWorkingDirectory(dir.path());
    check.start(QCoreApplication::applicationDirPath() + "/kestrion-catalogue-check", arguments);
    QVERIFY(check.waitForFinished(60000) && check.exitStatus() == QProcess::NormalExit);
    QStringList lines =
        QString::fromUtf8(check.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    if (status != 2)
        lines.removeLast(); // the count of errors and warnings
    if (expected.filter(": note: ").isEmpty())
        lines.removeIf([](const QString &line) { return line.contains(": note: "); });
    QCOMPARE(lines.size(), expected.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        QVERIFY2(lines[i].startsWith(expected[i]), qPrintable(lines[i]));
    QCOMPARE(check.exitCode(), status);
}

QTEST_MAIN(tst_CatalogueCheck)
#include "tst_cataloguecheck.moc"

// The English catalogue says what the German one says where a slip would mislead: a text
// names a colour or a light pattern in English exactly where it names it in German.
void tst_CatalogueCheck::englishSaysTheSame()
{
    const QList<catalogue::ProfileKey> keys = catalogue::catalogueProfileKeys();
    const auto read = [&](const char *name) {
        QFile file(QStringLiteral(SHIPPED_FOLDER "/") + name);
        return file.open(QIODevice::ReadOnly)
                   ? catalogue::readProfileStrings(file.readAll(), keys, {}, 256)
                   : QStringList();
    };
    const QStringList german = read("ErrorMessage.ini"), english = read("ErrorMessage.en.ini");
    QCOMPARE(english.size(), keys.size());
    const std::array<std::pair<const char *, const char *>, 6> words{{
        {"\\bgrün", "\\bgreen\\b"},
        {"\\brot(e[nrs]?)?\\b", "\\bred\\b"},
        {"\\bgelb", "\\byellow\\b"},
        {"dauerlicht", "\\bsteady\\b"},
        {"blink", "\\bblink"},
        {"blitz", "\\bflash"},
    }};
    const auto names = [](const QString &text, const char *word) {
        return text.contains(
            QRegularExpression(QString::fromUtf8(word), QRegularExpression::CaseInsensitiveOption));
    };
    for (qsizetype k = 0; k < keys.size(); ++k) {
        QVERIFY(!german[k].isEmpty() && !english[k].isEmpty());
        for (const auto &[de, en] : words) {
            QVERIFY2(names(german[k], de) == names(english[k], en),
                     qPrintable(keys[k].key + ": " + german[k] + " / " + english[k]));
        }
    }
}
