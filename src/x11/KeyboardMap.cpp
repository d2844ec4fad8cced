// KeyboardMap: the server's keyboard and modifier mappings in the hotkey engine's terms.
#include "x11/KeyboardMap.h"

#include "x11/XcbPtr.h"

namespace morvelan {

namespace {

bool isKeypad(KeyCodes::Keysym keysym) {
    return keysym >= 0xff80 && keysym <= 0xffbd;
}

// Lower- and upper-case forms of the Latin-1 letters, where the two columns are left to be
// derived from one.
KeyCodes::Keysym lower(KeyCodes::Keysym k) {
    if ((k >= 'A' && k <= 'Z') || (k >= 0xc0 && k <= 0xde && k != 0xd7)) return k + 0x20;
    return k;
}
KeyCodes::Keysym upper(KeyCodes::Keysym k) {
    if ((k >= 'a' && k <= 'z') || (k >= 0xe0 && k <= 0xfe && k != 0xf7)) return k - 0x20;
    return k;
}

} // namespace

std::optional<KeyboardMap> KeyboardMap::load(xcb_connection_t* c) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    const xcb_keycode_t minKey = setup->min_keycode;
    const xcb_keycode_t maxKey = setup->max_keycode;
    auto keyboardCookie =
        xcb_get_keyboard_mapping(c, minKey, static_cast<std::uint8_t>(maxKey - minKey + 1));
    auto modifierCookie = xcb_get_modifier_mapping(c);
    XcbPtr<xcb_get_keyboard_mapping_reply_t> keyboard(
        xcb_get_keyboard_mapping_reply(c, keyboardCookie, nullptr));
    XcbPtr<xcb_get_modifier_mapping_reply_t> modifiers(
        xcb_get_modifier_mapping_reply(c, modifierCookie, nullptr));
    if (!keyboard || !modifiers) return std::nullopt;

    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(keyboard.get());
    const int count = xcb_get_keyboard_mapping_keysyms_length(keyboard.get());
    std::vector<KeyCodes::Keysym> keysyms(syms, syms + count);

    std::array<std::vector<xcb_keycode_t>, 8> onModifier;
    const xcb_keycode_t* keys = xcb_get_modifier_mapping_keycodes(modifiers.get());
    const int perModifier = modifiers->keycodes_per_modifier;
    for (int m = 0; m < 8; ++m)
        for (int i = 0; i < perModifier; ++i)
            if (const xcb_keycode_t key = keys[m * perModifier + i]) onModifier[m].push_back(key);

    return fromTables(minKey, keyboard->keysyms_per_keycode, std::move(keysyms), onModifier);
}

KeyboardMap KeyboardMap::fromTables(xcb_keycode_t minKey, int perKey,
                                    std::vector<KeyCodes::Keysym> keysyms,
                                    const std::array<std::vector<xcb_keycode_t>, 8>& modifiers) {
    KeyboardMap map;
    map.min_ = minKey;
    map.perKey_ = perKey;
    map.keysyms_ = std::move(keysyms);
    const std::size_t keys =
        perKey > 0 ? map.keysyms_.size() / static_cast<std::size_t>(perKey) : 0;
    map.max_ = static_cast<xcb_keycode_t>(keys ? minKey + keys - 1 : minKey);

    std::array<std::vector<KeyCodes::Keysym>, 8> keysymsOn;
    for (std::size_t m = 0; m < modifiers.size(); ++m) {
        for (xcb_keycode_t key : modifiers[m]) {
            map.modifierOf_[key] |= static_cast<std::uint16_t>(1u << m);
            for (int column = 0; column < perKey; ++column)
                if (const auto k = map.keysym(key, column)) keysymsOn[m].push_back(k);
        }
    }
    map.masks_ = KeyCodes::modifierMasks(keysymsOn);
    return map;
}

KeyCodes::Keysym KeyboardMap::keysym(xcb_keycode_t key, int column) const {
    if (key < min_ || key > max_ || column < 0 || column >= perKey_) return 0;
    return keysyms_[static_cast<std::size_t>((key - min_) * perKey_ + column)];
}

int KeyboardMap::keyCode(xcb_keycode_t key) const {
    const int code = KeyCodes::fromKeysym(keysym(key, 0));
    return code != Key::none ? code : KeyCodes::fromKeysym(keysym(key, 1));
}

std::vector<xcb_keycode_t> KeyboardMap::keysFor(int keyCode) const {
    std::vector<xcb_keycode_t> keys;
    if (keyCode == Key::none) return keys;
    for (int key = min_; key <= max_; ++key)
        if (this->keyCode(static_cast<xcb_keycode_t>(key)) == keyCode)
            keys.push_back(static_cast<xcb_keycode_t>(key));
    return keys;
}

std::string KeyboardMap::text(xcb_keycode_t key, std::uint16_t state) const {
    KeyCodes::Keysym first = keysym(key, 0);
    KeyCodes::Keysym second = keysym(key, 1);
    // A key listing one letter stands for its lower and upper case.
    if (!second) {
        second = upper(first);
        first = lower(first);
    }
    const bool shift = (state & masks_.shift) != 0;
    const bool caps = (state & masks_.lock) != 0;
    const bool numLock = masks_.numLock && (state & masks_.numLock);
    KeyCodes::Keysym chosen = 0;
    if (numLock && isKeypad(second)) {
        chosen = shift ? first : second;
    } else if (!shift) {
        chosen = caps ? upper(first) : first;
    } else {
        chosen = caps ? upper(second) : second;
    }
    char32_t scalar = KeyCodes::toUnicode(chosen);
    if ((state & masks_.control) && scalar >= 0x40 && scalar < 0x80 && scalar != 0x60)
        scalar &= 0x1f;
    return KeyCodes::utf8(scalar);
}

} // namespace morvelan
