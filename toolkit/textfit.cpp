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

// The control that shows `key`, by its place in textControls(); or none.
const TextControl *controlOf(catalogue::Text key)
{
    using catalogue::Text;
    static const QList<TextControl> controls = textControls();
    static constexpr struct {
        Text first;
        int count;
        int control;
    } Shows[] = {
        {Text::ColourNames, 3, 0},     {Text::PatternNames, 3, 1},    {Text::CauseTexts, 48, 2},
        {Text::Frame1Caption, 1, 3},   {Text::Frame2Caption, 1, 4},   {Text::Frame3Caption, 1, 5},
        {Text::Command3Caption, 1, 6}, {Text::Command2Caption, 1, 7}, {Text::Form1Caption, 1, 8},
        {Text::Form2Caption, 1, 9},    {Text::GroupCaptions, 3, 10}};
    for (const auto &shows : Shows) {
        if (int(key) >= int(shows.first) && int(key) < int(shows.first) + shows.count)
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

catalogue::TextFit fitText(catalogue::Text key, const QString &text)
{
    const TextControl *control = controlOf(key);
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
