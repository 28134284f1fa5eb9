#include "catalogue.h"

#include "profilefile.h"

#include <QDir>

namespace catalogue {

std::array<std::array<QString, 3>, 16> BitTexts;
std::array<QString, 3> GroupCaptions;
QString InterpretationCaption;

namespace {
// Every text of the catalogue as read at start-up, so that a large file is
// scanned once, not once for each text.
std::array<QString, TextCount> texts;
} // namespace

QString cataloguePathIn(const QString &folder)
{
    // QDir joins with exactly one separator, also when the folder is a root.
    return QDir(folder).filePath(QLatin1String(CatalogueFileName));
}

bool ReadCatalogue(const QString &fileName)
{
    const QByteArray bytes = readProfileFile(fileName).bytes;
    const QStringList read =
        readProfileStrings(bytes, catalogueProfileKeys(), QString(), BufferSize);
    std::copy(read.cbegin(), read.cend(), texts.begin());
    return !bytes.isEmpty();
}

QString ReadCatalogueText(Text text)
{
    return int(text) >= 0 && int(text) < TextCount ? texts[size_t(text)] : QString();
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
            BitTexts[n][c] = ReadCatalogueText(causeText(n, c));
    }
    for (int c = 0; c < 3; ++c)
        GroupCaptions[c] = ReadCatalogueText(groupCaption(c));
}

} // namespace catalogue
