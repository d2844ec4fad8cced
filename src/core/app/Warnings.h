// Warnings: the texts the tray shows instead of the active context when the hotkeys cannot work
// (a binding another program holds has its own text, BindingNotes::warning).
#pragma once

#include <string_view>

namespace morvelan::warnings {

// No working key source: the X server cannot be reached.
inline constexpr std::string_view hotkeysUnavailable =
    "Hotkeys unavailable — the keyboard cannot be read";
// Another program holds the whole keyboard, so the bindings never fire.
inline constexpr std::string_view keyboardHeld =
    "Hotkeys blocked — another program holds the keyboard";

} // namespace morvelan::warnings
