#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

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

// Checks a catalogue's bytes as the program reads them: its 64 texts, the
// keys and sections it never reads, repeated ones, the encoding, and lines
// the reader ignores. Each kind of finding is listed at most a few dozen times.
CatalogueCheck checkCatalogue(QByteArrayView file);

// Reads the file as the program does and checks it; a file the program would
// not read (missing, not a regular file, over the size limit) is one error.
CatalogueCheck checkCatalogueFile(const QString &fileName);

// "name:line: severity: message", the name escaped like the message.
QString formatDiagnostic(const QString &fileName, const Diagnostic &diagnostic);

// `text` with control and invisible formatting characters escaped (\x1B,
// \u202E), so that printing it cannot steer a terminal.
QString escaped(QStringView text);

} // namespace catalogue
