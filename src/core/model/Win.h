// Win: one live window as the program works with it — its application, title and run-unique id.
#pragma once

#include "core/platform/WindowSystem.h"

#include <optional>
#include <string>

namespace morvelan {

struct Win {
    Pid pid = 0;
    std::string bundleID; // the application id; "" when there is none
    std::string appName;  // "" when there is none
    std::string title;
    WindowID wid = 0;
    // The desktop it is on (from 0) when that is not the current one; the switcher badges it.
    std::optional<int> otherDesktop;
};

} // namespace morvelan
