#pragma once

#include <QList>
#include <QString>
#include <array>
#include <utility>

namespace catalogue {

// The catalogue file's name; it lies in the executable's folder.
inline constexpr char CatalogueFileName[] = "ErrorMessage.ini";

// Section of the texts about reading a recording of the LED.
inline constexpr char RecordingSection[] = "Aufnahme";

// The reasons the decoder gives for a recording it did not read with
// certainty. Each is also the key of its text in [Aufnahme]; "none" stands
// for a reason the program does not know.
inline constexpr std::array<const char *, 13> RecordingReasons = {"none",
                                                                  "cannot_open",
                                                                  "not_a_video",
                                                                  "frame_too_large",
                                                                  "no_frames",
                                                                  "no_blinking_light",
                                                                  "too_short",
                                                                  "frame_rate_too_low",
                                                                  "cycles_disagree",
                                                                  "two_lights_blink",
                                                                  "colour_unclear",
                                                                  "colour_does_not_fit",
                                                                  "not_a_kestrion_code"};

// Texts the program needs after start-up, alive for the whole run.
// BitTexts[bit][colour]: cause text of bit 0..15 for colour 0 green, 1 red, 2 yellow.
extern std::array<std::array<QString, 3>, 16> BitTexts;
// Frame caption of the interpretation window per colour.
extern std::array<QString, 3> GroupCaptions;
// Caption of the interpretation window.
extern QString InterpretationCaption;

// Sets the catalogue path from the application folder and reads the file,
// once at start-up: every later read comes from that one snapshot.
void SetCataloguePath(const QString &applicationFolder);

// The path every read uses.
QString CataloguePath();

// Reads `key` of `section` from the catalogue: at most 49 characters, "" when
// the file, section or key is missing.
QString ReadCatalogueText(const QString &section, const QString &key);

// Every section and key the program reads, in the order it reads them.
QList<std::pair<QString, QString>> ProgramKeys();

// Empties BitTexts and GroupCaptions.
void ClearCauseTexts();

// Reads the 48 cause texts and the three group captions.
void ReadCauseTexts();

} // namespace catalogue
