#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace toolkit {

// A window, modal to its owner, that shows how far a task has come, with a
// cancel button. The button, Escape and the close box all reject it, which
// is how the task learns that it is to stop.
class ProgressDialog : public QDialog
{
    Q_OBJECT

public:
    ProgressDialog(QWidget *owner, const QString &caption, const QString &cancelText);

    // Lines above the bar, as plain text.
    void setText(const QString &text);

    // The bar at `fraction` (0 to 1) with `text` below it; a negative
    // fraction shows a busy bar, for a task of unknown length.
    void setProgress(double fraction, const QString &text);

    QLabel *Label1 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *Cancel = nullptr;
};

} // namespace toolkit
