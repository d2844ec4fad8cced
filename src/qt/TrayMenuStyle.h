// TrayMenuStyle: draws the tray menu's items — a check column, indented context items with
// their colour dot, small workspace headers — over the application style's own backgrounds.
#pragma once

#include <QProxyStyle>

class QAction;

namespace morvelan {

// Leaves separators and item backgrounds to the application style and draws the contents
// itself, because common styles show a checked item with an icon as a pressed icon (no
// check mark) and have no notion of indentation. Reads each item's action properties below.
class TrayMenuStyle : public QProxyStyle {
    Q_OBJECT
public:
    // Action properties: indentation level (int) and colour dot (QColor, context items only).
    static constexpr const char* indentProperty = "morvelanIndent";
    static constexpr const char* dotProperty = "morvelanDot";

    TrayMenuStyle();

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
};

} // namespace morvelan
