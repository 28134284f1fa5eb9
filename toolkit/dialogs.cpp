#include "dialogs.h"

#include "windowmanager.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace toolkit {

void showMessage(QWidget *owner, const QString &caption, const QString &text,
                 const QString &buttonText)
{
    QMessageBox box(owner);
    box.setObjectName(QStringLiteral("Message"));
    box.setIcon(QMessageBox::Warning);
    box.setWindowModality(Qt::WindowModal);
    setCaption(&box, caption);
    box.setTextFormat(Qt::PlainText); // file names are never read as markup
    box.setText(text);
    QPushButton *button = box.addButton(buttonText, QMessageBox::AcceptRole);
    box.setDefaultButton(button);
    box.setEscapeButton(button);
    box.exec();
}

QString chooseFile(QWidget *owner, const QString &caption, const QStringList &filters)
{
    // The patterns stay out of the filter's name: they list every suffix twice.
    return QFileDialog::getOpenFileName(owner, caption, QString(),
                                        filters.join(QStringLiteral(";;")), nullptr,
                                        QFileDialog::HideNameFilterDetails);
}

} // namespace toolkit
