// KeyText: the display text of a binding.
#include "core/hotkeys/KeyText.h"

namespace morvelan::KeyText {

std::string mods(std::uint64_t bits) {
    std::string out;
    if (bits & Modifier::control) out += "⌃";
    if (bits & Modifier::option) out += "⌥";
    if (bits & Modifier::shift) out += "⇧";
    if (bits & Modifier::command) out += "⌘";
    return out;
}

std::string name(int keyCode) {
    switch (keyCode) {
    case Key::returnKey:
        return "Return";
    case Key::tab:
        return "Tab";
    case Key::space:
        return "Space";
    case Key::escape:
        return "Esc";
    case Key::left:
        return "←";
    case Key::right:
        return "→";
    case Key::down:
        return "↓";
    case Key::up:
        return "↑";
    default:
        break;
    }
    for (const auto& [code, character] : Key::characters)
        if (code == keyCode) return std::string(1, character);
    return "key" + std::to_string(keyCode);
}

std::string of(const KeyBind& bind) {
    return mods(bind.mods) + name(bind.keyCode);
}

} // namespace morvelan::KeyText
