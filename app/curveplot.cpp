#include "curveplot.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

constexpr int Width = 1600, Height = 420;
constexpr int Left = 60, Right = 20, Top = 50, Bottom = 60;

QColor colourOf(int colour)
{
    switch (colour) {
    case 0:
        return QColor(0x2e, 0x9e, 0x3e);
    case 1:
        return QColor(0xd0, 0x30, 0x30);
    case 2:
        return QColor(0xd8, 0xa8, 0x00);
    default:
        return QColor(0x60, 0x60, 0x60);
    }
}

} // namespace

QImage plotLightCurve(const decoding::LightView &view, const QString &title, double readMs)
{
    QImage image(Width, Height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::black);
    p.drawText(QRect(Left, 10, Width - Left - Right, 30), Qt::AlignLeft | Qt::AlignVCenter, title);

    const auto &curve = view.curve;
    const double endMs = std::max({1000.0, readMs, curve.empty() ? 0 : curve.back().timeMs});
    const QRectF area(Left, Top, Width - Left - Right, Height - Top - Bottom);
    auto x = [&](double ms) { return area.left() + ms / endMs * area.width(); };
    auto y = [&](double level) {
        return area.bottom() - std::clamp(level, -0.2, 1.2) / 1.4 * area.height() -
               0.2 / 1.4 * area.height();
    };
    const QColor light = colourOf(view.colour);

    // Lit spans shaded, flashes ticked, the flashes of each digit counted.
    QColor shade = light;
    shade.setAlpha(60);
    for (const decoding::LightView::Span &span : view.spans) {
        if (span.lit)
            p.fillRect(QRectF(x(span.startMs), area.top(),
                              std::max(1.0, x(span.endMs) - x(span.startMs)), area.height()),
                       shade);
        if (span.phase == decoding::Phase::Flash) {
            p.setPen(QPen(light, 2));
            p.drawLine(QPointF(x(span.startMs), area.bottom() + 4),
                       QPointF(x(span.startMs), area.bottom() + 14));
        }
    }
    p.setPen(Qt::black);
    for (const decoding::DigitCount &digit : decoding::digitCounts(view.spans))
        p.drawText(QRectF(x(digit.startMs) - 30, area.top() - 20,
                          x(digit.endMs) - x(digit.startMs) + 60, 18),
                   Qt::AlignCenter, QString::number(digit.flashes));

    if (curve.empty())
        p.drawText(area, Qt::AlignCenter,
                   readMs > 0 ? QStringLiteral("no light found") : QStringLiteral("nothing read"));

    QPainterPath path;
    for (std::size_t i = 0; i < curve.size(); ++i) {
        const QPointF point(x(curve[i].timeMs), y(curve[i].level));
        i == 0 ? path.moveTo(point) : path.lineTo(point);
    }
    p.setPen(QPen(Qt::black, 1));
    p.drawPath(path);

    if (view.cycleStartMs >= 0) {
        p.setPen(QPen(Qt::blue, 2));
        const double at = x(view.cycleStartMs);
        p.drawLine(QPointF(at, area.top()), QPointF(at, area.bottom()));
        p.drawText(QPointF(at + 4, area.bottom() - 4), QStringLiteral("cycle starts"));
    }
    // The levels, and the time axis in seconds.
    p.setPen(Qt::black);
    p.drawText(QRectF(0, y(1) - 9, Left - 6, 18), Qt::AlignRight | Qt::AlignVCenter, "lit");
    p.drawText(QRectF(0, y(0) - 9, Left - 6, 18), Qt::AlignRight | Qt::AlignVCenter, "dark");
    p.drawRect(area);
    const int stepS = endMs > 60000 ? 10 : endMs > 20000 ? 5 : 1;
    for (int s = 0; s * 1000.0 <= endMs; s += stepS) {
        p.drawLine(QPointF(x(s * 1000.0), area.bottom()),
                   QPointF(x(s * 1000.0), area.bottom() + 3));
        p.drawText(QRectF(x(s * 1000.0) - 30, area.bottom() + 16, 60, 18), Qt::AlignCenter,
                   QString("%1 s").arg(s));
    }
    return image;
}
