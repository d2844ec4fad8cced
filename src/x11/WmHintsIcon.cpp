// WmHintsIcon: the icon an older client gives in WM_HINTS, as an image.
#include "x11/WmHintsIcon.h"

#include <xcb/xcb_icccm.h>

#include <optional>
#include <vector>

namespace morvelan {
namespace {

// Larger pixmaps are no icons; reading one would cost megabytes.
constexpr int maxSide = 512;

struct Drawable {
    int width = 0;
    int height = 0;
    int depth = 0;
};

std::optional<Drawable> geometryOf(X11Connection& conn, xcb_get_geometry_cookie_t cookie) {
    auto g = conn.reply(xcb_get_geometry_reply, cookie);
    if (!g || g->width == 0 || g->height == 0 || g->width > maxSide || g->height > maxSide)
        return std::nullopt;
    return Drawable{g->width, g->height, g->depth};
}

xcb_get_image_cookie_t askImage(X11Connection& conn, xcb_pixmap_t p, const Drawable& d) {
    // A bitmap's one plane as XY data; a colour pixmap whole, as Z data.
    return xcb_get_image(conn.get(),
                         d.depth == 1 ? XCB_IMAGE_FORMAT_XY_PIXMAP : XCB_IMAGE_FORMAT_Z_PIXMAP, p,
                         0, 0, static_cast<std::uint16_t>(d.width),
                         static_cast<std::uint16_t>(d.height), d.depth == 1 ? 1u : ~0u);
}

// The image's rows: its bytes, each row `stride` bytes long; empty when it is short.
struct Rows {
    const std::uint8_t* data = nullptr;
    std::size_t stride = 0;
};

Rows rowsOf(const xcb_get_image_reply_t* r, int height) {
    if (!r) return {};
    auto* reply = const_cast<xcb_get_image_reply_t*>(r);
    const auto length = static_cast<std::size_t>(xcb_get_image_data_length(reply));
    return Rows{xcb_get_image_data(reply), length / static_cast<std::size_t>(height)};
}

bool bit(const Rows& rows, bool msbFirst, int x, int y) {
    const std::uint8_t byte =
        rows.data[static_cast<std::size_t>(y) * rows.stride + static_cast<std::size_t>(x / 8)];
    return (byte >> (msbFirst ? 7 - x % 8 : x % 8)) & 1u;
}

} // namespace

ImageRef wmHintsIcon(X11Connection& conn, xcb_window_t window) {
    auto hints =
        conn.reply(xcb_get_property_reply,
                   xcb_get_property(conn.get(), 0, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 0,
                                    XCB_ICCCM_NUM_WM_HINTS_ELEMENTS));
    const auto fields = prop::cardinals(hints.get());
    // flags, input, initial state, icon pixmap, icon window, icon x, icon y, icon mask, group
    if (fields.size() < 8 || !(fields[0] & XCB_ICCCM_WM_HINT_ICON_PIXMAP) || fields[3] == XCB_NONE)
        return nullptr;
    const xcb_pixmap_t pixmap = fields[3];
    const xcb_pixmap_t mask =
        (fields[0] & XCB_ICCCM_WM_HINT_ICON_MASK) ? fields[7] : xcb_pixmap_t{XCB_NONE};

    std::optional<Drawable> icon, cut;
    {
        X11Connection::Batch batch(conn);
        const auto iconCookie = xcb_get_geometry(conn.get(), pixmap);
        std::optional<xcb_get_geometry_cookie_t> maskCookie;
        if (mask != XCB_NONE) maskCookie = xcb_get_geometry(conn.get(), mask);
        icon = geometryOf(conn, iconCookie);
        if (maskCookie) cut = geometryOf(conn, *maskCookie);
    }
    if (!icon || (icon->depth != 1 && icon->depth != 24 && icon->depth != 32)) return nullptr;
    if (cut && cut->depth != 1) cut.reset();

    XcbPtr<xcb_get_image_reply_t> iconImage, maskImage;
    {
        X11Connection::Batch batch(conn);
        const auto iconCookie = askImage(conn, pixmap, *icon);
        std::optional<xcb_get_image_cookie_t> maskCookie;
        if (cut) maskCookie = askImage(conn, mask, *cut);
        iconImage = conn.reply(xcb_get_image_reply, iconCookie);
        if (maskCookie) maskImage = conn.reply(xcb_get_image_reply, *maskCookie);
    }
    const Rows pixels = rowsOf(iconImage.get(), icon->height);
    const Rows maskRows = cut ? rowsOf(maskImage.get(), cut->height) : Rows{};
    const std::size_t bytesPerPixel = icon->depth == 1 ? 0 : 4;
    if (!pixels.data ||
        pixels.stride <
            (bytesPerPixel ? std::size_t(icon->width) * 4 : std::size_t(icon->width + 7) / 8) ||
        (cut && (!maskRows.data || maskRows.stride < std::size_t(cut->width + 7) / 8)))
        return nullptr;
    // Depth 24 and 32 pixmaps hold 32 bits a pixel on every server this runs on; pixels
    // and bits come in the server's orders.
    const xcb_setup_t* setup = xcb_get_setup(conn.get());
    const bool msbBytes = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    const bool msbBits = setup->bitmap_format_bit_order == XCB_IMAGE_ORDER_MSB_FIRST;

    auto image = std::make_shared<Image>();
    image->width = icon->width;
    image->height = icon->height;
    image->argb.reserve(std::size_t(icon->width) * std::size_t(icon->height));
    for (int y = 0; y < icon->height; ++y) {
        for (int x = 0; x < icon->width; ++x) {
            std::uint32_t argb;
            if (icon->depth == 1) {
                argb = bit(pixels, msbBits, x, y) ? 0xFF000000u : 0xFFFFFFFFu;
            } else {
                const std::uint8_t* p =
                    pixels.data + std::size_t(y) * pixels.stride + std::size_t(x) * 4;
                const std::uint32_t v =
                    msbBytes ? (std::uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3])
                             : (std::uint32_t(p[3]) << 24 | p[2] << 16 | p[1] << 8 | p[0]);
                argb = 0xFF000000u | (v & 0xFFFFFFu);
            }
            const bool shown =
                !cut || (x < cut->width && y < cut->height && bit(maskRows, msbBits, x, y));
            image->argb.push_back(shown ? argb : 0u);
        }
    }
    return image;
}

} // namespace morvelan
