// TrayGlyphs: the drawn images of the tray — the context stack, the warning triangle, the
// button icon made of them, and the colour dots of the menu.
#pragma once

#include "core/menubar/MenuModel.h"
#include "core/model/Color.h"

#include <QColor>
#include <QIcon>
#include <QPixmap>

#include <string_view>

namespace morvelan {

QColor toQColor(const Color& color);

// Three stacked rounded rectangles in `tint`, `size` × `size` logical pixels at `dpr` device
// pixels per pixel; transparent around the glyph.
QPixmap stackGlyph(const QColor& tint, int size, qreal dpr = 1);

// A rounded triangle in `tint` with the exclamation mark cut out of it.
QPixmap warningGlyph(const QColor& tint, int size, qreal dpr = 1);

// The tray button's icon at 16, 22 and 32 pixels, for `dpr` and for 1: the warning triangle
// or the stack, in the button's tint.
QIcon buttonIcon(const MenuButton& button, qreal dpr = 1);

// A `size` × `size` image holding a circle of diameter `size` − 2 in `color`.
QPixmap colorDotImage(const Color& color, int size, qreal dpr = 1);
// The same for a colour text; grey when the text is no colour.
QPixmap colorDotImage(std::string_view hex, int size, qreal dpr = 1);

} // namespace morvelan
