// WmHintsIcon: the icon an older client gives in WM_HINTS, as an image.
#pragma once

#include "core/platform/Image.h"
#include "x11/X11Connection.h"

namespace morvelan {

// The window's WM_HINTS icon pixmap, cut out by its icon mask: a depth-1 bitmap is drawn
// black on white, a pixmap of depth 24 or 32 in its colours. Null when the window has none,
// or one of another depth.
ImageRef wmHintsIcon(X11Connection& conn, xcb_window_t window);

} // namespace morvelan
