#pragma once

#include "design.h"

#include <QString>

class QGroupBox;
class QLabel;
class QPixmap;
class QPushButton;
class QWidget;

namespace toolkit {

// Gives `widget` its object name and its place and size in twips, relative to
// its parent's outer top-left corner.
void place(QWidget *widget, const QString &name, const design::TwipsRect &rect);

// A frame with a caption; an ampersand in the caption marks its access key.
QGroupBox *makeFrame(QWidget *parent);

// A command button; an ampersand marks the access key, which clicks it at once,
// and Enter or the space bar click it while it has the focus.
QPushButton *makeCommandButton(QWidget *parent);

// A label that shows its caption as plain text, never as markup, wrapped at
// word boundaries from the top left; only the lines that fit its height
// completely show.
QLabel *makeLabel(QWidget *parent);

// A picture at its natural size in the top-left corner, not stretched.
QLabel *makeImage(const QPixmap &picture, QWidget *parent);

} // namespace toolkit
