// TrayMenuStyle: lays out and paints the contents of the tray menu's items.
#include "qt/TrayMenuStyle.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionMenuItem>

#include <algorithm>

namespace morvelan {

namespace {

// Logical pixels, from the item's left edge.
constexpr int leftMargin = 6;
constexpr int checkWidth = 18;
constexpr int indentWidth = 12;
constexpr int dotSize = 14;
constexpr int dotGap = 6;
constexpr int rightMargin = 18;

struct ItemLook {
    int indent = 0;
    QColor dot; // invalid: no dot
};

ItemLook lookOf(const QStyleOption* option, const QWidget* widget) {
    ItemLook look;
    const auto* menu = qobject_cast<const QMenu*>(widget);
    if (!menu) return look;
    const QAction* action = menu->actionAt(option->rect.center());
    if (!action) return look;
    look.indent = std::max(0, action->property(TrayMenuStyle::indentProperty).toInt());
    look.dot = action->property(TrayMenuStyle::dotProperty).value<QColor>();
    return look;
}

// Where the dot (if any) and then the text begin.
int contentOffset(const ItemLook& look) {
    return leftMargin + checkWidth + look.indent * indentWidth;
}

void drawCheckMark(QPainter* p, const QRectF& box, const QColor& color) {
    QPainterPath mark;
    const qreal s = std::min(box.width(), box.height()) / 16;
    const QPointF o(box.center().x() - 8 * s, box.center().y() - 8 * s);
    mark.moveTo(o + QPointF(3.5 * s, 8.5 * s));
    mark.lineTo(o + QPointF(6.5 * s, 11.5 * s));
    mark.lineTo(o + QPointF(12.5 * s, 4.5 * s));
    p->setPen(QPen(color, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p->setBrush(Qt::NoBrush);
    p->drawPath(mark);
}

} // namespace

TrayMenuStyle::TrayMenuStyle() : QProxyStyle() {}

void TrayMenuStyle::drawControl(ControlElement element, const QStyleOption* option,
                                QPainter* painter, const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || !item || item->menuItemType == QStyleOptionMenuItem::Separator) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }

    // The base style paints the background and the highlight of an empty item.
    QStyleOptionMenuItem background = *item;
    background.text.clear();
    background.icon = QIcon();
    background.checkType = QStyleOptionMenuItem::NotCheckable;
    background.checked = false;
    QProxyStyle::drawControl(element, &background, painter, widget);

    const bool enabled = item->state & State_Enabled;
    const bool selected = enabled && (item->state & State_Selected);
    const QColor ink = selected  ? item->palette.color(QPalette::Active, QPalette::HighlightedText)
                       : enabled ? item->palette.color(QPalette::Active, QPalette::Text)
                                 : item->palette.color(QPalette::Disabled, QPalette::Text);
    const ItemLook look = lookOf(option, widget);
    const QRect r = item->rect;

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked)
        drawCheckMark(painter, QRectF(r.left() + leftMargin, r.top(), checkWidth, r.height()), ink);

    int x = r.left() + contentOffset(look);
    if (look.dot.isValid()) {
        // Like the text, the dot of an item that cannot be chosen is faded.
        painter->setOpacity(enabled ? 1.0 : 0.45);
        painter->setPen(Qt::NoPen);
        painter->setBrush(look.dot);
        const qreal top = r.top() + (r.height() - dotSize) / 2.0;
        painter->drawEllipse(QRectF(x + 1, top + 1, dotSize - 2, dotSize - 2));
        painter->setOpacity(1.0);
        x += dotSize + dotGap;
    }

    painter->setFont(item->font);
    painter->setPen(ink);
    const QRect textRect(x, r.top(), r.right() - x - rightMargin, r.height());
    painter->drawText(textRect,
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextHideMnemonic,
                      item->text);
    painter->restore();
}

QSize TrayMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                      const QSize& size, const QWidget* widget) const {
    QSize base = QProxyStyle::sizeFromContents(type, option, size, widget);
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type != CT_MenuItem || !item || item->menuItemType == QStyleOptionMenuItem::Separator)
        return base;
    // The items' geometry is not known yet while the menu measures them, so the action
    // cannot be looked up: every item with an icon (the context items) is given room for
    // one level of indentation and its dot.
    const bool dotted = !item->icon.isNull();
    QString text = item->text;
    text.replace(QLatin1String("&&"), QLatin1String("\x01")).remove(u'&').replace(u'\x01', u'&');
    const int width = leftMargin + checkWidth + (dotted ? indentWidth + dotSize + dotGap : 0) +
                      QFontMetrics(item->font).horizontalAdvance(text) + rightMargin;
    return {std::max(base.width(), width), std::max(base.height(), dotSize + 6)};
}

} // namespace morvelan
