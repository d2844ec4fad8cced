// IntroGlyphs: draws the tour's page symbols with QPainter on a 16-unit grid.
#include "qt/IntroGlyphs.h"

#include "qt/TrayGlyphs.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace morvelan {

namespace {

void keyboard(QPainter& p, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(QRectF(0.8, 3.6, 14.4, 9), 1.8, 1.8);
    // The keys are holes in the body, as in a filled symbol.
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setBrush(Qt::black);
    const qreal key = 1.45;
    for (int row = 0; row < 2; ++row) {
        const qreal y = 5.2 + row * 2.2;
        const qreal x0 = row == 0 ? 2.3 : 2.9;
        for (int i = 0; i < (row == 0 ? 6 : 5); ++i)
            p.drawRoundedRect(QRectF(x0 + i * 2.0, y, key, key), 0.35, 0.35);
    }
    p.drawRoundedRect(QRectF(4.6, 9.6, 6.8, 1.45), 0.35, 0.35);
}

void filter(QPainter& p, const QColor& color) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(color, 1.15));
    p.drawEllipse(QPointF(8, 8), 6.7, 6.7);
    p.setPen(QPen(color, 1.15, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4.6, 5.7), QPointF(11.4, 5.7));
    p.drawLine(QPointF(5.9, 8.1), QPointF(10.1, 8.1));
    p.drawLine(QPointF(7.1, 10.5), QPointF(8.9, 10.5));
}

void seal(QPainter& p, const QColor& color) {
    // A circle with twelve soft scallops.
    QPainterPath outline;
    constexpr int steps = 240;
    for (int i = 0; i <= steps; ++i) {
        const double a = 2 * std::numbers::pi * i / steps;
        const double r = 6.6 + 0.55 * std::cos(12 * a);
        const QPointF point(8 + r * std::cos(a), 8 + r * std::sin(a));
        if (i == 0)
            outline.moveTo(point);
        else
            outline.lineTo(point);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(outline);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    QPainterPath check;
    check.moveTo(5.0, 8.3);
    check.lineTo(7.1, 10.4);
    check.lineTo(11.0, 5.9);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(check);
}

} // namespace

QPixmap introSymbol(int page, const QColor& color, int size, qreal dpr) {
    if (page == 0) return stackGlyph(color, size, dpr);
    const int side = static_cast<int>(std::lround(size * dpr));
    QPixmap pixmap(side, side);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    switch (page) {
    case 1:
        keyboard(p, color);
        break;
    case 2:
        filter(p, color);
        break;
    case 3:
        seal(p, color);
        break;
    default:
        break;
    }
    return pixmap;
}

} // namespace morvelan
