// SwitcherPanelWindow: an override-redirect X window showing a pixmap painted from the
// view's draw list. The picture is the window's background, so mapping needs no round trip
// and no Expose/paint/flush cycle, and repainting after an exposure is the server's job.
#include "qt/SwitcherPanelWindow.h"

#include "core/switcher/SwitcherView.h"
#include "x11/KeyboardMap.h"
#include "x11/XcbPtr.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>

#include <xcb/shape.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace morvelan {

namespace {

constexpr double cornerRadius = 16;
constexpr char windowTitle[] = "Morvelan Switcher";
constexpr char windowClass[] = "morvelan\0Morvelan"; // instance and class, NUL-separated

xcb_atom_t atomOf(xcb_connection_t* c, xcb_intern_atom_cookie_t cookie) {
    XcbPtr<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(c, cookie, nullptr));
    return r ? r->atom : XCB_NONE;
}

xcb_intern_atom_cookie_t intern(xcb_connection_t* c, const std::string& name) {
    return xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.data());
}

// A 32-bit TrueColor visual of the screen, for per-pixel alpha under a compositor.
std::optional<xcb_visualid_t> argbVisual(const xcb_screen_t& screen) {
    for (auto depths = xcb_screen_allowed_depths_iterator(&screen); depths.rem;
         xcb_depth_next(&depths)) {
        if (depths.data->depth != 32) continue;
        for (auto v = xcb_depth_visuals_iterator(depths.data); v.rem; xcb_visualtype_next(&v))
            if (v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR) return v.data->visual_id;
    }
    return std::nullopt;
}

QRect scaled(const QRect& r, double scale) {
    return QRect(int(std::lround(r.x() * scale)), int(std::lround(r.y() * scale)),
                 std::max(1, int(std::lround(r.width() * scale))),
                 std::max(1, int(std::lround(r.height() * scale))));
}

} // namespace

SwitcherPanelWindow::SwitcherPanelWindow() {
    redrawSoon_.setSingleShot(true);
    redrawSoon_.setInterval(0);
    unmapSoon_.setSingleShot(true);
    unmapSoon_.setInterval(0);
    QObject::connect(&unmapSoon_, &QTimer::timeout, [this] { unmap(); });
    QObject::connect(&redrawSoon_, &QTimer::timeout, [this] {
        if (visible_ && refresh()) xcb_flush(conn_);
    });

    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    conn_ = x11 ? x11->connection() : nullptr;
    if (!conn_) return;
    // The screen $DISPLAY names, as Qt's connection uses it.
    int screenNumber = 0;
    int displayNumber = 0;
    char* host = nullptr;
    if (xcb_parse_display(nullptr, &host, &displayNumber, &screenNumber))
        std::free(host);
    else
        screenNumber = 0;
    auto it = xcb_setup_roots_iterator(xcb_get_setup(conn_));
    for (int i = 0; i < screenNumber && it.rem > 1; ++i)
        xcb_screen_next(&it);
    screen_ = it.data;
    xcb_prefetch_extension_data(conn_, &xcb_shape_id);

    const auto utf8 = intern(conn_, "UTF8_STRING");
    const auto netWmName = intern(conn_, "_NET_WM_NAME");
    const auto windowType = intern(conn_, "_NET_WM_WINDOW_TYPE");
    const auto typeUtility = intern(conn_, "_NET_WM_WINDOW_TYPE_UTILITY");
    const auto compositor = intern(conn_, "_NET_WM_CM_S" + std::to_string(screenNumber));
    atoms_.utf8 = atomOf(conn_, utf8);
    atoms_.netWmName = atomOf(conn_, netWmName);
    atoms_.windowType = atomOf(conn_, windowType);
    atoms_.typeUtility = atomOf(conn_, typeUtility);
    atoms_.compositor = atomOf(conn_, compositor);
    askCompositor();
    QCoreApplication::instance()->installNativeEventFilter(this);
}

SwitcherPanelWindow::~SwitcherPanelWindow() {
    if (!conn_) return;
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
    if (compositorAsked_) xcb_discard_reply(conn_, compositorAsked_->sequence);
    if (pointerAsked_) xcb_discard_reply(conn_, pointerAsked_->sequence);
    destroyWindow();
    xcb_flush(conn_);
}

void SwitcherPanelWindow::setView(SwitcherView* view) {
    view_ = view;
    redraw();
}

