// Warnings: the texts the tray shows instead of the active context when the hotkeys cannot work.
#pragma once

#include <string_view>

namespace morvelan::warnings {

// No working key source: the X connection failed, or another program grabbed a binding.
inline constexpr std::string_view hotkeysUnavailable =
    "Hotkeys unavailable — shortcut taken by another program";
// Another program holds the whole keyboard, so the bindings never fire.
inline constexpr std::string_view keyboardHeld =
    "Hotkeys blocked — another program holds the keyboard";

} // namespace morvelan::warnings
