// The X11 key tables and a keyboard mapping given as data: keysyms, modifier state and typed
// text in the terms of the hotkey engine and hotkeys.json. No X server needed.
#include "x11/KeyboardMap.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

using namespace KeyCodes;

// Keysyms by their X names.
constexpr Keysym XK_Tab = 0xff09, XK_ISO_Left_Tab = 0xfe20, XK_Return = 0xff0d, XK_Escape = 0xff1b,
                 XK_BackSpace = 0xff08, XK_Delete = 0xffff, XK_Left = 0xff51, XK_F1 = 0xffbe,
                 XK_F12 = 0xffc9, XK_F20 = 0xffd1, XK_KP_Home = 0xff95, XK_KP_5 = 0xffb5,
                 XK_KP_7 = 0xffb7, XK_Shift_L = 0xffe1, XK_Control_L = 0xffe3,
                 XK_Caps_Lock = 0xffe5, XK_Meta_L = 0xffe7, XK_Alt_L = 0xffe9, XK_Super_L = 0xffeb,
                 XK_Num_Lock = 0xff7f, XK_Scroll_Lock = 0xff14, XK_ISO_Level3_Shift = 0xfe03;

constexpr std::uint16_t shiftMask = 0x01, lockMask = 0x02, controlMask = 0x04, altMask = 0x08,
                        numLockMask = 0x10, superMask = 0x40;

// A US keyboard as Xvfb maps it (Alt on Mod1, Num Lock on Mod2, Super on Mod4), cut down to the
// keys the tests press: two keysyms per key.
KeyboardMap usKeyboard() {
    constexpr xcb_keycode_t minKey = 8;
    std::vector<Keysym> syms((256 - minKey) * 2, 0);
    const std::pair<xcb_keycode_t, std::array<Keysym, 2>> keys[] = {
        {10, {'1', '!'}},
        {23, {XK_Tab, XK_ISO_Left_Tab}},
        {37, {XK_Control_L, 0}},
        {38, {'a', 'A'}},
        {39, {'s', 0}},
        {47, {0xe9, 0xc9}},
        {50, {XK_Shift_L, 0}},
        {59, {',', '<'}},
        {64, {XK_Alt_L, XK_Meta_L}},
        {66, {XK_Caps_Lock, 0}},
        {77, {XK_Num_Lock, 0}},
        {79, {XK_KP_Home, XK_KP_7}},
        {94, {'<', '>'}},
        {113, {XK_Left, 0}},
        {133, {XK_Super_L, 0}},
    };
    for (const auto& [key, pair] : keys)
        std::copy(pair.begin(), pair.end(), syms.begin() + (key - minKey) * 2);
    return KeyboardMap::fromTables(minKey, 2, std::move(syms),
                                   {{{50}, {66}, {37}, {64}, {77}, {}, {133}, {}}});
}

TEST(KeyTables, KeysymsAndKeysHaveTheCodesHotkeysJsonStores) {
    // clang-format off
    const std::pair<Keysym, int> keysyms[] = {
        // Both cases of a letter and both tabs are one key; the digits follow the Mac's row.
        {XK_Tab, 48}, {XK_ISO_Left_Tab, 48}, {'f', 3}, {'F', 3}, {'z', 6}, {'q', 12}, {'0', 29},
        {'1', 18}, {'5', 23}, {'6', 22}, {'9', 25}, {XK_Escape, 53}, {XK_Return, 36}, {' ', 49},
        {XK_Left, 123}, {XK_BackSpace, 51}, {XK_Delete, 117}, {XK_F1, 122}, {XK_F12, 111},
        {XK_F20, 90}, {XK_F20 + 1, Key::none}, {XK_KP_5, 87},
        // Cyrillic_a is a key, but no Mac position is known for it.
        {0x6c1, Key::none}, {0, Key::none}};
    // clang-format on
    for (const auto& [keysym, code] : keysyms)
        EXPECT_EQ(fromKeysym(keysym), code) << std::hex << keysym;

    // A key is its unshifted keysym, else its shifted one (the keypad's digits). A grab of "<"
    // takes the key whose own symbol it is, not the comma key that shifts to it.
    const KeyboardMap map = usKeyboard();
    EXPECT_EQ(map.keyCode(23), Key::tab);
    EXPECT_EQ(map.keyCode(79), Key::keypad7);
    EXPECT_EQ(map.keyCode(200), Key::none);
    EXPECT_EQ(map.keysFor(Key::isoSection), std::vector<xcb_keycode_t>{94});
    EXPECT_TRUE(map.keysFor(Key::f12).empty());
}

