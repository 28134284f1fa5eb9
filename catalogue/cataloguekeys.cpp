#include "cataloguekeys.h"

#include "readingreason.h"

#include <array>

namespace catalogue {

namespace {

// The catalogue's sections and keys, the one place that names them.
constexpr std::array<CatalogueKey, TextCount> makeKeys()
{
    constexpr const char *Names = "Bezeichnungen", *Colours = "Farben", *Patterns = "Unterspannung",
                         *Causes = "Kestrion", *Recording = "Aufnahme";
    constexpr const char *ColourWords[] = {"GREEN", "RED", "YELLOW"};
    constexpr const char *GroupKeys[] = {"Akku", "HC11_Fehler", "MH_Fehler"};
    constexpr const char *RecordingKeys[] = {"Titel",
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

    std::array<CatalogueKey, TextCount> keys{};
    const auto set = [&](Text text, const char *section, const char *word, int number = -1) {
        keys[size_t(text)] = {section, word, number};
    };
    set(Text::Frame1Caption, Names, "0");
    set(Text::Frame2Caption, Names, "1");
    set(Text::Frame3Caption, Names, "2");
    set(Text::Command2Caption, Names, "Command_Beenden");
    set(Text::Command3Caption, Names, "Command_Fehleranzeige");
    set(Text::Form1Caption, Names, "Form1");
    set(Text::Form2Caption, Names, "Form2");
    for (int i = 0; i < 3; ++i) {
        set(colourName(i), Colours, "", i);
        set(patternName(i), Patterns, "", i);
        set(groupCaption(i), Names, GroupKeys[i]);
    }
    for (int bit = 0; bit < 16; ++bit) {
        for (int colour = 0; colour < 3; ++colour)
            set(causeText(bit, colour), Causes, ColourWords[colour], bit);
    }
    for (int i = 0; i < int(std::size(RecordingKeys)); ++i)
        set(Text(int(Text::RecordingTitle) + i), Recording, RecordingKeys[i]);
    // The decoder's reasons, each under its own key.
    for (int i = 0; i < RecordingReasonCount; ++i)
        set(recordingReason(i), Recording, blinkcode::ReasonKeys[size_t(i)]);
    return keys;
}

constexpr std::array<CatalogueKey, TextCount> Keys = makeKeys();

constexpr bool complete()
{
    for (const CatalogueKey &key : Keys) {
        if (!key.section)
            return false;
    }
    return true;
}
static_assert(complete(), "every text has its section and key");

} // namespace

QString CatalogueKey::key() const
{
    return QLatin1String(word) + (number < 0 ? QString() : QString::number(number));
}

const CatalogueKey &catalogueKey(Text text)
{
    return Keys[size_t(text)];
}

QList<ProfileKey> catalogueProfileKeys()
{
    QList<ProfileKey> keys;
    keys.reserve(TextCount);
    for (const CatalogueKey &key : Keys)
        keys.append({QLatin1String(key.section), key.key()});
    return keys;
}

} // namespace catalogue
