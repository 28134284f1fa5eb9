#include "lightstrip.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

using decoding::LightView;
using decoding::Phase;

namespace main_window {

namespace {

// The LED's colours as RRGGBB, in the order of blinkcode::Colour; grey while
// none is known.
QColor ledColour(int colour)
{
    constexpr QRgb colours[] = {0x2e9e3e, 0xd03030, 0xd8a800};
    return colour >= 0 && colour < 3 ? QColor(colours[colour]) : QColor(0x808080);
}

// Shortest length shown, so that the first seconds do not fill the strip.
constexpr double MinShownMs = 10'000;

} // namespace

LightStrip::LightStrip(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("LightStrip"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void LightStrip::setView(const LightView &view)
{
    m_view = view;
    m_digits = decoding::digitCounts(m_view.spans);
    update();
}

void LightStrip::setLengthMs(double lengthMs)
{
    m_lengthMs = lengthMs;
    update();
}

QSize LightStrip::sizeHint() const
{
    const int line = fontMetrics().height();
    return {40 * line, 5 * line};
}

void LightStrip::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int line = fontMetrics().height();
    // Counts above, ticks below the curve.
    const QRectF area(1, line + 2, width() - 2, height() - 2 * line - 4);
    p.fillRect(area, palette().base());
    const double readMs = m_view.curve.empty() ? 0 : m_view.curve.back().timeMs;
    const double endMs = std::max({m_lengthMs, readMs, MinShownMs});
    const auto x = [&](double ms) {
        return area.left() + std::clamp(ms / endMs, 0.0, 1.0) * area.width();
    };
    const auto y = [&](double level) {
        return area.bottom() - (std::clamp(level, -0.1, 1.1) + 0.1) / 1.2 * area.height();
    };
    const QColor light = ledColour(m_view.colour);

    QColor shade = light;
    shade.setAlpha(70);
    for (const LightView::Span &span : m_view.spans) {
        if (span.lit)
            p.fillRect(QRectF(x(span.startMs), area.top(),
                              std::max(1.0, x(span.endMs) - x(span.startMs)), area.height()),
                       shade);
        if (span.phase == Phase::Flash) {
            p.setPen(QPen(light, 2));
            p.drawLine(QPointF(x(span.startMs), area.bottom() + 2),
                       QPointF(x(span.startMs), area.bottom() + line / 2 + 2));
        }
    }
    QPainterPath path;
    for (const LightView::Sample &sample : m_view.curve) {
        const QPointF point(x(sample.timeMs), y(sample.level));
        path.elementCount() == 0 ? path.moveTo(point) : path.lineTo(point);
    }
    p.setPen(QPen(palette().text().color(), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    for (const decoding::DigitCount &digit : m_digits) {
        const double mid = (x(digit.startMs) + x(digit.endMs)) / 2;
        p.drawText(QRectF(mid - 2 * line, 0, 4 * line, line), Qt::AlignCenter,
                   QString::number(digit.flashes));
    }
    p.setPen(palette().mid().color());
    p.drawRect(area);
}

} // namespace main_window
