// ToggleSwitch: a checkable button painted as a pill with a sliding knob.
#include "qt/ToggleSwitch.h"

#include "qt/SettingsStyle.h"

#include <QPainter>

namespace morvelan {

ToggleSwitch::ToggleSwitch(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const {
    return {38, 22};
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
    QColor on = settingsStyle::accent();
    QColor off = palette().color(QPalette::WindowText);
    off.setAlphaF(0.18);
    if (!isEnabled()) on.setAlphaF(0.4);
    p.setPen(hasFocus() ? QPen(on.darker(130), 1.5) : Qt::NoPen);
    p.setBrush(isChecked() ? on : off);
    p.drawRoundedRect(track, track.height() / 2, track.height() / 2);

    const qreal d = track.height() - 4;
    const qreal x = isChecked() ? track.right() - 2 - d : track.left() + 2;
    p.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(x, track.top() + 2, d, d));
}

} // namespace morvelan
