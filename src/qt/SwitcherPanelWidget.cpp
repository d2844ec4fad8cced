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
    setGeometry(int(std::lround(frame.x)), int(std::lround(frame.y)), width, height);
}

void SwitcherPanelWidget::redraw() {
    update();
}

QImage SwitcherPanelWidget::snapshot(double scale) {
    QImage image(size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    if (view_) {
        QPainter painter(&image);
        painter_.paint(painter, view_->draw({double(width()), double(height())}));
    }
    return image;
}

void SwitcherPanelWidget::paintEvent(QPaintEvent* event) {
    if (!view_) return;
    // With hundreds of windows the panel runs past its screen: only the part on a screen
    // is painted.
    QRect onScreens;
    for (const QScreen* s : QGuiApplication::screens())
        onScreens |= rect() & QRect(mapFromGlobal(s->geometry().topLeft()), s->geometry().size());
    const QRect visible = event->rect() & (onScreens.isEmpty() ? rect() : onScreens);
    if (visible.isEmpty()) return;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(visible, Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_.paint(painter, view_->draw({double(width()), double(height())}), visible);
}

void SwitcherPanelWidget::mousePressEvent(QMouseEvent* event) {
    if (!view_ || event->button() != Qt::LeftButton) return;
    const QPointF at = event->position();
    view_->press({at.x(), at.y()}, event->modifiers().testFlag(Qt::AltModifier));
}

void SwitcherPanelWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!view_) return;
    const QPointF at = event->position();
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
    path.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

} // namespace morvelan
