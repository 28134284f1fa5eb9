#pragma once

#include "cataloguekeys.h"

#include <QString>
#include <array>

namespace catalogue {

// Texts the program needs after start-up, alive for the whole run.
// BitTexts[bit][colour]: cause text of bit 0..15 for colour 0 green, 1 red, 2 yellow.
extern std::array<std::array<QString, 3>, 16> BitTexts;
// Frame caption of the interpretation window per colour.
extern std::array<QString, 3> GroupCaptions;
// Caption of the interpretation window.
extern QString InterpretationCaption;

// The catalogue's path in `folder`.
QString cataloguePathIn(const QString &folder);

// Reads the catalogue file and every text of it in one pass, once at start-up:
// every later read comes from what it found. False when the file gave no bytes.
bool ReadCatalogue(const QString &fileName);

// The text of `text` in the catalogue: at most 49 characters, "" when the
// file, section or key is missing.
QString ReadCatalogueText(Text text);

// Empties BitTexts and GroupCaptions.
void ClearCauseTexts();

// Reads the 48 cause texts and the three group captions.
void ReadCauseTexts();

} // namespace catalogue
