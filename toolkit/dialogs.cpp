#include "dialogs.h"

#include "windowmanager.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTranslator>
#include <utility>

namespace toolkit {

namespace {

// Qt's file dialog saves its folder, history and layout in the user's
// settings (QtProject.conf) when it closes, and offers no way to stop it. The
// program writes no file: its settings lie inside /dev/null, where no folder
// can be made, so every write fails, also for root, and nothing is read.
void keepNoSettings()
{
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
}

// Qt's own texts (the file dialog's "Look in", "Open", ...) in the desktop's
// language, from Qt's translations where they are installed; loaded at the
// first dialog, so that start-up does not wait for them.
void translateQt()
{
    static bool loaded = false;
    if (std::exchange(loaded, true))
        return;
    auto *translator = new QTranslator(qApp);
    if (translator->load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
}

// A window manager draws the caption beside the window's icon and its
// buttons (openbox: three), in a bold font of its own; room for each of them.
constexpr int TitleBarItems = 4, TitleBarItemWidth = 20, TitleBarPadding = 20;

// Makes `box` wide enough for its caption: a message box sizes itself to its
// text alone, so that the window manager would cut a longer caption.
void fitCaption(QMessageBox &box, const QString &caption)
{
    QFont font = box.font();
    font.setBold(true);
    const int width = QFontMetrics(font).horizontalAdvance(caption) +
                      TitleBarItems * TitleBarItemWidth + TitleBarPadding;
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace

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
    fitCaption(box, caption);
    box.exec();
}

QString chooseFile(QWidget *owner, const QString &caption, const QStringList &filters,
                   const QString &folder)
{
    keepNoSettings();
    translateQt();
    // Set before the dialog exists, which would otherwise ask the desktop for
    // its own dialog at once (GTK's, writing its caches and bookmarks).
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QFileDialog dialog(owner, caption, folder, filters.join(QStringLiteral(";;")));
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Qt's own dialog, which Qt's translations reach and which keeps nothing
    // but what keepNoSettings() sends nowhere. The patterns stay out of the
    // filter's name: they list every suffix twice.
    dialog.setOptions(QFileDialog::HideNameFilterDetails | QFileDialog::DontUseNativeDialog);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

} // namespace toolkit
