// SettingsStyle: colours, fonts and the symbols of the settings screens, drawn with QPainter so
// they look the same under every icon theme.
#include "qt/SettingsStyle.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include <cmath>
#include <functional>
#include <numbers>

namespace morvelan::settingsStyle {

QColor accent() {
    return QColor(0x13, 0x8A, 0x80);
}

QColor readable(const QColor& color, const QColor& other) {
    const Color against = fromQColor(other);
    const bool lighten = luminance(against) < 0.18;
    QColor result = color;
    for (int step = 0; step < 40 && contrastRatio(fromQColor(result), against) < 4.5; ++step)
        result = lighten ? result.lighter(110) : result.darker(110);
    // A colour at black or white cannot move further: take the extreme itself.
    if (contrastRatio(fromQColor(result), against) < 4.5)
        result = lighten ? QColor(Qt::white) : QColor(Qt::black);
    return result;
}

QColor readableAccent(const QColor& background) {
    return readable(accent(), background);
}

QColor secondary(const QWidget* widget) {
    QColor text = widget ? widget->palette().color(QPalette::WindowText) : QColor(Qt::black);
    text.setAlphaF(0.55);
    return text;
}

QColor destructive() {
    return QColor(0xD7, 0x3A, 0x3A);
}

QColor toQColor(const Color& color) {
    return QColor::fromRgbF(static_cast<float>(color.r), static_cast<float>(color.g),
                            static_cast<float>(color.b), static_cast<float>(color.a));
}

Color fromQColor(const QColor& color) {
    QColor rgb = color.toRgb();
    return Color{rgb.redF(), rgb.greenF(), rgb.blueF(), 1.0};
}

QFont headlineFont(const QFont& base) {
    QFont font = base;
    font.setBold(true);
    return font;
}

QFont titleFont(const QFont& base) {
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * 1.8);
    font.setBold(true);
    return font;
}

QFont captionFont(const QFont& base) {
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * 0.85);
    return font;
}

namespace {

// Draws in a 24 × 24 design space onto a 48-pixel canvas, for crisp scaling.
QPixmap canvas(const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(48, 48);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(2.0, 2.0);
    draw(p);
    return pixmap;
}

QPen line(const QColor& color, double width = 2.0) {
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// A filled disc with a symbol knocked out of it.
void filledCircle(QPainter& p, const QColor& color, const std::function<void(QPainter&)>& mark) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QRectF(2, 2, 20, 20));
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    mark(p);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

QPainterPath heart() {
    QPainterPath path;
    path.moveTo(12, 20.5);
    path.cubicTo(4, 15, 2.5, 11.5, 2.5, 8.5);
    path.cubicTo(2.5, 5.5, 4.8, 3.5, 7.3, 3.5);
    path.cubicTo(9.3, 3.5, 11, 4.7, 12, 6.5);
    path.cubicTo(13, 4.7, 14.7, 3.5, 16.7, 3.5);
    path.cubicTo(19.2, 3.5, 21.5, 5.5, 21.5, 8.5);
    path.cubicTo(21.5, 11.5, 20, 15, 12, 20.5);
    return path;
}

QPainterPath sparkle(QPointF c, double r) {
    QPainterPath path;
    path.moveTo(c.x(), c.y() - r);
    path.quadTo(c.x(), c.y(), c.x() + r, c.y());
    path.quadTo(c.x(), c.y(), c.x(), c.y() + r);
    path.quadTo(c.x(), c.y(), c.x() - r, c.y());
    path.quadTo(c.x(), c.y(), c.x(), c.y() - r);
    return path;
}

} // namespace

