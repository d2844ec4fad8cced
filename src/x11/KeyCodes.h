// KeyCodes: X keysyms and modifier state in the terms the hotkey engine and hotkeys.json use
// (Key codes and Modifier bits), and the text a keysym types.
#pragma once

#include "core/platform/Keys.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvelan::KeyCodes {

using Keysym = std::uint32_t;

// The key code of a keysym, or Key::none. Upper- and lower-case letters give the same code, and
// so do the two keysyms of Tab (Tab, ISO_Left_Tab).
int fromKeysym(Keysym keysym);

// Whether the keysym is a modifier key (Shift, Control, Alt, Super, the locks, …).
bool isModifierKeysym(Keysym keysym);

// The X modifier masks that stand for each modifier, read from the modifier map.
struct ModifierMasks {
    std::uint16_t shift = 0x01;
    std::uint16_t lock = 0x02; // Caps Lock
    std::uint16_t control = 0x04;
    std::uint16_t option = 0;  // the ModN holding Alt (or Meta when no Alt is mapped)
    std::uint16_t command = 0; // the ModN holding Super
    std::uint16_t numLock = 0;
    std::uint16_t scrollLock = 0;

    friend bool operator==(const ModifierMasks&, const ModifierMasks&) = default;
};

// Masks from the keysyms found on each of the eight modifiers (Shift, Lock, Control,
// Mod1…Mod5), as a GetModifierMapping reply and the keyboard mapping give them.
ModifierMasks modifierMasks(const std::array<std::vector<Keysym>, 8>& keysymsPerModifier);

// The Modifier bits held in an X event state.
std::uint64_t modsFromState(std::uint16_t state, const ModifierMasks& masks);

// The X state that holds exactly these modifier bits (other bits ignored); absent when one
// of them is not mapped on this keyboard.
std::optional<std::uint16_t> stateFromMods(std::uint64_t mods, const ModifierMasks& masks);

// Every combination of the lock modifiers (Caps, Num, Scroll) that are mapped, starting
// with none: a passive grab must be made once for each.
std::vector<std::uint16_t> lockVariants(const ModifierMasks& masks);

// The Unicode scalar a keysym types, or 0 for keysyms that type nothing (function keys,
// modifiers). Control keys type their control character (BackSpace 0x08, Return 0x0D, …).
char32_t toUnicode(Keysym keysym);

// UTF-8 of a scalar; empty for 0, surrogates and values beyond U+10FFFF.
std::string utf8(char32_t scalar);

} // namespace morvelan::KeyCodes
