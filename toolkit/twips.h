#pragma once

#include "design.h"

#include <QRect>

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

} // namespace toolkit
