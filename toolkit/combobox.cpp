#include "combobox.h"

#include "colours.h"

#include <QAbstractItemView>
#include <QKeyEvent>

namespace toolkit {

ComboBox::ComboBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(false);
    setFocusPolicy(Qt::StrongFocus);
    // A choice from the list, or by arrow keys or wheel on the closed box.
    connect(this, &QComboBox::activated, this, &ComboBox::click);
}

void ComboBox::showPopup()
{
    // The open list would jump to an entry by its first letter; letters are
    // never a way to choose here, so the list only sees navigation keys. The
    // list is made on first use, so the filter is installed here.
    view()->installEventFilter(this);
    QComboBox::showPopup();
}

void ComboBox::addItem(const QString &text)
{
    // QComboBox chooses the first entry of an empty list by itself; a freshly
    // filled list here has no entry chosen until the user or the code picks one.
    const int keep = currentIndex();
    QComboBox::addItem(text);
    if (currentIndex() != keep)
        setCurrentIndex(keep);
}

void ComboBox::setListIndex(int index)
{
    setCurrentIndex(index >= -1 && index < count() ? index : -1);
    emit click();
}

void ComboBox::setText(const QString &text)
{
    setCurrentIndex(text.isEmpty() ? -1 : findText(text, Qt::MatchExactly));
}

void ComboBox::setBackColour(const QColor &colour)
{
    toolkit::setBackColour(this, colour);
}

void ComboBox::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    if (text.isEmpty()) {
        QComboBox::keyPressEvent(event); // navigation keys choose entries
        return;
    }
    int keyAscii = text.at(0).unicode();
    emit keyPress(keyAscii);
    if (keyAscii == 0) {
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

bool ComboBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == view() && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent *>(event)->text();
        if (!text.isEmpty() && text.at(0).isPrint())
            return true;
    }
    return QComboBox::eventFilter(watched, event);
}

} // namespace toolkit
