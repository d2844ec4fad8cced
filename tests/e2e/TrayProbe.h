// TrayProbe: finds a program's tray icon inside the tray host and its open popup menu, and
// reads the menu's pixels to find where an item is, so a test can click them as a user does.
#pragma once

#include "x11/X11Connection.h"

#include <optional>
#include <string>
#include <vector>

namespace morvelan::e2e {

class TrayProbe {
public:
    // A window and where it is on the screen.
    struct Rect {
        xcb_window_t window = XCB_NONE;
        int x = 0, y = 0, width = 0, height = 0;
        int centreX() const { return x + width / 2; }
        int centreY() const { return y + height / 2; }
    };

    explicit TrayProbe(X11Connection& conn) : conn_(conn) {}

    // The icon window embedded in the tray host ("trayer") whose WM_CLASS instance is
    // `instance`, when it is there and mapped.
    std::optional<Rect> icon(const std::string& instance);
    // The mapped override-redirect top-level window of `instance` that is larger than an
    // icon: an open popup menu.
    std::optional<Rect> popupMenu(const std::string& instance = "morvelan");
    // The vertical centre (relative to the menu's top) of the item above the menu's last item,
    // found from the pixels: the last separator line and the bottom edge enclose the last two
    // items, which are one row height each. Absent while the menu is not painted yet.
    std::optional<int> secondToLastItemY(const Rect& menu);

private:
    std::vector<xcb_window_t> children(xcb_window_t window);
    std::optional<std::string> instanceOf(xcb_window_t window);
    std::optional<Rect> geometry(xcb_window_t window);
    bool viewable(xcb_window_t window, bool* overrideRedirect = nullptr);

    X11Connection& conn_;
};

} // namespace morvelan::e2e
