// ToggleSwitch: an on/off switch drawn in the accent colour, the toggle of the settings forms.
#pragma once

#include <QAbstractButton>

namespace morvelan {

class ToggleSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit ToggleSwitch(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace morvelan
