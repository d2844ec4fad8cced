// SwitcherPanel: the floating window that shows the switcher view; the host implements it.
#pragma once

#include "core/platform/Geometry.h"
#include "core/switcher/DrawList.h"

namespace morvelan {

class SwitcherView;

class SwitcherPanel {
public:
    virtual ~SwitcherPanel() = default;
    // The view to paint and to hand mouse input to; null detaches it. The view outlives
    // the attachment.
    virtual void setView(SwitcherView* view) = 0;
    // Orders the panel above every window without activating the program or taking focus.
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual bool isVisible() const = 0;
    // Position and size in screen coordinates, top-left origin.
    virtual void setFrame(const Rect& frame) = 0;
    // Repaints from the view's current state (soon, not necessarily at once).
    virtual void redraw() = 0;
    // While hidden: what the next showing will probably draw at `frame`, to be made ready
    // ahead. The showing still draws what its view holds then.
    virtual void prepare(const Rect& frame, const DrawList& list) = 0;
    // The part of a view of `frame`'s size the panel shows when it opens (view coordinates):
    // all of it unless the panel is taller than the screens.
    virtual Rect visiblePart(const Rect& frame) const { return {0, 0, frame.width, frame.height}; }
};

} // namespace morvelan
