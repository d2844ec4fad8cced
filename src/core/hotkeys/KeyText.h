// KeyText: the display text of a binding as Linux desktops write it, such as "Super+Tab" or
// "Ctrl+Alt+Space".
#pragma once

#include "core/hotkeys/KeyBind.h"
#include "core/platform/KeyLabels.h"

#include <cstdint>
#include <string>

namespace morvelan::KeyText {

// "Ctrl+", "Alt+", "Shift+", "Super+" in that order for the bits that are set; "" when none is.
std::string mods(std::uint64_t bits);

// The key's name: what it types on the current layout when `labels` knows (a keycap's "`",
// "A", "Ö"), else its English name (Tab, Space, Left, F5, Keypad 5) or the character it types
// on a US keyboard; "key" + code only for a code no keyboard has.
std::string name(int keyCode, const KeyLabels* labels = nullptr);

// The modifiers followed by the key name: "Super+`".
std::string of(const KeyBind& bind, const KeyLabels* labels = nullptr);

} // namespace morvelan::KeyText
