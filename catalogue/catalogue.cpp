#include "catalogue.h"

#include "profilereader.h"

#include <QDir>
#include <QHash>

namespace catalogue {

std::array<std::array<QString, 3>, 16> BitTexts;
std::array<QString, 3> GroupCaptions;
QString InterpretationCaption;

namespace {
QString cataloguePath;
// The file's bytes as read at start-up, and the program's own keys looked up
// in them in one pass, so that a large file is scanned once, not 64 times.
QByteArray snapshot;
QHash<std::pair<QString, QString>, QString> programTexts;

// The reader's buffer holds 50 characters, the last one for the closing NUL.
constexpr int BufferSize = 50;

constexpr std::array<const char *, 3> ColourWords = {"GREEN", "RED", "YELLOW"};
constexpr std::array<const char *, 3> GroupKeys = {"Akku", "HC11_Fehler", "MH_Fehler"};

// The texts of reading a recording, other than the reasons.
constexpr std::array<const char *, 20> RecordingTexts = {"Titel",
                                                         "Oeffnen",
                                                         "Videos",
                                                         "Alle_Dateien",
                                                         "Gelesen",
                                                         "Gelesen_ohne_Laenge",
                                                         "Mehrere_Dateien",
                                                         "Abbrechen",
                                                         "OK",
                                                         "Unsicher",
                                                         "Beste_Lesung",
                                                         "Nicht_gelesen",
                                                         "Nichts_gewaehlt",
                                                         "Kein_Video",
                                                         "Ordner",
                                                         "Programm_fehlt",
                                                         "Abgestuerzt",
                                                         "Zeitlimit",
                                                         "Antwort_unlesbar",
                                                         "Datei_geaendert"};

const QString Names = QStringLiteral("Bezeichnungen");
const QString Causes = QStringLiteral("Kestrion");

QString causeKey(int colour, int bit)
{
    return QLatin1String(ColourWords[colour]) + QString::number(bit);
}
} // namespace

void SetCataloguePath(const QString &applicationFolder)
{
    // QDir joins with exactly one separator, also when the folder is a root.
    cataloguePath = QDir(applicationFolder).filePath(QLatin1String(CatalogueFileName));
    snapshot = readProfileFile(cataloguePath);

    const QList<std::pair<QString, QString>> keys = ProgramKeys();
    QList<ProfileKey> wanted;
    for (const auto &[section, key] : keys)
        wanted.append({section, key});
    const QStringList texts = readProfileStrings(snapshot, wanted, QString(), BufferSize);
    programTexts.clear();
    for (qsizetype i = 0; i < keys.size(); ++i)
        programTexts.insert(keys[i], texts[i]);
}

QString CataloguePath()
{
    return cataloguePath;
}

QString ReadCatalogueText(const QString &section, const QString &key)
{
    const auto known = programTexts.constFind({section, key});
    if (known != programTexts.cend())
        return *known;
    return readProfileString(snapshot, section, key, QString(), BufferSize);
}

QList<std::pair<QString, QString>> ProgramKeys()
{
    QList<std::pair<QString, QString>> keys;
    for (const char *key :
         {"0", "1", "2", "Command_Beenden", "Command_Fehleranzeige", "Form1", "Form2"})
        keys.append({Names, QLatin1String(key)});
    for (const char *section : {"Farben", "Unterspannung"}) {
        for (int i = 0; i < 3; ++i)
            keys.append({QLatin1String(section), QString::number(i)});
    }
    for (int n = 0; n < 16; ++n) {
        for (int c = 0; c < 3; ++c)
            keys.append({Causes, causeKey(c, n)});
    }
    for (const char *key : GroupKeys)
        keys.append({Names, QLatin1String(key)});
    // The texts of reading a recording, shown only when one is read.
    for (const char *key : RecordingTexts)
        keys.append({QLatin1String(RecordingSection), QLatin1String(key)});
    for (const char *key : RecordingReasons)
        keys.append({QLatin1String(RecordingSection), QLatin1String(key)});
    return keys;
}

void ClearCauseTexts()
{
    for (auto &row : BitTexts)
        row.fill(QString());
    GroupCaptions.fill(QString());
}

void ReadCauseTexts()
{
    for (int n = 0; n < 16; ++n) {
        for (int c = 0; c < 3; ++c)
            BitTexts[n][c] = ReadCatalogueText(Causes, causeKey(c, n));
    }
    for (int c = 0; c < 3; ++c)
        GroupCaptions[c] = ReadCatalogueText(Names, QLatin1String(GroupKeys[c]));
}

} // namespace catalogue
