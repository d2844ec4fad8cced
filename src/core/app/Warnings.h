// Warnings: the texts the tray shows instead of the active context when the hotkeys cannot work
// (a binding another program holds has its own text, BindingNotes::warning).
#pragma once

#include <string>
#include <string_view>

namespace morvelan::warnings {

// No working key source: the X server cannot be reached.
inline constexpr std::string_view hotkeysUnavailable =
    "Hotkeys unavailable — the keyboard cannot be read";
// Another program holds the whole keyboard, so the bindings never fire.
inline constexpr std::string_view keyboardHeld =
    "Hotkeys blocked — another program holds the keyboard";

// A file of the user's exists but cannot be read (permissions, a special file): it is left
// alone and nothing is saved over it meanwhile.
inline std::string unreadableFile(std::string_view name) {
    return "Can't read " + std::string(name) + " — changes are not saved until it is readable";
}

} // namespace morvelan::warnings
