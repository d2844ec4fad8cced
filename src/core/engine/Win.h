// Win: one live window, or a placeholder for a running application without windows.
#pragma once

#include "core/platform/Desktop.h"

#include <string>

namespace morvelan {

struct Win {
    Pid pid = 0;
    std::string bundleID;
    std::string appName;
    std::string title;
    WindowID wid = 0; // 0 when unknown; 0x80000000 | pid for a placeholder
    Element ax;       // null for window-server-only windows and placeholders

    bool isPlaceholder() const { return (wid & placeholderBit) != 0; }

    static constexpr WindowID placeholderBit = 0x80000000u;
};

} // namespace morvelan
