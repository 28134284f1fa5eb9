#include "catalogue.h"

#include "profilereader.h"

#include <QDir>

namespace catalogue {

std::array<std::array<QString, 3>, 16> BitTexts;
std::array<QString, 3> GroupCaptions;
QString InterpretationCaption;

namespace {
QString cataloguePath;

// The reader's buffer holds 50 characters, the last one for the closing NUL.
constexpr int BufferSize = 50;

constexpr std::array<const char *, 3> ColourWords = {"GREEN", "RED", "YELLOW"};
constexpr std::array<const char *, 3> GroupKeys = {"Akku", "HC11_Fehler", "MH_Fehler"};
} // namespace

void SetCataloguePath(const QString &applicationFolder)
{
    // QDir joins with exactly one separator, also when the folder is a root.
    cataloguePath = QDir(applicationFolder).filePath(QLatin1String(CatalogueFileName));
}

QString CataloguePath()
{
    return cataloguePath;
}

QString ReadCatalogueText(const QString &section, const QString &key)
{
    return readProfileString(section, key, QString(), BufferSize, cataloguePath);
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
            BitTexts[n][c] = ReadCatalogueText(QStringLiteral("Kestrion"),
                                               QLatin1String(ColourWords[c]) + QString::number(n));
    }
    for (int c = 0; c < 3; ++c)
        GroupCaptions[c] =
            ReadCatalogueText(QStringLiteral("Bezeichnungen"), QLatin1String(GroupKeys[c]));
}

} // namespace catalogue
