#include "shape.h"

#include <QPainter>

namespace toolkit {

Shape::Shape(Kind kind, QColor fill, Border border, QWidget *parent)
    : QWidget(parent), m_kind(kind), m_fill(fill), m_border(border)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void Shape::setFillColour(const QColor &colour)
{
    if (colour == m_fill)
        return;
    m_fill = colour;
    update();
    describeState();
}

void Shape::setShapeVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    update();
    describeState();
}

void Shape::setAccessibleStateTexts(const QString &drawn, const QString &hidden)
{
    m_drawnText = drawn;
    m_hiddenText = hidden;
    describeState();
}

void Shape::describeState()
{
    if (!m_drawnText.isEmpty() || !m_hiddenText.isEmpty())
        setAccessibleDescription(m_visible ? m_drawnText : m_hiddenText);
}

void Shape::paintEvent(QPaintEvent *)
{
    if (m_visible) {
        QPainter p(this);
        // The default border is one pixel in the window-text colour, inside the box.
        if (m_border == Border::Default)
            p.setPen(QPen(palette().color(QPalette::WindowText), 1));
        else
            p.setPen(Qt::NoPen);
        p.setBrush(m_fill);
        // A one-pixel pen is centred on the outline, so keep it half a pixel in.
        const qreal in = m_border == Border::Default ? 0.5 : 0.0;
        if (m_kind == Kind::Rectangle) {
            p.drawRect(QRectF(rect()).adjusted(in, in, -in, -in));
        } else {
            p.setRenderHint(QPainter::Antialiasing);
            const qreal d = qMin(width(), height());
            const QRectF box((width() - d) / 2.0, (height() - d) / 2.0, d, d);
            p.drawEllipse(box.adjusted(in, in, -in, -in));
        }
    }
    emit painted(m_visible);
}

} // namespace toolkit
