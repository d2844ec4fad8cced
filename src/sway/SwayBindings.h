// SwayBindings: the switcher's key bindings on sway, where no program can grab keys: sway runs
// `morvelan switcher` on them. Added for the session through IPC when the user's
// configuration has none on the same keys.
#pragma once

#include "sway/SwayIpc.h"

#include <string>
#include <string_view>
#include <vector>

namespace morvelan {

// Whether the sway configuration text `config` binds `combo` ("Mod4+Tab"), also through
// variables ("$mod+Tab") and in any order or case of the parts.
bool bindsCombo(std::string_view config, std::string_view combo);

// Binds Mod4+Tab to `executable switcher` and Mod1+Tab to `executable switcher --confined`
// where the loaded configuration binds neither; returns one line for the log per binding
// added or refused.
std::vector<std::string> addSwitcherBindings(SwayIpc& ipc, const std::string& executable);

} // namespace morvelan
