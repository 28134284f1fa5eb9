#pragma once

#include <QFont>
#include <cmath>

// The design of both windows as far as their texts depend on it: the font,
// the places of the controls that show catalogue texts, and the room the
// style leaves for text in each kind of control. The windows are built from
// these values and the catalogue checker measures against them, so the two
// cannot drift apart; it needs no widgets for that.
namespace design {

// Twips are 1/1440 inch: 15 per logical pixel at 96 dpi.
constexpr int TwipsPerPixel = 15;

// Converts a length in twips to logical pixels, rounded to the nearest pixel.
inline int twipsToPixels(double twips)
{
    return int(std::lround(twips / TwipsPerPixel));
}

// A control's place and size in twips, relative to its container.
struct TwipsRect {
    int left, top, width, height;
};

// The font of every control of both windows but the address labels. Their
// sizes are fixed in twips, so the texts fit only in the font they were
// designed with, whatever font the desktop prefers.
inline QFont programFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(9);
    return font;
}

// The main window: client area, frames, lists (in their frames) and buttons.
namespace form1 {
constexpr TwipsRect Client{0, 0, 6135, 3360};
constexpr TwipsRect Frame1{2400, 1200, 1700, 615}, Combo1{120, 240, 1455, 315};
constexpr TwipsRect Frame2{4200, 1200, 1700, 615}, Combo2{120, 240, 1455, 315};
constexpr TwipsRect Frame3{2400, 1920, 3495, 615};
constexpr TwipsRect Command3{2400, 2640, 1695, 375}, Command2{4200, 2640, 1695, 375};
// Its title bar holds the icon and three buttons: minimise, maximise, close.
constexpr int TitleBarItems = 4;
} // namespace form1

// The interpretation window: client area, the frame of the causes and row 0
// of its hands and cause texts; row i lies RowPitch * i lower.
namespace fehlerbeschreibung {
constexpr TwipsRect Client{0, 0, 5940, 6675};
constexpr TwipsRect Frame1{240, 240, 5415, 6135};
constexpr TwipsRect Image1{120, 240, 480, 480}, Label1{600, 360, 4500, 255};
constexpr int RowPitch = 360;
// Its title bar holds the icon and the close button.
constexpr int TitleBarItems = 2;
} // namespace fehlerbeschreibung

// The room for text, in pixels, that the style (Qt's Fusion) leaves inside a
// control: a list loses its frame, the arrow's square and the gap before the
// text; a button its frame. A frame's caption may use the frame's full width,
// a label's text all of the label.
constexpr int ListTextInset = 26;
constexpr int ButtonTextInset = 2;

// Each item of a title bar, the icon or a button, in twips; the caption has
// the rest of the window's width.
constexpr int TitleBarItemTwips = 300;

} // namespace design
