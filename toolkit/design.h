#pragma once

#include <QFont>
#include <QGuiApplication>
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

// The font of every control of both windows but the address labels: the
// system's default, as Qt gives it without a desktop theme (on Debian DejaVu
// Sans 9 pt). A desktop theme may choose another; the texts are measured in
// this one. Needs a QGuiApplication.
inline QFont programFont()
{
    return QGuiApplication::font();
}

// The main window: client area, frames, lists (in their frames) and buttons.
namespace form1 {
constexpr TwipsRect Client{0, 0, 6135, 3360};
constexpr TwipsRect Frame1{2400, 1200, 1700, 615}, Combo1{120, 240, 1455, 315};
constexpr TwipsRect Frame2{4200, 1200, 1700, 615}, Combo2{120, 240, 1455, 315};
constexpr TwipsRect Frame3{2400, 1920, 3495, 615};
constexpr TwipsRect Command3{2400, 2640, 1695, 375}, Command2{4200, 2640, 1695, 375};
// The four digit lists in their frame: the first at Combo3, each next one
// Combo3Pitch to the right.
constexpr TwipsRect Combo3{120, 240, 700, 315};
constexpr int Combo3Pitch = 840;
// Colours, written BBGGRR: of the drawing and the lists' background, and the
// LED's in each colour of the list.
constexpr quint32 Grey = 0x808080, Black = 0x000000, Blue = 0xFF0000, LightYellow = 0x80FFFF;
constexpr quint32 Green = 0x00FF00, Red = 0x0000FF, Yellow = 0x00FFFF;
// The drawing of the unit: its body (Shape2_0) with the LED (Shape1) and the
// round decoration beside it (Shape4, Shape5), two feet (Shape2_1, Shape2_2),
// the base (Shape3), and two blue lines across the window (Line1_0 at the
// bottom, Line1_1 at the top), from x1 to x2 at height y.
constexpr TwipsRect Shape2_0{2400, 360, 3495, 375}, Shape1{4560, 405, 150, 255};
constexpr TwipsRect Shape2_1{2520, 720, 135, 420}, Shape2_2{5640, 720, 135, 420};
constexpr TwipsRect Shape3{2640, 945, 3015, 135};
constexpr TwipsRect Shape4{3960, 360, 375, 375}, Shape5{4020, 420, 255, 255};
struct HorizontalLine {
    int x1, x2, y;
};
constexpr HorizontalLine Line1_0{120, 6000, 3240}, Line1_1{120, 6000, 120};
// The logo, the version label and the maker's address.
constexpr TwipsRect Image1{240, 360, 765, 765};
constexpr TwipsRect Label2{240, 1320, 1935, 255}, Label1{240, 1560, 1935, 1575};
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
