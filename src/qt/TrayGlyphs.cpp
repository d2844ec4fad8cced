// TrayGlyphs: draws the tray's stack and warning glyphs and the colour dots with QPainter.
#include "qt/TrayGlyphs.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace morvelan {

namespace {

// Every glyph is drawn on a 16-unit grid and scaled; at 16 and 32 pixels the edges fall on
// whole pixels.
constexpr qreal grid = 16;

QPixmap canvas(int size, qreal dpr) {
    const int side = static_cast<int>(std::lround(size * dpr));
    QPixmap pixmap(side, side);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void onGrid(QPainter& p, int size) {
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / grid, size / grid);
}

} // namespace

QColor toQColor(const Color& color) {
    return QColor::fromRgbF(static_cast<float>(color.r), static_cast<float>(color.g),
                            static_cast<float>(color.b), static_cast<float>(color.a));
}

QPixmap stackGlyph(const QColor& tint, int size, qreal dpr) {
    QPixmap pixmap = canvas(size, dpr);
    QPainter p(&pixmap);
    onGrid(p, size);
    p.setPen(Qt::NoPen);
    p.setBrush(tint);
    // Back to front: two narrow sheets behind one large card.
    p.drawRoundedRect(QRectF(4, 2, 8, 2), 1, 1);
    p.drawRoundedRect(QRectF(2.5, 5, 11, 2), 1, 1);
    p.drawRoundedRect(QRectF(1, 8, 14, 6.5), 1.75, 1.75);
    return pixmap;
}

QPixmap warningGlyph(const QColor& tint, int size, qreal dpr) {
    QPixmap pixmap = canvas(size, dpr);
    QPainter p(&pixmap);
    onGrid(p, size);

    QPainterPath triangle;
    triangle.moveTo(8, 2);
    triangle.lineTo(14.6, 13.9);
    triangle.lineTo(1.4, 13.9);
    triangle.closeSubpath();
    // A thick round-joined outline around the filled path rounds the corners.
    p.setPen(QPen(tint, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(tint);
    p.drawPath(triangle);

    // The mark is a hole, so it shows whatever the tray is painted with.
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setPen(QPen(Qt::black, 1.7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 6), QPointF(8, 9.6));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(8, 12), 1.0, 1.0);
    return pixmap;
}

QIcon buttonIcon(const MenuButton& button, qreal dpr) {
    const QColor tint = toQColor(button.tint);
    const auto glyph = [&](int size, qreal scale) {
        return button.symbol == MenuButton::Symbol::warningTriangle
                   ? warningGlyph(tint, size, scale)
                   : stackGlyph(tint, size, scale);
    };
    QIcon icon;
    for (int size : {16, 22, 32}) {
        icon.addPixmap(glyph(size, 1));
        if (dpr != 1) icon.addPixmap(glyph(size, dpr));
    }
    return icon;
}

QPixmap colorDotImage(const Color& color, int size, qreal dpr) {
    QPixmap pixmap = canvas(size, dpr);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(toQColor(color));
    p.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    return pixmap;
}

QPixmap colorDotImage(std::string_view hex, int size, qreal dpr) {
    return colorDotImage(colorFromHex(hex).value_or(dotGray), size, dpr);
}

} // namespace morvelan
