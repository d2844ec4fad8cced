// SwitcherPanelWidget: the switcher's floating panel — never focused, above everything,
// painting the view's draw list and passing clicks and hovering to it.
#pragma once

#include "core/switcher/SwitcherPanel.h"
#include "qt/DrawListPainter.h"

#include <QWidget>

namespace morvelan {

class SwitcherPanelWidget : public QWidget, public SwitcherPanel {
    Q_OBJECT
public:
    explicit SwitcherPanelWidget(QWidget* parent = nullptr);

    // SwitcherPanel
    void setView(SwitcherView* view) override;
    void show() override;
    void hide() override;
    bool isVisible() const override;
    void setFrame(const Rect& frame) override;
    void redraw() override;

    // Paints the whole view as it is now into an image of the view's size at `scale` device
    // pixels per pixel (for tests and screenshots).
    QImage snapshot(double scale = 1);
    // Where the view's top-left corner lies in the window: above it when the panel is taller
    // than its screen and the window covers only the screen's part.
    QPoint viewOrigin() const { return viewOrigin_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateMask();
    QSize viewSize() const { return viewSize_.isEmpty() ? size() : viewSize_; }

    SwitcherView* view_ = nullptr;
    QPoint viewOrigin_;
    QSize viewSize_;
    bool composited_ = false; // checked again on every show: compositors come and go
    DrawListPainter painter_;
};

} // namespace morvelan
