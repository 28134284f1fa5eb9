#pragma once

#include "cataloguekeys.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <functional>

namespace catalogue {

// One finding about a catalogue. The fields that a kind uses are named after
// it; `line` is 1-based, 0 for the file as a whole.
struct Finding {
    enum class Kind {
        // Errors about the file as a whole: the program shows every text empty.
        NoSuchFile,
        LinkToNothing,
        NotRegularFile,
        TooLarge, // number: its size in bytes
        Unreadable,
        EmptyFile,
        Utf16BigEndian,
        // Errors: the program shows an empty or a wrong text.
        MissingSection,  // section; number: how many texts it holds
        MissingKey,      // text; number: a line below a second section that holds it, or 0
        NoEquals,        // text
        EmptyValue,      // text
        LeadingNul,      // text
        Utf8WithoutMark, // text, shown; other: the text meant
        // Warnings about a text the program shows.
        HoldsNul,      // text, shown
        CutBytes,      // text, shown; number: its length
        CutCharacters, // the same in a file read as Unicode
        InvalidUtf8,   // text, shown
        TooWide,       // text, shown; name: the control; other: what shows; number: pixels
        // Warnings about lines that are not read as they seem meant, each kind
        // listed MaxListed times at most.
        TextAfterBracket,  // name: the text
        UnreadSection,     // name
        SecondSection,     // name; number: the line of the first
        HashLine,          // a line starting with '#'
        KeyBeforeSection,  // name, empty for a key without one
        TextBeforeSection, // a line without '=' before any section
        LineWithoutEquals, // section
        UnreadKey,         // name, section; other: the key meant when name has leading zeros
        SecondKey,         // name, section; number: the line of the first
        // Warnings: how many more of each kind above there are (number).
        MoreUnreadSections,
        MoreUnreadKeys,
        MoreSecondSections,
        MoreSecondKeys,
        MoreIgnoredLines,
        // Notes: a list entry whose position the program fixes.
        ListEntry // text, shown
    };
    enum class Severity { Error, Warning, Note };

    Kind kind = Kind::EmptyFile;
    qsizetype line = 0;
    Text text = Text::Count; // the program's text concerned
    QString section;         // a section of the program
    QString name;            // a name or text from the file, decoded and cut
    QString shown;           // the text the program shows
    QString other;
    qint64 number = 0;

    Severity severity() const;
};

// How often each kind of finding that a file can repeat without end is listed.
inline constexpr qsizetype MaxListed = 20;

// What a check found. An error means the program would show an empty text
// somewhere; warnings are texts cut short or garbled and lines that look meant
// but are never read; notes show what the translator must keep in order.
struct CatalogueCheck {
    QList<Finding> findings; // by line, the file as a whole first
    qsizetype errors = 0;    // also those left out of a long list
    qsizetype warnings = 0;
    bool hasError() const { return errors > 0; }
};

// How a text fits the control that shows it on screen.
struct TextFit {
    QString control; // how a message names the control ("list"); empty when none shows it
    int excess = 0;  // pixels by which the text is wider than its room: it fits when <= 0
    QString shown;   // what shows of it
};

// Measures `text`, shown as `key`, in the control that shows it.
using MeasureText = std::function<TextFit(Text key, const QString &text)>;

// Checks a catalogue's bytes as the program reads them: its texts, the keys
// and sections it never reads, repeated ones, the encoding, and lines the
// reader ignores. With `measure`, each text shown is also measured: one too
// wide for its control is a warning.
CatalogueCheck checkCatalogue(QByteArrayView file, const MeasureText &measure = {});

// Reads the file as the program does and checks it; a file the program would
// not read (missing, not a regular file, over the size limit) is one error.
CatalogueCheck checkCatalogueFile(const QString &fileName, const MeasureText &measure = {});

} // namespace catalogue