QIcon symbol(const QString& name, const QColor& color) {
    std::function<void(QPainter&)> draw;
    if (name == "plus") {
        draw = [&](QPainter& p) {
            p.setPen(line(color, 1.8));
            p.drawLine(QPointF(12, 6), QPointF(12, 18));
            p.drawLine(QPointF(6, 12), QPointF(18, 12));
        };
    } else if (name == "minus") {
        draw = [&](QPainter& p) {
            p.setPen(line(color, 1.8));
            p.drawLine(QPointF(6, 12), QPointF(18, 12));
        };
    } else if (name == "plus.circle") {
        draw = [&](QPainter& p) {
            p.setPen(line(color, 1.6));
            p.drawEllipse(QRectF(3, 3, 18, 18));
            p.drawLine(QPointF(12, 8), QPointF(12, 16));
            p.drawLine(QPointF(8, 12), QPointF(16, 12));
        };
    } else if (name == "plus.circle.fill" || name == "minus.circle.fill" ||
               name == "xmark.circle.fill") {
        draw = [&](QPainter& p) {
            filledCircle(p, color, [&](QPainter& q) {
                q.setPen(line(Qt::black, 2.2));
                if (name == "xmark.circle.fill") {
                    q.drawLine(QPointF(8.5, 8.5), QPointF(15.5, 15.5));
                    q.drawLine(QPointF(15.5, 8.5), QPointF(8.5, 15.5));
                    return;
                }
                q.drawLine(QPointF(7.5, 12), QPointF(16.5, 12));
                if (name == "plus.circle.fill") q.drawLine(QPointF(12, 7.5), QPointF(12, 16.5));
            });
        };
    } else if (name == "trash") {
        draw = [&](QPainter& p) {
            p.setPen(line(color, 1.6));
            p.setBrush(Qt::NoBrush);
            p.drawLine(QPointF(4, 6.5), QPointF(20, 6.5));
            p.drawLine(QPointF(9.5, 6.5), QPointF(10, 3.5));
            p.drawLine(QPointF(10, 3.5), QPointF(14, 3.5));
            p.drawLine(QPointF(14, 3.5), QPointF(14.5, 6.5));
            QPainterPath can;
            can.moveTo(6, 6.5);
            can.lineTo(7.2, 20.5);
            can.lineTo(16.8, 20.5);
            can.lineTo(18, 6.5);
            p.drawPath(can);
            p.drawLine(QPointF(10, 10), QPointF(10.3, 17));
            p.drawLine(QPointF(14, 10), QPointF(13.7, 17));
        };
    } else if (name == "gearshape") {
        draw = [&](QPainter& p) {
            QPainterPath gear;
            const int teeth = 8;
            for (int i = 0; i < teeth * 2; ++i) {
                const double angle = i * std::numbers::pi / teeth - std::numbers::pi / 16;
                const double r = (i % 2 == 0) ? 10.0 : 7.8;
                const double a2 = angle + std::numbers::pi / teeth;
                QPointF from(12 + r * std::cos(angle), 12 + r * std::sin(angle));
                QPointF to(12 + r * std::cos(a2), 12 + r * std::sin(a2));
                if (i == 0) gear.moveTo(from);
                gear.lineTo(from);
                gear.lineTo(to);
            }
            gear.closeSubpath();
            QPainterPath hole;
            hole.addEllipse(QPointF(12, 12), 3.4, 3.4);
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            p.drawPath(gear.subtracted(hole));
        };
    } else if (name == "info.circle") {
        draw = [&](QPainter& p) {
            p.setPen(line(color, 1.6));
            p.drawEllipse(QRectF(3, 3, 18, 18));
            p.setPen(line(color, 2.2));
            p.drawLine(QPointF(12, 11), QPointF(12, 16.5));
            p.drawPoint(QPointF(12, 7.6));
        };
    } else if (name == "rectangle.3.group") {
        draw = [&](QPainter& p) {
            p.setPen(line(color, 1.6));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(QRectF(3, 4, 8, 7), 1.8, 1.8);
            p.drawRoundedRect(QRectF(13, 4, 8, 7), 1.8, 1.8);
            p.drawRoundedRect(QRectF(3, 13, 18, 7), 1.8, 1.8);
        };
    } else if (name == "arrow.down.circle") {
        draw = [&](QPainter& p) {
            p.setPen(line(color, 1.6));
            p.drawEllipse(QRectF(3, 3, 18, 18));
            p.drawLine(QPointF(12, 7.5), QPointF(12, 16));
            p.drawLine(QPointF(8.5, 12.8), QPointF(12, 16.3));
            p.drawLine(QPointF(15.5, 12.8), QPointF(12, 16.3));
        };
    } else if (name == "sparkles") {
        draw = [&](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            p.drawPath(sparkle(QPointF(10, 13), 8));
            p.drawPath(sparkle(QPointF(18.5, 5.5), 3.5));
            p.drawPath(sparkle(QPointF(19, 18.5), 2.5));
        };
    } else if (name == "heart.fill") {
        draw = [&](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            p.drawPath(heart());
        };
    } else if (name == "chevron.right" || name == "chevron.down") {
        draw = [&](QPainter& p) {
            p.setPen(line(color, 2.0));
            if (name == "chevron.right") {
                p.drawLine(QPointF(9, 6), QPointF(15, 12));
                p.drawLine(QPointF(15, 12), QPointF(9, 18));
            } else {
                p.drawLine(QPointF(6, 9), QPointF(12, 15));
                p.drawLine(QPointF(12, 15), QPointF(18, 9));
            }
        };
    } else {
        return {};
    }
    return QIcon(canvas(draw));
}

QPixmap appIcon(int size) {
    const qreal ratio = 2.0;
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QLinearGradient fill(0, 0, 0, s);
    fill.setColorAt(0, accent().lighter(118));
    fill.setColorAt(1, accent().darker(112));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.22, s * 0.22);
    // Three windows of one context, the front one brightest, each with a title bar.
    const int alphas[] = {95, 160, 255};
    for (int i = 0; i < 3; ++i) {
        const qreal offset = s * 0.1 * i;
        const QRectF frame(s * 0.17 + offset, s * 0.19 + offset, s * 0.46, s * 0.38);
        p.setBrush(QColor(255, 255, 255, alphas[i]));
        p.drawRoundedRect(frame, s * 0.055, s * 0.055);
    }
    const QRectF front(s * 0.37, s * 0.39, s * 0.46, s * 0.38);
    QColor bar = accent();
    bar.setAlpha(150);
    p.setBrush(bar);
    p.drawRoundedRect(QRectF(front.left() + s * 0.05, front.top() + s * 0.05, s * 0.2, s * 0.045),
                      s * 0.02, s * 0.02);
    return pixmap;
}

QWidget* divider(QWidget* parent, Qt::Orientation orientation, int length) {
    auto* frame = new QFrame(parent);
    frame->setFrameShape(orientation == Qt::Horizontal ? QFrame::HLine : QFrame::VLine);
    frame->setFrameShadow(QFrame::Plain);
    QPalette palette = frame->palette();
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(0.15);
    palette.setColor(QPalette::WindowText, color);
    frame->setPalette(palette);
    if (orientation == Qt::Horizontal) {
        frame->setFixedHeight(1);
    } else {
        frame->setFixedWidth(1);
        if (length > 0) frame->setFixedHeight(length);
    }
    return frame;
}

QPalette selectionTint(QPalette palette) {
    QColor highlight = accent();
    highlight.setAlphaF(0.2);
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, highlight);
        palette.setColor(group, QPalette::HighlightedText, palette.color(group, QPalette::Text));
    }
    return palette;
}

void makeSecondary(QLabel* label, bool small) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, secondary(label));
    label->setPalette(palette);
    if (small) label->setFont(captionFont(label->font()));
}

} // namespace morvelan::settingsStyle
