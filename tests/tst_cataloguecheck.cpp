#include "catalogue.h"
#include "cataloguecheck.h"
#include "profilereader.h"
#include "textfit.h"

#include <QFile>
#include <QTest>

using catalogue::checkCatalogue;
using catalogue::formatDiagnostic;

class tst_CatalogueCheck : public QObject
{
    Q_OBJECT

private slots:
    void diagnostics_data();
    void diagnostics();
};

// All 64 keys, each with its name (after its last '_') as text: [Bezeichnungen] in line 1 and its
// keys in lines 2 to 11, [Farben] 12 (keys 13 to 15), [Unterspannung] 16 (17 to
// 19), [Kestrion] 20, then GREENn in line 21 + 3n, REDn 22 + 3n, YELLOWn 23 + 3n.
static QByteArray complete()
{
    const auto keys = catalogue::ProgramKeys();
    QByteArray ini;
    for (const char *section : {"Bezeichnungen", "Farben", "Unterspannung", "Kestrion"}) {
        ini += '[' + QByteArray(section) + "]\n";
        for (const auto &[s, key] : keys)
            ini += s == QLatin1String(section)
                       ? key.toLatin1() + '=' + key.section('_', -1).toLatin1() + '\n'
                       : "";
    }
    return ini;
}

// The complete catalogue with one of its lines replaced.
static QByteArray with(const QByteArray &line, const QByteArray &by)
{
    return complete().replace('\n' + line + '\n', '\n' + by + '\n');
}

// Each expected line starts a diagnostic as file "c" shows it; notes count only where expected.
void tst_CatalogueCheck::diagnostics_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QStringList>("expected");
    const auto row = [](const char *name, const QByteArray &ini, const QStringList &expected) {
        QTest::newRow(name) << ini << expected;
    };
    const QByteArray Base = complete();
    const QByteArray i49(49, 'i'); // narrow: fits its row
    const QByteArray bom = "\xEF\xBB\xBF";
    const QString shownI = '"' + QString(i49) + '"';

    QFile shipped(SHIPPED_CATALOGUE);
    row("shipped catalogue", shipped.open(QIODevice::ReadOnly) ? shipped.readAll() : "", {});
    row("complete catalogue", Base, {});
    row("list entries noted in order", Base,
        {R"(c:13: note: [Farben] 0 must name green: "0")", "c:14: note: [Farben] 1 must name red",
         "c:15: note: [Farben] 2 must name yellow", "c:17: note: [Unterspannung] 0 must name the",
         "c:18: note: [Unterspannung] 1 must name the slow blinking",
         R"(c:19: note: [Unterspannung] 2 must name the short flashing: "2")"});
    row("missing key at its section", with("RED3=RED3", ""),
        {"c:20: error: no key RED3 in [Kestrion]: the program shows an empty text"});
    row("57 bytes cut to 49", with("RED3=RED3", "RED3=" + i49 + "yyyyyyyy"),
        {"c:31: warning: RED3 is 57 bytes; the program shows only the first 49: " + shownI});
    row("UTF-8 without byte order mark", with("RED3=RED3", "RED3=Grün"),
        {"c:31: error: the file has no byte order mark, but its text is UTF-8: the program "
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
        {R"(c:47: warning: YELLOW8 "Charger faulty or the wrong mains adapter plugged" is 10 px )"
         R"(wider than its row; it shows as "Charger faulty or the wrong mains adapter")"});
    row("window caption too wide",
        with("Form1=Form1", "Form1=FEHLERAUSGABE FIRMWAREVERSIONEN KESTRION 1.XX"),
        {R"(c:7: warning: Form1 "FEHLERAUSGABE FIRMWAREVERSIONEN KESTRION 1.XX" is 9 px wider )"
         R"(than its title bar; it shows as "FEHLERAUSGABE FIRMWAREVERSIONEN KESTRION 1.")"});
    row("UTF-16BE not understood", "\xFE\xFF" + Base,
        {"c: error: the file starts with a UTF-16 big-endian byte order mark"});
    row("unread keys", Base + "GREEN01=x\nGR\xDCN3=x\nRED16=x\n",
        {"c:69: warning: GREEN01 in [Kestrion] is never read by the program (numbers have no "
         "leading zeros: GREEN1)",
         "c:70: warning: GRÜN3 in [Kestrion] is never read by the program",
         "c:71: warning: RED16 in [Kestrion] is never read by the program"});
    row("second key, any case", Base + "red3=x\n",
        {"c:69: warning: second red3 in [Kestrion] (first in line 31): the program uses"});
    row("key before any section", "GREEN1=x\n" + Base,
        {"c:1: warning: key GREEN1 before any section: the program never reads it"});
    row("# is no comment", Base + "# RED3=x\n", {R"(c:69: warning: "#" does not start a comment)"});
    row("line without =", Base + "Akku leer\n",
        {R"(c:69: warning: line without "=" in [Kestrion]: the program reads no text from it)"});
}

void tst_CatalogueCheck::diagnostics()
{
    QFETCH(QByteArray, ini);
    QFETCH(QStringList, expected);
    const bool notes = !expected.filter(": note: ").isEmpty();
    const catalogue::CatalogueCheck check = checkCatalogue(ini, design::fitText);
    QStringList lines;
    for (const catalogue::Diagnostic &d : check.diagnostics) {
        if (notes || d.severity != catalogue::Diagnostic::Severity::Note)
            lines += formatDiagnostic("c", d);
    }
    QCOMPARE(lines.size(), expected.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        QVERIFY2(lines[i].startsWith(expected[i]), qPrintable(lines[i]));
    QCOMPARE(check.hasError(), !expected.filter(": error: ").isEmpty());
}

QTEST_MAIN(tst_CatalogueCheck)
#include "tst_cataloguecheck.moc"
