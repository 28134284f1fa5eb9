#pragma once

#include "cataloguecheck.h"

#include <QString>

// The catalogue checker's findings in words, as a compiler reports them.
namespace cataloguereport {

// "name:line: severity: message", the name escaped like the message.
QString formatFinding(const QString &fileName, const catalogue::Finding &finding);

// "name: 2 errors, no warnings".
QString summary(const QString &fileName, const catalogue::CatalogueCheck &check);

// `text` with control and invisible formatting characters escaped (\x1B,
// \u202E), so that printing it cannot steer a terminal.
QString escaped(QStringView text);

} // namespace cataloguereport
