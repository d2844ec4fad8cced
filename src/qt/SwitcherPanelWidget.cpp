// SwitcherPanelWidget: an override-redirect tool window with a translucent rounded background.
#include "qt/SwitcherPanelWidget.h"

#include "core/switcher/SwitcherView.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>

#include <xcb/xcb.h>

#include <cmath>
#include <cstdlib>
#include <memory>

namespace morvelan {

namespace {

constexpr double cornerRadius = 16;

// Whether a compositing manager runs on the X display (it owns _NET_WM_CM_S0). Without one
// the translucent corners would show as black squares.
bool compositorRunning() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) return false;
    static constexpr char name[] = "_NET_WM_CM_S0";
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof name - 1, name), nullptr),
        &std::free);
    if (!atom || atom->atom == XCB_ATOM_NONE) return false;
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr),
        &std::free);
    return owner && owner->owner != XCB_WINDOW_NONE;
}

} // namespace

SwitcherPanelWidget::SwitcherPanelWidget(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setWindowTitle(QStringLiteral("Morvelan Switcher"));
}

void SwitcherPanelWidget::setView(SwitcherView* view) {
    view_ = view;
    update();
}

void SwitcherPanelWidget::show() {
    composited_ = compositorRunning();
    updateMask();
    QWidget::show();
    raise();
}

void SwitcherPanelWidget::hide() {
    QWidget::hide();
}

bool SwitcherPanelWidget::isVisible() const {
    return QWidget::isVisible();
}

void SwitcherPanelWidget::setFrame(const Rect& frame) {
    const int width = std::max(1, int(std::ceil(frame.width - 1e-9)));
    const int height = std::max(1, int(std::ceil(frame.height - 1e-9)));
    const QRect full(int(std::lround(frame.x)), int(std::lround(frame.y)), width, height);
    // With hundreds of windows the panel is taller than its screen: the window covers only
    // the rows on screens (a backing store a quarter the size to fill and send at every
    // opening) and the view is drawn shifted up by what is cut off.
    QRect screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens |= s->geometry();
    QRect shown = full;
    if (!screens.isEmpty()) {
        shown.setTop(std::max(full.top(), screens.top()));
        shown.setBottom(std::min(full.bottom(), screens.bottom()));
        if (shown.height() <= 0) shown = full;
    }
    viewOrigin_ = full.topLeft() - shown.topLeft();
    viewSize_ = full.size();
    setGeometry(shown);
}

void SwitcherPanelWidget::redraw() {
    update();
}

QImage SwitcherPanelWidget::snapshot(double scale) {
    const QSize view = viewSize();
    QImage image(view * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    if (view_) {
        QPainter painter(&image);
        painter_.paint(painter, view_->draw({double(view.width()), double(view.height())}));
    }
    return image;
}

void SwitcherPanelWidget::paintEvent(QPaintEvent* event) {
    if (!view_) return;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(event->rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    // Only the window's part of the view: the rest of a panel taller than its screen is
    // never seen.
    painter.translate(viewOrigin_);
    const QSize view = viewSize();
    painter_.paint(painter, view_->draw({double(view.width()), double(view.height())}),
                   QRectF(event->rect()).translated(-viewOrigin_));
}

void SwitcherPanelWidget::mousePressEvent(QMouseEvent* event) {
    if (!view_ || event->button() != Qt::LeftButton) return;
    const QPointF at = event->position() - viewOrigin_;
    view_->press({at.x(), at.y()}, event->modifiers().testFlag(Qt::AltModifier));
}

void SwitcherPanelWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!view_) return;
    const QPointF at = event->position() - viewOrigin_;
    view_->mouseMoved({at.x(), at.y()});
}

void SwitcherPanelWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateMask();
}

void SwitcherPanelWidget::updateMask() {
    // Workaround: without a compositor X has no per-pixel alpha, so the window's shape is cut
    // to the rounded background instead.
    if (composited_) {
        clearMask();
        return;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(QRect(viewOrigin_, viewSize())), cornerRadius, cornerRadius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

} // namespace morvelan
