// KeyText: the display text of a binding, such as "⌃⌥Space" or "⇧⌘5".
#pragma once

#include "core/hotkeys/KeyBind.h"

#include <cstdint>
#include <string>

namespace morvelan::KeyText {

// "⌃", "⌥", "⇧", "⌘" in that order for the bits that are set; "" when none is.
std::string mods(std::uint64_t bits);

// The key's name: Return, Tab, Space, Esc, arrows, letters and digits; otherwise "key" + code.
std::string name(int keyCode);

// The modifiers directly followed by the key name.
std::string of(const KeyBind& bind);

} // namespace morvelan::KeyText
