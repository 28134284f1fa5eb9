#pragma once

#include "cataloguecheck.h"
#include "profilereader.h"

namespace catalogue {

// A section of the program as the checker sees it.
struct CheckedSection {
    QByteArray name;
    qsizetype line = 0; // of its first occurrence, the one the program reads
};

// A text of the program as the checker sees it.
struct CheckedText {
    Text text;
    int section = 0; // its index among the sections
    QByteArray name;
    QString shown;           // the text the program shows
    ProfileValue found;      // where the program reads it
    qsizetype laterLine = 0; // its first occurrence below a repeated section line
};

// Adds `finding` to `check` and counts it.
void addFinding(CatalogueCheck &check, const Finding &finding);

// A finding about a text of the program, or about the file as a whole.
Finding about(Finding::Kind kind, qsizetype line = 0, Text text = Text::Count,
              const QString &shown = {}, qint64 number = 0);

// Adds to `check` the lines of `text` that the program does not read as they
// seem meant: sections and keys it never reads, repeated ones, lines it
// ignores. Each group is listed MaxListed times at most; returns how many more
// of each there are, as findings to add after the others. Notes in `texts`
// where a missing text's key lies below a repeated section.
QList<Finding> checkLines(const ProfileText &text, const QList<CheckedSection> &sections,
                          QList<CheckedText> &texts, CatalogueCheck &check);

} // namespace catalogue
