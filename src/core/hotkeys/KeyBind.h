// KeyBind and HotkeyAction: a hotkey binding (key code plus modifier bits) and the two bindable
// actions.
#pragma once

#include "core/platform/Keys.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace morvelan {

// A key code and the modifiers that must be held. A usable binding has at least one bit of
// Modifier::all.
struct KeyBind {
    int keyCode = 0;
    std::uint64_t mods = 0;

    friend bool operator==(const KeyBind&, const KeyBind&) = default;
};

// The bindable actions, in the order the settings list them.
enum class HotkeyAction { switcher, switcherConfined };

inline constexpr std::array<HotkeyAction, 2> allHotkeyActions{HotkeyAction::switcher,
                                                              HotkeyAction::switcherConfined};

// The action's string value, also its identity in hotkeys.json.
constexpr std::string_view toString(HotkeyAction action) {
    switch (action) {
    case HotkeyAction::switcher:
        return "switcher";
    case HotkeyAction::switcherConfined:
        return "switcherConfined";
    }
    return "";
}

constexpr std::optional<HotkeyAction> hotkeyActionFromString(std::string_view text) {
    for (HotkeyAction action : allHotkeyActions)
        if (toString(action) == text) return action;
    return std::nullopt;
}

} // namespace morvelan