TEST(KeyTables, ModifierMasksFollowTheMapWhereverSuperAltAndTheLocksSit) {
    const KeyboardMap map = usKeyboard();
    EXPECT_EQ(map.masks(),
              (ModifierMasks{.option = altMask, .command = superMask, .numLock = numLockMask}));
    EXPECT_EQ(map.modifierMask(133), superMask);
    EXPECT_EQ(map.modifierMask(38), 0);
    std::array<std::vector<Keysym>, 8> mods{};
    mods[3] = {XK_Alt_L};
    mods[5] = {XK_Super_L}; // Mod3
    mods[7] = {XK_Scroll_Lock, XK_Num_Lock};
    EXPECT_EQ(
        modifierMasks(mods),
        (ModifierMasks{.option = altMask, .command = 0x20, .numLock = 0x80, .scrollLock = 0x80}));
    // Meta stands in for a missing Alt.
    mods = {};
    mods[4] = {XK_Meta_L};
    mods[6] = {XK_Super_L};
    EXPECT_EQ(modifierMasks(mods), (ModifierMasks{.option = 0x10, .command = superMask}));
    // A keymap without them (a virtual keyboard's) has them where the convention puts them.
    EXPECT_EQ(modifierMasks({}), (ModifierMasks{.option = altMask, .command = superMask}));
    for (Keysym k : {XK_Shift_L, XK_Super_L, XK_Caps_Lock, XK_Num_Lock, XK_ISO_Level3_Shift})
        EXPECT_TRUE(isModifierKeysym(k)) << std::hex << k;
    for (Keysym k : {XK_Tab, Keysym('a'), XK_F1})
        EXPECT_FALSE(isModifierKeysym(k)) << std::hex << k;
}

TEST(KeyTables, StateTranslatesToModifierBitsAndBackUnderEveryLockOnce) {
    const ModifierMasks masks = usKeyboard().masks();
    EXPECT_EQ(modsFromState(superMask | shiftMask | lockMask | numLockMask, masks),
              Modifier::command | Modifier::shift);
    EXPECT_EQ(modsFromState(0x80, masks), 0u); // AltGr is none of the four
    EXPECT_EQ(stateFromMods(Modifier::option | Modifier::shift, masks), altMask | shiftMask);
    for (std::uint64_t mods = 0; mods <= Modifier::all; mods += Modifier::shift)
        EXPECT_EQ(modsFromState(*stateFromMods(mods, masks), masks), mods);
    EXPECT_EQ(lockVariants(masks),
              (std::vector<std::uint16_t>{0, lockMask, numLockMask, lockMask | numLockMask}));
    ModifierMasks changed = masks;
    changed.scrollLock = changed.numLock; // one modifier for both: no duplicate grabs
    EXPECT_EQ(lockVariants(changed).size(), 4u);
    changed.command = 0; // a modifier the map lacks cannot be grabbed
    EXPECT_EQ(stateFromMods(Modifier::command, changed), std::nullopt);
}

TEST(KeyTables, KeysTypeTheirTextByShiftCapsLockNumLockAndControl) {
    const KeyboardMap map = usKeyboard();
    const struct {
        xcb_keycode_t key;
        std::uint16_t state;
        const char* text;
    } keys[] = {
        // clang-format off
        {38, 0, "a"}, {38, shiftMask, "A"}, {38, lockMask, "A"}, {38, shiftMask | lockMask, "A"},
        {10, lockMask, "1"}, {10, shiftMask, "!"},
        // A letter listed alone still has both cases.
        {39, shiftMask, "S"}, {47, lockMask, "É"},
        // Num Lock turns the keypad into digits, and Shift undoes it.
        {79, 0, ""}, {79, numLockMask, "7"}, {79, numLockMask | shiftMask, ""},
        // Control types control characters; modifiers, cursor keys and unmapped keys nothing.
        {38, controlMask, "\x01"}, {23, 0, "\t"}, {133, 0, ""}, {113, 0, ""}, {3, 0, ""},
        // clang-format on
    };
    for (const auto& k : keys)
        EXPECT_EQ(map.text(k.key, k.state), k.text) << int(k.key) << " state " << k.state;

    // Unicode keysyms and the legacy ones of other scripts, in UTF-8 of every length.
    const std::pair<Keysym, const char*> keysyms[] = {
        {0x10020ac, "€"}, {0x101f600, "😀"},    {0x6c1, "а"},   {0x7e1, "α"}, {0x1b9, "š"},
        {0x4b1, "ア"},    {XK_Delete, "\x7f"}, {XK_KP_5, "5"}, {XK_F1, ""},  {0x6a0, ""}};
    for (const auto& [keysym, text] : keysyms)
        EXPECT_EQ(utf8(toUnicode(keysym)), text) << std::hex << keysym;
    EXPECT_EQ(utf8(0xD800), "");
    EXPECT_EQ(utf8(0x110000), "");
}

} // namespace
} // namespace morvelan
