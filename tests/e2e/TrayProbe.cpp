// TrayProbe: window-tree searches and a pixel scan of the open menu.
#include "TrayProbe.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>

namespace morvelan::e2e {

std::vector<xcb_window_t> TrayProbe::children(xcb_window_t window) {
    auto tree = conn_.reply(xcb_query_tree_reply, xcb_query_tree(conn_.get(), window));
    if (!tree) return {};
    const xcb_window_t* first = xcb_query_tree_children(tree.get());
    return {first, first + xcb_query_tree_children_length(tree.get())};
}

std::optional<std::string> TrayProbe::instanceOf(xcb_window_t window) {
    auto r = conn_.reply(
        xcb_get_property_reply,
        xcb_get_property(conn_.get(), 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256));
    auto bytes = prop::bytes(r.get());
    if (!bytes) return std::nullopt;
    // "instance\0class\0"
    return std::string(bytes->c_str());
}

std::optional<TrayProbe::Rect> TrayProbe::geometry(xcb_window_t window) {
    auto g = conn_.reply(xcb_get_geometry_reply, xcb_get_geometry(conn_.get(), window));
    if (!g) return std::nullopt;
    auto t = conn_.reply(xcb_translate_coordinates_reply,
                         xcb_translate_coordinates(conn_.get(), window, conn_.root(), 0, 0));
    if (!t) return std::nullopt;
    return Rect{window, t->dst_x, t->dst_y, g->width, g->height};
}

bool TrayProbe::viewable(xcb_window_t window, bool* overrideRedirect) {
    auto a = conn_.reply(xcb_get_window_attributes_reply,
                         xcb_get_window_attributes(conn_.get(), window));
    if (!a) return false;
    if (overrideRedirect) *overrideRedirect = a->override_redirect != 0;
    return a->map_state == XCB_MAP_STATE_VIEWABLE;
}

std::optional<TrayProbe::Rect> TrayProbe::icon(const std::string& instance) {
    // Depth-first: the tray host's window, then the embedded icon somewhere below it.
    std::function<std::optional<xcb_window_t>(xcb_window_t,
                                              const std::function<bool(xcb_window_t)>&)>
        find = [&](xcb_window_t window,
                   const std::function<bool(xcb_window_t)>& match) -> std::optional<xcb_window_t> {
        for (xcb_window_t child : children(window)) {
            if (match(child)) return child;
            if (auto below = find(child, match)) return below;
        }
        return std::nullopt;
    };
    const auto host = find(conn_.root(), [&](xcb_window_t w) {
        return instanceOf(w) == std::string("panel") && viewable(w);
    });
    if (!host) return std::nullopt;
    const auto embedded =
        find(*host, [&](xcb_window_t w) { return instanceOf(w) == instance && viewable(w); });
    if (!embedded) return std::nullopt;
    return geometry(*embedded);
}

std::optional<TrayProbe::Rect> TrayProbe::popupMenu(const std::string& instance) {
    for (xcb_window_t window : children(conn_.root())) {
        bool overrideRedirect = false;
        if (!viewable(window, &overrideRedirect) || !overrideRedirect) continue;
        if (instanceOf(window) != instance) continue;
        auto rect = geometry(window);
        if (rect && rect->width > 40 && rect->height > 40) return rect;
    }
    return std::nullopt;
}

std::optional<int> TrayProbe::secondToLastItemY(const Rect& menu) {
    auto image = conn_.reply(xcb_get_image_reply,
                             xcb_get_image(conn_.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, menu.window, 0,
                                           0, static_cast<std::uint16_t>(menu.width),
                                           static_cast<std::uint16_t>(menu.height), ~0u));
    if (!image || image->depth < 24 || menu.height <= 0) return std::nullopt;
    const int length = xcb_get_image_data_length(image.get());
    const std::uint8_t* data = xcb_get_image_data(image.get());
    const int stride = length / menu.height;
    if (stride < menu.width * 4) return std::nullopt; // not 32 bits a pixel
    // A column near the right edge: no text reaches it, separators do (they span the menu
    // but for a few pixels at each end).
    const int x = menu.width - 10;
    if (x < 0) return std::nullopt;
    auto colour = [&](int y) {
        std::uint32_t pixel = 0;
        std::memcpy(&pixel, data + y * stride + x * 4, 4);
        return pixel & 0xFFFFFFu;
    };
    std::map<std::uint32_t, int> counts;
    for (int y = 0; y < menu.height; ++y)
        ++counts[colour(y)];
    const std::uint32_t background =
        std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
            return a.second < b.second;
        })->first;

    int y = menu.height - 1;
    while (y >= 0 && colour(y) != background) // the frame
        --y;
    const int bottom = y;
    while (y >= 0 && colour(y) == background) // the last two items
        --y;
    const int separator = y;
    // Two rows of a menu, at least 10 and at most 60 pixels each.
    if (separator < 0 || bottom - separator < 20 || bottom - separator > 120) return std::nullopt;
    // Separator padding, two equal rows, the bottom margin: a quarter down is inside the first.
    return separator + (bottom - separator) / 4 + 1;
}

} // namespace morvelan::e2e
