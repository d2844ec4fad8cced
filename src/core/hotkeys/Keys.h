// Keys: the display text of a binding, such as "⌃⌥Space" or "⇧⌘5".
#pragma once

#include "core/hotkeys/KeyBind.h"

#include <cstdint>
#include <map>
#include <string>

namespace morvelan::Keys {

// Key code → letter or digit of the ANSI layout's letter and digit keys.
const std::map<int, std::string>& ansi();

// "⌃", "⌥", "⇧", "⌘" in that order for the bits that are set; "" when none is.
std::string mods(std::uint64_t bits);

// The key's name: Return, Tab, Space, Esc, arrows, letters and digits; otherwise "key" + code.
std::string name(int keyCode);

// The modifiers directly followed by the key name.
std::string text(const KeyBind& bind);

} // namespace morvelan::Keys