double SwitcherPanelWindow::scale() const {
    const QScreen* screen = QGuiApplication::screenAt(shown_.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->devicePixelRatio() : 1.0;
}

SwitcherPanelWindow::Part SwitcherPanelWindow::partFor(const Rect& frame) {
    const int width = std::max(1, int(std::ceil(frame.width - 1e-9)));
    const int height = std::max(1, int(std::ceil(frame.height - 1e-9)));
    const QRect full(int(std::lround(frame.x)), int(std::lround(frame.y)), width, height);
    // With hundreds of windows the panel is taller than its screen: the window covers only
    // the rows on screens (a picture a quarter the size to paint and send at every opening)
    // and the view scrolls inside it.
    QRect screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens |= s->geometry();
    QRect shown = full;
    if (!screens.isEmpty()) {
        shown.setTop(std::max(full.top(), screens.top()));
        shown.setBottom(std::min(full.bottom(), screens.bottom()));
        if (shown.height() <= 0) shown = full;
    }
    // A cut panel opens on its top rows: the bar and the preselected tile.
    return {shown, QPoint(full.left() - shown.left(), 0), full.size()};
}

QPoint SwitcherPanelWindow::scrolled(QPoint origin) const {
    const int hidden = viewSize().height() - shown_.height();
    if (hidden <= 0 || !view_) return origin;
    int y = origin.y();
    const int sel = view_->sel;
    if (sel >= 0 && sel < int(view_->cells.size())) {
        // Just enough to bring the whole selected tile into the window, with a margin.
        const Rect tile = view_->tileRect(sel);
        const int margin = int(view_->gap);
        const int top = int(std::floor(tile.y)) - margin;
        const int bottom = int(std::ceil(tile.y + tile.height)) + margin;
        if (top + y < 0) y = -top;
        if (bottom + y > shown_.height()) y = shown_.height() - bottom;
    }
    return QPoint(origin.x(), std::clamp(y, -hidden, 0));
}

void SwitcherPanelWindow::setFrame(const Rect& frame) {
    const Part part = partFor(frame);
    shown_ = part.shown;
    viewOrigin_ = part.viewOrigin;
    viewSize_ = part.viewSize;
    if (!visible_) return;
    if (conn_) {
        place(false);
        updateShape();
    }
    redraw();
}

void SwitcherPanelWindow::redraw() {
    if (visible_) redrawSoon_.start();
    accessible_.update(view_, visible_, shown_.topLeft() + viewOrigin_);
}

DrawList SwitcherPanelWindow::currentList() const {
    if (!view_) return {};
    const QSize view = viewSize();
    return view_->draw({double(view.width()), double(view.height())},
                       Rect{double(-viewOrigin_.x()), double(-viewOrigin_.y()),
                            double(shown_.width()), double(shown_.height())});
}

Rect SwitcherPanelWindow::visiblePart(const Rect& frame) const {
    const Part part = partFor(frame);
    return {double(-part.viewOrigin.x()), double(-part.viewOrigin.y()), double(part.shown.width()),
            double(part.shown.height())};
}

void SwitcherPanelWindow::paint(Picture& picture, DrawList list, QSize size, QPoint origin,
                                double ratio) {
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    // Only the window's part of the view: the rest of a panel taller than its screen is
    // never seen.
    p.translate(origin);
    painter_.paint(p, list, QRectF(QPointF(0, 0), QSizeF(size)).translated(-origin));
    p.end();
    picture.image = std::move(image);
    picture.list = std::move(list);
    picture.size = size;
    picture.origin = origin;
    picture.scale = ratio;
    picture.valid = true;
    if (conn_) upload(picture);
}

QImage SwitcherPanelWindow::snapshot(double ratio) {
    const QSize view = viewSize();
    QImage image(view * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    if (view_) {
        QPainter painter(&image);
        painter_.paint(painter, view_->draw({double(view.width()), double(view.height())}));
    }
    return image;
}

bool SwitcherPanelWindow::refresh() {
    // A panel taller than its window scrolls to keep the selection in sight.
    if (const QPoint origin = scrolled(viewOrigin_); origin != viewOrigin_) {
        viewOrigin_ = origin;
        if (conn_) updateShape();
    }
    DrawList list = currentList();
    const double ratio = scale();
    const QSize size = shown_.size();
    if (current_.shows(list, size, viewOrigin_, ratio)) return false;
    if (ahead_.shows(list, size, viewOrigin_, ratio)) {
        // Painted ahead: the showing only swaps the pixmap in.
        std::swap(current_, ahead_);
    } else {
        paint(current_, std::move(list), size, viewOrigin_, ratio);
    }
    setBackground(current_);
    return true;
}

void SwitcherPanelWindow::prepare(const Rect& frame, const DrawList& list) {
    if (visible_) return;
    if (conn_) {
        // The pixmap's depth follows the compositor: asked now, and again for the showing.
        composited_ = compositorRunning();
        askCompositor();
        // A window made for another depth drops the pictures: made first, then painted.
        ensureWindow();
    }
    const Part part = partFor(frame);
    const double ratio = scale();
    const QSize size = part.shown.size();
    if (current_.shows(list, size, part.viewOrigin, ratio) ||
        ahead_.shows(list, size, part.viewOrigin, ratio))
        return;
    paint(ahead_, list, size, part.viewOrigin, ratio);
    if (conn_) xcb_flush(conn_);
}

void SwitcherPanelWindow::upload(Picture& picture) {
    // The window exists: the pixmap takes its depth.
    const QImage& image = picture.image;
    const QSize size = image.size();
    if (picture.pixmap == XCB_NONE || picture.pixmapSize != size) {
        if (picture.pixmap != XCB_NONE) xcb_free_pixmap(conn_, picture.pixmap);
        picture.pixmap = xcb_generate_id(conn_);
        xcb_create_pixmap(conn_, depth_, picture.pixmap, window_, std::uint16_t(size.width()),
                          std::uint16_t(size.height()));
        picture.pixmapSize = size;
    }
    if (gc_ == XCB_NONE) {
        gc_ = xcb_generate_id(conn_);
        xcb_create_gc(conn_, gc_, picture.pixmap, 0, nullptr);
    }
    // In bands that fit one request; a 32-bit pixel is what both depths take in Z format.
    const std::uint32_t maxBytes = xcb_get_maximum_request_length(conn_) * 4u - 64u;
    const int stride = int(image.bytesPerLine());
    if (stride <= 0) return;
    const int rowsPerBand = std::max(1, int(maxBytes / std::uint32_t(stride)));
    for (int y = 0; y < size.height(); y += rowsPerBand) {
        const int rows = std::min(rowsPerBand, size.height() - y);
        xcb_put_image(conn_, XCB_IMAGE_FORMAT_Z_PIXMAP, picture.pixmap, gc_,
                      std::uint16_t(size.width()), std::uint16_t(rows), 0, std::int16_t(y), 0,
                      depth_, std::uint32_t(stride * rows), image.constScanLine(y));
    }
}

void SwitcherPanelWindow::setBackground(const Picture& picture) {
    if (!conn_ || picture.pixmap == XCB_NONE) return;
    // Set again even when unchanged: the server may have copied the pixmap when it was set.
    xcb_change_window_attributes(conn_, window_, XCB_CW_BACK_PIXMAP, &picture.pixmap);
    if (mapped_) xcb_clear_area(conn_, 0, window_, 0, 0, 0, 0);
}

void SwitcherPanelWindow::freePicture(Picture& picture) {
    if (conn_ && picture.pixmap != XCB_NONE) xcb_free_pixmap(conn_, picture.pixmap);
    picture = Picture{};
}

void SwitcherPanelWindow::show() {
    visible_ = true;
    unmapSoon_.stop();
    if (!conn_) {
        refresh();
        accessible_.update(view_, true, shown_.topLeft() + viewOrigin_);
        return;
    }
    composited_ = compositorRunning();
    place(true);
    updateShape();
    // The picture goes in before the map: the server shows it as it maps the window.
    refresh();
    xcb_map_window(conn_, window_);
    mapped_ = true;
    if (pointerAsked_) xcb_discard_reply(conn_, pointerAsked_->sequence);
    pointerAsked_ = xcb_query_pointer(conn_, window_);
    pointerInside_ = false;
    xcb_flush(conn_);
    accessible_.update(view_, true, shown_.topLeft() + viewOrigin_);
}

void SwitcherPanelWindow::place(bool raise) {
    ensureWindow();
    const QRect device = scaled(shown_, scale());
    const std::uint32_t values[] = {std::uint32_t(device.x()), std::uint32_t(device.y()),
                                    std::uint32_t(device.width()), std::uint32_t(device.height()),
                                    XCB_STACK_MODE_ABOVE};
    std::uint16_t mask = XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                         XCB_CONFIG_WINDOW_HEIGHT;
    if (raise) mask |= XCB_CONFIG_WINDOW_STACK_MODE;
    xcb_configure_window(conn_, window_, mask, values);
}

void SwitcherPanelWindow::hide() {
    if (!visible_) return;
    visible_ = false;
    redrawSoon_.stop();
    accessible_.update(view_, false, {});
    if (!conn_ || window_ == XCB_NONE) return;
    if (pointerAsked_) {
        XcbPtr<xcb_query_pointer_reply_t> pointer(
            xcb_query_pointer_reply(conn_, *pointerAsked_, nullptr));
        pointerAsked_.reset();
        const QSize size = scaled(shown_, scale()).size();
        if (pointer && pointer->same_screen &&
            QRect(QPoint(), size).contains(pointer->win_x, pointer->win_y))
            pointerInside_ = true;
    }
    if (std::exchange(pointerInside_, false)) {
        // Where focus follows the mouse, the window the pointer lands on takes the focus: the
        // unmap has to be done before a focus request that follows (on another connection),
        // or the request loses. A round trip, which waits for the server's unmapping (some
        // 20 ms over a thousand windows).
        unmap();
        XcbPtr<xcb_get_input_focus_reply_t>(
            xcb_get_input_focus_reply(conn_, xcb_get_input_focus(conn_), nullptr));
    } else {
        // Otherwise the focus request goes to the server first, ahead of that cost.
        unmapSoon_.start();
    }
}

void SwitcherPanelWindow::unmap() {
    unmapSoon_.stop();
    if (!mapped_ || window_ == XCB_NONE) return;
    xcb_unmap_window(conn_, window_);
    mapped_ = false;
    askCompositor();
    xcb_flush(conn_);
}

void SwitcherPanelWindow::ensureWindow() {
    if (!conn_) return;
    if (window_ != XCB_NONE && windowComposited_ == composited_) return;
    destroyWindow();
    windowComposited_ = composited_;
    const auto argb = composited_ ? argbVisual(*screen_) : std::nullopt;
    xcb_visualid_t visual = screen_->root_visual;
    depth_ = screen_->root_depth;
    if (argb) {
        visual = *argb;
        depth_ = 32;
        colormap_ = xcb_generate_id(conn_);
        xcb_create_colormap(conn_, XCB_COLORMAP_ALLOC_NONE, colormap_, screen_->root, visual);
    }
    window_ = xcb_generate_id(conn_);
    const QRect device = scaled(shown_.isEmpty() ? QRect(0, 0, 1, 1) : shown_, scale());
    // Value order follows the attribute bits: back pixmap, border pixel, override-redirect,
    // event mask, colormap.
    std::vector<std::uint32_t> values{
        XCB_BACK_PIXMAP_NONE, 0, takesKeyboard_ ? 0u : 1u,
        XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_ENTER_WINDOW |
            (takesKeyboard_ ? std::uint32_t(XCB_EVENT_MASK_FOCUS_CHANGE) : 0u)};
    std::uint32_t mask =
        XCB_CW_BACK_PIXMAP | XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK;
    if (colormap_ != XCB_NONE) {
        values.push_back(colormap_);
        mask |= XCB_CW_COLORMAP;
    }
    xcb_create_window(conn_, depth_, window_, screen_->root, std::int16_t(device.x()),
                      std::int16_t(device.y()), std::uint16_t(device.width()),
                      std::uint16_t(device.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, visual,
                      mask, values.data());
    xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        sizeof windowTitle - 1, windowTitle);
    if (atoms_.netWmName != XCB_NONE && atoms_.utf8 != XCB_NONE)
        xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, window_, atoms_.netWmName, atoms_.utf8, 8,
                            sizeof windowTitle - 1, windowTitle);
    xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING,
                        8, sizeof windowClass, windowClass);
    if (atoms_.windowType != XCB_NONE && atoms_.typeUtility != XCB_NONE && !takesKeyboard_)
        xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, window_, atoms_.windowType, XCB_ATOM_ATOM,
                            32, 1, &atoms_.typeUtility);
    shapedFor_ = QRect();
}

