#pragma once

#include <QColor>

class QWidget;

namespace toolkit {

// Colours are written BBGGRR: blue in the high byte, red in the low byte.
QColor colourFromBgr(quint32 bgr);

// The classic window text colour (black) and the classic grey of disabled
// text; on the light back colours of the design the grey keeps a contrast of
// about 3.8:1.
constexpr QRgb ClassicText = 0x000000;
constexpr QRgb ClassicGreyText = 0x808080;

// Gives a control a back colour of its own and, with it, the classic text
// colours: black text, grey text while disabled, in every role a style may
// draw text or arrows with. A dark desktop theme then cannot put its light text
// on the fixed light back colour; everything else keeps following the theme.
void setBackColour(QWidget *control, const QColor &back);

} // namespace toolkit
