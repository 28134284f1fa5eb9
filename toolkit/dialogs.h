#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace toolkit {

// Shows `text` as plain text in a message window modal to `owner`, with a
// warning sign and one button that Enter and Escape press too; returns when
// it is closed.
void showMessage(QWidget *owner, const QString &caption, const QString &text,
                 const QString &buttonText);

// A dialog for opening one existing file, modal to `owner`, in `folder`, with
// name filters such as "Videos (*.mp4 *.mov)"; the chosen file, or "" when
// cancelled. Qt's own dialog in the desktop's language, which keeps no
// settings and no history: the program writes no file.
QString chooseFile(QWidget *owner, const QString &caption, const QStringList &filters,
                   const QString &folder);

} // namespace toolkit
