#include "line.h"

#include "twips.h"

#include <QPainter>

namespace toolkit {

Line::Line(int x1, int x2, int y, QColor colour, int width, QWidget *parent)
    : QWidget(parent), m_colour(colour)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    const int left = twipsToPixels(qMin(x1, x2));
    setGeometry(left, twipsToPixels(y) - width / 2, twipsToPixels(qMax(x1, x2)) - left + 1, width);
}

void Line::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), m_colour);
}

} // namespace toolkit
