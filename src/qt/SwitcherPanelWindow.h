// SwitcherPanelWindow: the switcher's floating panel as a bare X window whose background is
// the panel's picture, so the X server shows it complete the moment it is mapped.
#pragma once

#include "core/switcher/DrawList.h"
#include "core/switcher/SwitcherPanel.h"
#include "qt/DrawListPainter.h"
#include "qt/SwitcherAccessible.h"

#include <QAbstractNativeEventFilter>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QTimer>

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <optional>

namespace morvelan {

class SwitcherPanelWindow final : public SwitcherPanel, private QAbstractNativeEventFilter {
public:
    // On Qt's X11 connection; without one (another platform, tests) nothing is put on a
    // screen, while the state, the picture and the input still work.
    SwitcherPanelWindow();
    ~SwitcherPanelWindow() override;
    SwitcherPanelWindow(const SwitcherPanelWindow&) = delete;
    SwitcherPanelWindow& operator=(const SwitcherPanelWindow&) = delete;

    // On XWayland under sway the panel is a managed window (the shell's rule makes it
    // floating, borderless and sticky), so that sway gives it the keyboard when it shows:
    // Wayland has no key grabs. Set before the first show.
    void setTakesKeyboard(bool on) { takesKeyboard_ = on; }
    // Then called when the window gets the keyboard focus.
    std::function<void()> onKeyboard;

    // SwitcherPanel
    void setView(SwitcherView* view) override;
    void show() override;
    void hide() override;
    bool isVisible() const override { return visible_; }
    void setFrame(const Rect& frame) override;
    void redraw() override;
    // Paints the picture ahead into a second pixmap; a showing that draws exactly the same
    // only swaps it in.
    void prepare(const Rect& frame, const DrawList& list) override;
    Rect visiblePart(const Rect& frame) const override;

    // The window's rectangle on the screen, in Qt's (logical) pixels.
    QRect geometry() const { return shown_; }
    // Where the view's top-left corner lies in the window: above it when the panel is taller
    // than its screen, the window covers only the screen's part, and the view has scrolled.
    QPoint viewOrigin() const { return viewOrigin_; }
    // The whole view as it is now at `scale` device pixels per pixel (tests, screenshots).
    QImage snapshot(double scale = 1);
    // What screen readers are told.
    const SwitcherAccessible& accessible() const { return accessible_; }
    // The window's part, as the screen shows it.
    QImage picture() const { return current_.image; }
    // The X window, once shown (none without an X connection).
    xcb_window_t window() const { return window_; }

    // Mouse input at `at`, in the window's logical pixels (what the X events carry, scaled).
    void pressAt(QPointF at, bool altHeld);
    void moveAt(QPointF at);

private:
    struct Atoms {
        xcb_atom_t utf8 = XCB_NONE, netWmName = XCB_NONE, windowType = XCB_NONE,
                   typeUtility = XCB_NONE, compositor = XCB_NONE;
    };

    // The part of a frame a window covers: the frame cut to the screens' rows.
    struct Part {
        QRect shown;
        QPoint viewOrigin; // the view's top-left corner in the window
        QSize viewSize;
    };
    static Part partFor(const Rect& frame);
    // `origin` moved as little as keeps the selected tile inside the window.
    QPoint scrolled(QPoint origin) const;

    // A picture of the window's part of a draw list, and the pixmap holding it.
    struct Picture {
        DrawList list;
        QSize size;
        QPoint origin;
        double scale = 0;
        QImage image;
        xcb_pixmap_t pixmap = XCB_NONE;
        QSize pixmapSize;
        bool valid = false;

        bool shows(const DrawList& l, QSize s, QPoint o, double sc) const {
            return valid && size == s && origin == o && scale == sc && list == l;
        }
    };

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

    QSize viewSize() const { return viewSize_.isEmpty() ? shown_.size() : viewSize_; }
    double scale() const;
    DrawList currentList() const;
    // Paints `list` into `picture` for a window of `size` whose view starts at `origin`.
    void paint(Picture& picture, DrawList list, QSize size, QPoint origin, double ratio);
    // Brings the window's background up to date with the view; true when it changed.
    bool refresh();
    void upload(Picture& picture);
    void setBackground(const Picture& picture);
    void freePicture(Picture& picture);
    void ensureWindow();
    // Moves and sizes the window to the frame; raised above every window when asked.
    void place(bool raise);
    void destroyWindow();
    void unmap();
    void updateShape();
    // Asks who owns the compositor selection; the answer is read at the next showing.
    void askCompositor();
    bool compositorRunning();

    SwitcherView* view_ = nullptr;
    QRect shown_;
    QPoint viewOrigin_;
    QSize viewSize_;
    bool visible_ = false;
    mutable DrawListPainter painter_; // keeps laid-out texts and scaled icons
    SwitcherAccessible accessible_;
    QTimer redrawSoon_;
    QTimer unmapSoon_;

    Picture current_; // the window's background
    Picture ahead_;   // painted for a showing to come

    xcb_connection_t* conn_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
    Atoms atoms_;
    std::optional<xcb_get_selection_owner_cookie_t> compositorAsked_;
    bool composited_ = false;
    xcb_window_t window_ = XCB_NONE;
    bool windowComposited_ = false;
    bool mapped_ = false;
    // Whether the pointer is over the shown panel: asked at the map, then followed.
    std::optional<xcb_query_pointer_cookie_t> pointerAsked_;
    bool pointerInside_ = false;
    bool takesKeyboard_ = false;
    std::uint8_t depth_ = 0;
    xcb_colormap_t colormap_ = XCB_NONE;
    xcb_gcontext_t gc_ = XCB_NONE;
    QRect shapedFor_;
};

} // namespace morvelan
