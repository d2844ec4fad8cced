// RecorderButton: shows an action's hotkey and records a new one when pressed.
#pragma once

#include "core/settings/SettingsModel.h"

#include <QPushButton>

namespace morvelan {

class RecorderButton : public QPushButton {
    Q_OBJECT
public:
    static constexpr int minWidth = 130;

    RecorderButton(SettingsModel& model, HotkeyAction action, QWidget* parent = nullptr);
    void refresh();
    HotkeyAction action() const { return action_; }

private:
    SettingsModel& model_;
    HotkeyAction action_;
};

} // namespace morvelan
