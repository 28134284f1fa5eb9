#pragma once

#include <QComboBox>

namespace toolkit {

// A drop-down list whose entry is chosen, never typed. It raises `click` when
// the user chooses an entry (mouse, arrow keys, wheel), also the entry already
// chosen, and when code sets the list position. Every key that yields a
// character code is first offered to `keyPress`; setting the code to 0
// discards the key. Tab and Shift+Tab still move the focus.
class ComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit ComboBox(QWidget *parent = nullptr);

    // Appends an entry; the list position stays as it was (-1 stays -1).
    void addItem(const QString &text);

    // The 0-based chosen entry, -1 for none.
    int listIndex() const { return currentIndex(); }

    // Chooses entry `index` (-1 for none) and raises `click`, even when it is
    // the entry already chosen.
    void setListIndex(int index);

    // Sets the shown text: chooses the first entry with that text, or none.
    void setText(const QString &text);

    // Sets the colour behind the list text; the text and the arrow become black
    // (grey while disabled), whatever the desktop theme.
    void setBackColour(const QColor &colour);

    void showPopup() override;

signals:
    void click();
    void keyPress(int &keyAscii);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace toolkit
