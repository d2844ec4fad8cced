// QtAlerts: the Alerts of the Qt shell, as QMessageBox dialogs raised over other windows.
#pragma once

#include "core/platform/Alerts.h"

namespace morvelan {

class QtAlerts : public Alerts {
public:
    // The narrowest an alert is drawn, in pixels.
    static constexpr int minimumWidth = 420;

    int show(const Alert& alert) override;
};

} // namespace morvelan
