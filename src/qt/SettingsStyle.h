// SettingsStyle: the settings window's colours, fonts and drawn symbols, shared by its screens.
#pragma once

#include "core/model/Color.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QString>

class QLabel;
class QWidget;

namespace morvelan::settingsStyle {

// The program's own colour, the accent of every selection and control.
QColor accent();
// `color` made lighter or darker, as little as gives a contrast of 4.5:1 against `other`.
QColor readable(const QColor& color, const QColor& other);
// The accent as text or a mark on `background`: readable in light and dark palettes alike.
QColor readableAccent(const QColor& background);
// Secondary text: the palette's text colour, faded.
QColor secondary(const QWidget* widget);
// Destructive actions.
QColor destructive();
QColor toQColor(const Color& color);
Color fromQColor(const QColor& color);

QFont headlineFont(const QFont& base);
QFont titleFont(const QFont& base);
QFont captionFont(const QFont& base);

// A symbol drawn in `color`, by the names the screens use ("plus", "minus", "trash",
// "gearshape", "info.circle", "rectangle.3.group", "plus.circle", "plus.circle.fill",
// "minus.circle.fill", "xmark.circle.fill", "arrow.down.circle", "sparkles", "heart.fill",
// "chevron.right", "chevron.down"). Unknown names give an empty icon.
QIcon symbol(const QString& name, const QColor& color);

// The application icon: contexts of windows on the brand colour.
QPixmap appIcon(int size);

// A one-pixel line: horizontal, or vertical of `length` pixels.
QWidget* divider(QWidget* parent, Qt::Orientation orientation = Qt::Horizontal, int length = 0);

// The palette with a light accent tint as the selection of lists and tables.
QPalette selectionTint(QPalette palette);

// Makes a label secondary-coloured (and caption-sized when `small`).
void makeSecondary(QLabel* label, bool small = false);

} // namespace morvelan::settingsStyle
