// QtAlerts: the Alerts of the Qt shell, as QMessageBox dialogs raised over other windows.
#pragma once

#include "core/platform/Alerts.h"

namespace morvelan {

class QtAlerts : public Alerts {
public:
    int show(const Alert& alert) override;
};

} // namespace morvelan
