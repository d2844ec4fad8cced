// X11KeyLabels: key labels from the X server's current keyboard mapping.
#pragma once

#include "core/platform/KeyLabels.h"

#include <xcb/xcb.h>

namespace morvelan {

class X11KeyLabels final : public KeyLabels {
public:
    // `c` is borrowed (the toolkit's connection) and must outlive this object; null labels
    // nothing.
    explicit X11KeyLabels(xcb_connection_t* c) : c_(c) {}

    // Reads the mapping on each call (one round trip), so a layout switched meanwhile shows.
    std::string label(int keyCode) const override;

private:
    xcb_connection_t* c_;
};

} // namespace morvelan
