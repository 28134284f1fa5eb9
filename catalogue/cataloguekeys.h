#pragma once

#include "profilereader.h"
#include "readingreason.h"

#include <QList>
#include <QString>

namespace catalogue {

// The catalogue file's name; it lies in the executable's folder.
inline constexpr char CatalogueFileName[] = "ErrorMessage.ini";

// The program shows at most the first 49 characters of a text: the profile
// reader's buffer holds 50, the last one for the closing NUL.
inline constexpr int ShownLength = 49;
inline constexpr int BufferSize = ShownLength + 1;

// Every text the program reads from the catalogue. Where several texts differ
// only by a number, the first of them is named and the rest follow it.
enum class Text : int {
    Frame1Caption,
    Frame2Caption,
    Frame3Caption,
    Command2Caption,
    Command3Caption,
    Form1Caption,
    Form2Caption,                       // the interpretation window's caption
    ColourNames,                        // 3: the entries of Combo1, green, red, yellow
    PatternNames = ColourNames + 3,     // 3: the entries of Combo2
    CauseTexts = PatternNames + 3,      // 48: bit n of colour c at 3n + c
    GroupCaptions = CauseTexts + 48,    // 3: by colour
    RecordingTitle = GroupCaptions + 3, // the texts of reading a recording
    RecordingOpen,
    RecordingVideos,
    RecordingAllFiles,
    RecordingProgress,
    RecordingProgressNoLength,
    RecordingSeveralFiles,
    RecordingCancel,
    RecordingOk,
    RecordingUnsure,
    RecordingBestReading,
    RecordingNotRead,
    RecordingNothingChosen,
    RecordingNoVideo,
    RecordingFolder,
    RecordingProgramMissing,
    RecordingCrashed,
    RecordingTimeLimit,
    RecordingAnswerUnreadable,
    RecordingFileChanged,
    RecordingReasons, // why the decoder is unsure, in the order of blinkcode::Reason
    Count = RecordingReasons + int(blinkcode::ReasonKeys.size())
};
inline constexpr int TextCount = int(Text::Count);
inline constexpr int RecordingReasonCount = TextCount - int(Text::RecordingReasons);

constexpr Text colourName(int colour)
{
    return Text(int(Text::ColourNames) + colour);
}

constexpr Text patternName(int pattern)
{
    return Text(int(Text::PatternNames) + pattern);
}

constexpr Text causeText(int bit, int colour)
{
    return Text(int(Text::CauseTexts) + 3 * bit + colour);
}

constexpr Text groupCaption(int colour)
{
    return Text(int(Text::GroupCaptions) + colour);
}

constexpr Text recordingReason(int reason)
{
    return Text(int(Text::RecordingReasons) + reason);
}

// Where a text lies in the catalogue.
struct CatalogueKey {
    const char *section = nullptr;
    const char *word = nullptr; // the key, or what comes before its number
    int number = -1;            // the number that ends the key; -1 for none
    QString key() const;
};

// The section and key of `text`.
const CatalogueKey &catalogueKey(Text text);

// Every text's section and key, in the order of Text, to read them in one pass.
QList<ProfileKey> catalogueProfileKeys();

} // namespace catalogue
