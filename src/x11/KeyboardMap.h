// KeyboardMap: a snapshot of the server's keyboard and modifier mappings, answering what a key
// is in the hotkey engine's terms and what text it types.
#pragma once

#include "x11/KeyCodes.h"

#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace morvelan {

class KeyboardMap {
public:
    // Reads both mappings (one round trip). Absent when the server does not answer.
    static std::optional<KeyboardMap> load(xcb_connection_t* c);

    // The keysym in `column` of the key's list (0 unshifted, 1 shifted), 0 for none.
    KeyCodes::Keysym keysym(xcb_keycode_t key, int column) const;
    // The key's macOS key code: that of its unshifted keysym, else of its shifted one (the
    // keypad's digits sit in the shifted column), else Key::none.
    int keyCode(xcb_keycode_t key) const;
    // The keys whose keyCode() is `keyCode`: the ones a grab of that code has to take.
    std::vector<xcb_keycode_t> keysFor(int keyCode) const;
    // The text the key types in `state`, by the core protocol's rules for Shift, Caps Lock
    // and Num Lock; Control turns @, letters and [\]^_ into their control characters.
    std::string text(xcb_keycode_t key, std::uint16_t state) const;
    // The modifier mask the key sets (Shift, Lock, Control, Mod1…Mod5), 0 for other keys.
    std::uint16_t modifierMask(xcb_keycode_t key) const { return modifierOf_[key]; }

    const KeyCodes::ModifierMasks& masks() const { return masks_; }
    xcb_keycode_t minKey() const { return min_; }
    xcb_keycode_t maxKey() const { return max_; }

    // From raw mapping data (tests): `keysyms` holds `perKey` entries per key from `minKey`,
    // `modifiers` the keys on each of the eight modifiers.
    static KeyboardMap fromTables(xcb_keycode_t minKey, int perKey,
                                  std::vector<KeyCodes::Keysym> keysyms,
                                  const std::array<std::vector<xcb_keycode_t>, 8>& modifiers);

private:
    KeyboardMap() = default;

    xcb_keycode_t min_ = 8;
    xcb_keycode_t max_ = 8;
    int perKey_ = 0;
    std::vector<KeyCodes::Keysym> keysyms_;
    std::array<std::uint16_t, 256> modifierOf_{};
    KeyCodes::ModifierMasks masks_;
};

} // namespace morvelan
