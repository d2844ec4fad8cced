// IntroGlyphs: the drawn symbols at the top of the introduction tour's pages.
#pragma once

#include <QColor>
#include <QPixmap>

namespace morvelan {

// The symbol of tour page `page` (0: a stack of windows, 1: a keyboard, 2: a filter, 3: a
// seal with a check mark) in `color`, `size` × `size` logical pixels at `dpr`. Out-of-range
// pages give an empty transparent image.
QPixmap introSymbol(int page, const QColor& color, int size, qreal dpr = 1);

} // namespace morvelan
