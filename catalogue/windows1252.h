#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace catalogue {

// Decodes Windows-1252 bytes; the five unassigned bytes become the C1 controls
// of the same value, as Windows does.
QString fromWindows1252(QByteArrayView bytes);

// Encodes text as Windows-1252; characters it lacks become '?'.
QByteArray toWindows1252(const QString &text);

} // namespace catalogue
