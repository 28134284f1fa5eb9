#pragma once

#include "design.h"

#include <QColor>
#include <QRect>
#include <QString>

class QWidget;

namespace toolkit {

// Twips are 1/1440 inch: 15 per logical pixel at 96 dpi. Qt scales logical
// pixels on high-DPI screens, so a fixed factor keeps every layout in proportion.
using design::TwipsPerPixel;

// Converts a length in twips to logical pixels, rounded to the nearest pixel.
using design::twipsToPixels;

// Converts a length in logical pixels to twips.
double pixelsToTwips(int pixels);

// The rectangle of a control given in twips (left, top, width, height).
QRect twipsRect(int left, int top, int width, int height);

// Gives `widget` its object name and its place and size in twips, relative to
// its parent's outer top-left corner.
void place(QWidget *widget, const QString &name, int left, int top, int width, int height);
void place(QWidget *widget, const QString &name, const design::TwipsRect &rect);

// Colours are written BBGGRR: blue in the high byte, red in the low byte.
QColor colourFromBgr(quint32 bgr);

} // namespace toolkit
