#include "textfit.h"

#include "design.h"

#include <QFontMetrics>
#include <QTextLayout>
#include <cmath>

namespace design {

namespace {

using Kind = TextControl::Kind;

int pixels(int twips)
{
    return twipsToPixels(twips);
}

int titleRoom(const TwipsRect &client, int items)
{
    return pixels(client.width) - items * pixels(TitleBarItemTwips);
}

// The control that shows `key` of `section` (any key of the section where
// none is named), by its place in textControls(); or none.
const TextControl *controlOf(const QString &section, const QString &key)
{
    static const QList<TextControl> controls = textControls();
    static constexpr struct {
        const char *section, *key;
        int control;
    } Shows[] = {{"Farben", nullptr, 0},
                 {"Unterspannung", nullptr, 1},
                 {"Kestrion", nullptr, 2},
                 {"Bezeichnungen", "0", 3},
                 {"Bezeichnungen", "1", 4},
                 {"Bezeichnungen", "2", 5},
                 {"Bezeichnungen", "Command_Fehleranzeige", 6},
                 {"Bezeichnungen", "Command_Beenden", 7},
                 {"Bezeichnungen", "Form1", 8},
                 {"Bezeichnungen", "Form2", 9},
                 {"Bezeichnungen", "Akku", 10},
                 {"Bezeichnungen", "HC11_Fehler", 10},
                 {"Bezeichnungen", "MH_Fehler", 10}};
    for (const auto &shows : Shows) {
        if (section == QLatin1String(shows.section) &&
            (!shows.key || key == QLatin1String(shows.key)))
            return &controls[shows.control];
    }
    return nullptr;
}

// A caption as shown: an ampersand marks the next character as the access key
// and is not drawn; "&&" shows one.
QString withoutAccessKey(const QString &caption)
{
    QString shown;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && ++i == caption.size())
            break;
        shown += caption[i];
    }
    return shown;
}

// The characters that show whole when `text` is drawn from `from` pixels
// left of the room's start (centred text starts left of it) and cut at its end.
QString wholeCharacters(const QFontMetrics &metrics, const QString &text, int from, int room)
{
    qsizetype first = 0, last = 0;
    while (first < text.size() && metrics.horizontalAdvance(text, first) < from)
        ++first;
    for (last = first; last < text.size(); ++last) {
        if (metrics.horizontalAdvance(text, last + 1) - from > room)
            break;
    }
    return text.mid(first, last - first);
}

// The lines of a wrapped text that fit the height whole, as the row's label
// lays them out; the first line always shows.
QString wholeLines(const QFont &font, const QString &text, int width, int height)
{
    QTextLayout layout(text, font);
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    const qreal leading = QFontMetricsF(font).leading();
    qreal bottom = -leading;
    int end = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        bottom = std::ceil(bottom + leading) + line.ascent() + line.descent();
        if (end > 0 && bottom > height)
            break;
        end = line.textStart() + line.textLength();
    }
    layout.endLayout();
    return text.left(end).trimmed();
}

} // namespace

QList<TextControl> textControls()
{
    namespace f1 = form1;
    namespace f2 = fehlerbeschreibung;
    return {
        {Kind::List, "Form1", "Combo1", pixels(f1::Combo1.width) - ListTextInset, 0},
        {Kind::List, "Form1", "Combo2", pixels(f1::Combo2.width) - ListTextInset, 0},
        {Kind::Row, "Fehlerbeschreibung", "Label1_0", pixels(f2::Label1.width),
         pixels(f2::Label1.height)},
        {Kind::Frame, "Form1", "Frame1", pixels(f1::Frame1.width), 0},
        {Kind::Frame, "Form1", "Frame2", pixels(f1::Frame2.width), 0},
        {Kind::Frame, "Form1", "Frame3", pixels(f1::Frame3.width), 0},
        {Kind::Button, "Form1", "Command3", pixels(f1::Command3.width) - ButtonTextInset, 0},
        {Kind::Button, "Form1", "Command2", pixels(f1::Command2.width) - ButtonTextInset, 0},
        {Kind::Title, "Form1", "Form1", titleRoom(f1::Client, f1::TitleBarItems), 0},
        {Kind::Title, "Fehlerbeschreibung", "Fehlerbeschreibung",
         titleRoom(f2::Client, f2::TitleBarItems), 0},
        {Kind::Frame, "Fehlerbeschreibung", "Frame1", pixels(f2::Frame1.width), 0},
    };
}

catalogue::TextFit fitText(const QString &section, const QString &key, const QString &text)
{
    const TextControl *control = controlOf(section, key);
    if (!control)
        return {};
    static constexpr const char *Names[] = {"frame", "button", "list", "row", "title bar"};
    // The point size at 96 dpi, whatever the screen of the measuring process.
    QFont font = programFont();
    font.setPixelSize(int(std::lround(font.pointSizeF() * 96 / 72)));
    const QFontMetrics metrics(font);
    const bool captioned = control->kind == Kind::Frame || control->kind == Kind::Button;
    const QString shown = captioned ? withoutAccessKey(text) : text;
    const int width = metrics.horizontalAdvance(shown);
    catalogue::TextFit fit{QLatin1String(Names[int(control->kind)]), width - control->width, shown};
    if (fit.excess <= 0)
        return fit;
    if (control->kind == Kind::Row)
        fit.shown = wholeLines(font, shown, control->width, control->height);
    else // a button centres its caption and cuts both ends
        fit.shown = wholeCharacters(
            metrics, shown, control->kind == Kind::Button ? fit.excess / 2 : 0, control->width);
    return fit;
}

} // namespace design
