#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <functional>

namespace catalogue {

// One finding about a catalogue, reported as a compiler reports one.
struct Diagnostic {
    enum class Severity { Error, Warning, Note };
    Severity severity = Severity::Note;
    qsizetype line = 0; // 1-based; 0 for the file as a whole
    QString message;    // safe for a terminal: control characters escaped
};

// What a check found. An error means the program would show an empty text
// somewhere; warnings are texts cut short or garbled and lines that look meant
// but are never read; notes show what the translator must keep in order.
struct CatalogueCheck {
    QList<Diagnostic> diagnostics; // by line, the file as a whole first
    qsizetype errors = 0;          // also those left out of a long list
    qsizetype warnings = 0;
    bool hasError() const { return errors > 0; }
};

// How a text fits the control that shows it on screen.
struct TextFit {
    QString control; // how a message names the control ("list"); empty when none shows it
    int excess = 0;  // pixels by which the text is wider than its room: it fits when <= 0
    QString shown;   // what shows of it
};

// Measures the text of `key` in `section` in the control that shows it.
using MeasureText =
    std::function<TextFit(const QString &section, const QString &key, const QString &text)>;

// Checks a catalogue's bytes as the program reads them: its 64 texts, the
// keys and sections it never reads, repeated ones, the encoding, and lines
// the reader ignores. Each kind of finding is listed at most a few dozen times.
// With `measure`, each text shown is also measured: one too wide for its
// control is a warning.
CatalogueCheck checkCatalogue(QByteArrayView file, const MeasureText &measure = {});

// Reads the file as the program does and checks it; a file the program would
// not read (missing, not a regular file, over the size limit) is one error.
CatalogueCheck checkCatalogueFile(const QString &fileName, const MeasureText &measure = {});

// "name:line: severity: message", the name escaped like the message.
QString formatDiagnostic(const QString &fileName, const Diagnostic &diagnostic);

// `text` with control and invisible formatting characters escaped (\x1B,
// \u202E), so that printing it cannot steer a terminal.
QString escaped(QStringView text);

} // namespace catalogue