void SwitcherPanelWindow::destroyWindow() {
    if (!conn_) return;
    // The pictures' pixmaps have the old window's depth.
    freePicture(current_);
    freePicture(ahead_);
    if (gc_ != XCB_NONE) xcb_free_gc(conn_, gc_);
    if (window_ != XCB_NONE) xcb_destroy_window(conn_, window_);
    if (colormap_ != XCB_NONE) xcb_free_colormap(conn_, colormap_);
    gc_ = window_ = colormap_ = XCB_NONE;
    mapped_ = false;
}

void SwitcherPanelWindow::updateShape() {
    const QRect key(viewOrigin_, viewSize());
    if (window_ == XCB_NONE || shapedFor_ == key) return;
    shapedFor_ = key;
    if (windowComposited_ && depth_ == 32) {
        // Translucent corners: no shape needed.
        xcb_shape_mask(conn_, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, window_, 0, 0, XCB_NONE);
        return;
    }
    // Workaround: without a compositor X has no per-pixel alpha, so the window's shape is cut
    // to the rounded background instead.
    const double ratio = scale();
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(viewOrigin_) * ratio, QSizeF(viewSize()) * ratio),
                        cornerRadius * ratio, cornerRadius * ratio);
    const QRegion region(path.toFillPolygon().toPolygon());
    std::vector<xcb_rectangle_t> rects;
    for (const QRect& r : region)
        rects.push_back({std::int16_t(r.x()), std::int16_t(r.y()), std::uint16_t(r.width()),
                         std::uint16_t(r.height())});
    xcb_shape_rectangles(conn_, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, XCB_CLIP_ORDERING_UNSORTED,
                         window_, 0, 0, std::uint32_t(rects.size()), rects.data());
}

