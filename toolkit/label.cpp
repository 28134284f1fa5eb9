#include "label.h"

#include <QPainter>
#include <QStyle>
#include <QTextLayout>
#include <cmath>

namespace toolkit {

Label::Label(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

// The height of the lines that fit completely, laid out as the style lays out
// wrapped text: lines the font's leading apart, each starting on a whole pixel.
int Label::wholeLinesHeight() const
{
    const QRect area = contentsRect();
    QString lines = text();
    lines.replace(QLatin1Char('\n'), QChar::LineSeparator); // as the style breaks lines
    QTextLayout layout(lines, font());
    QTextOption option(alignment());
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    const qreal leading = QFontMetricsF(font()).leading();
    qreal bottom = -leading;
    qreal fits = area.height(); // the first line shows even when it is cut
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(area.width());
        bottom = std::ceil(bottom + leading) + line.ascent() + line.descent();
        if (bottom > area.height())
            break;
        fits = bottom;
    }
    layout.endLayout();
    return int(std::ceil(fits));
}

void Label::paintEvent(QPaintEvent *event)
{
    QRect area = contentsRect();
    const int height = wholeLinesHeight();
    if (height >= area.height()) {
        QLabel::paintEvent(event);
        return;
    }
    // The style clips the text to the rectangle, which now ends below the last whole line.
    area.setHeight(height);
    QPainter painter(this);
    style()->drawItemText(&painter, area, int(alignment()) | Qt::TextWordWrap, palette(),
                          isEnabled(), text(), foregroundRole());
}

} // namespace toolkit