void SwitcherPanelWindow::askCompositor() {
    if (!conn_ || atoms_.compositor == XCB_NONE || compositorAsked_) return;
    compositorAsked_ = xcb_get_selection_owner(conn_, atoms_.compositor);
}

bool SwitcherPanelWindow::compositorRunning() {
    // Compositors come and go: asked at every hiding, answered by the next showing.
    if (!compositorAsked_) return composited_;
    XcbPtr<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(conn_, *compositorAsked_, nullptr));
    compositorAsked_.reset();
    return owner && owner->owner != XCB_WINDOW_NONE;
}

void SwitcherPanelWindow::pressAt(QPointF at, bool altHeld) {
    if (!view_) return;
    const QPointF p = at - QPointF(viewOrigin_);
    view_->press({p.x(), p.y()}, altHeld);
}

void SwitcherPanelWindow::moveAt(QPointF at) {
    if (!view_) return;
    const QPointF p = at - QPointF(viewOrigin_);
    view_->mouseMoved({p.x(), p.y()});
}

bool SwitcherPanelWindow::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
    if (window_ == XCB_NONE || type != "xcb_generic_event_t") return false;
    const auto* ev = static_cast<const xcb_generic_event_t*>(message);
    switch (ev->response_type & 0x7f) {
    case XCB_BUTTON_PRESS: {
        const auto* press = reinterpret_cast<const xcb_button_press_event_t*>(ev);
        if (press->event != window_) return false;
        if (press->detail == XCB_BUTTON_INDEX_1) {
            const double ratio = scale();
            // Alt is whichever ModN the keymap puts it on, as the key source reads it; read at
            // the click, since the mapping can change at any time.
            const auto map = KeyboardMap::load(conn_);
            const std::uint16_t alt = map ? map->masks().option : std::uint16_t(XCB_MOD_MASK_1);
            pressAt(QPointF(press->event_x, press->event_y) / ratio,
                    alt != 0 && (press->state & alt) != 0);
        }
        return true;
    }
    case XCB_MOTION_NOTIFY: {
        const auto* motion = reinterpret_cast<const xcb_motion_notify_event_t*>(ev);
        if (motion->event != window_) return false;
        pointerInside_ = true;
        moveAt(QPointF(motion->event_x, motion->event_y) / scale());
        return true;
    }
    case XCB_ENTER_NOTIFY:
        if (reinterpret_cast<const xcb_enter_notify_event_t*>(ev)->event != window_) return false;
        pointerInside_ = true;
        return true;
    case XCB_FOCUS_IN:
        if (reinterpret_cast<const xcb_focus_in_event_t*>(ev)->event != window_) return false;
        if (onKeyboard) onKeyboard();
        return true;
    default:
        return false;
    }
}

} // namespace morvelan
