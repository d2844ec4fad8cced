// KeyboardMapTest: key codes, grab targets and typed text from a keyboard mapping given as data.
#include "x11/KeyboardMap.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

constexpr std::uint16_t shiftMask = 0x01, lockMask = 0x02, controlMask = 0x04, numLockMask = 0x10;

// A US keyboard as Xvfb maps it, cut down to the keys the tests press: two keysyms per key.
KeyboardMap usKeyboard() {
    constexpr xcb_keycode_t minKey = 8;
    constexpr int perKey = 2;
    std::vector<KeyCodes::Keysym> syms(static_cast<std::size_t>((256 - minKey) * perKey), 0);
    const auto put = [&](xcb_keycode_t key, KeyCodes::Keysym a, KeyCodes::Keysym b) {
        syms[static_cast<std::size_t>((key - minKey) * perKey)] = a;
        syms[static_cast<std::size_t>((key - minKey) * perKey + 1)] = b;
    };
    put(10, '1', '!');
    put(23, 0xff09, 0xfe20); // Tab, ISO_Left_Tab
    put(38, 'a', 'A');
    put(39, 's', 0);     // one letter listed: both cases implied
    put(47, 0xe9, 0xc9); // eacute, Eacute
    put(50, 0xffe1, 0);  // Shift_L
    put(37, 0xffe3, 0);  // Control_L
    put(59, ',', '<');
    put(64, 0xffe9, 0xffe7); // Alt_L, Meta_L
    put(66, 0xffe5, 0);      // Caps_Lock
    put(77, 0xff7f, 0);      // Num_Lock
    put(79, 0xff95, 0xffb7); // KP_Home, KP_7
    put(94, '<', '>');
    put(113, 0xff51, 0); // Left
    put(133, 0xffeb, 0); // Super_L
    std::array<std::vector<xcb_keycode_t>, 8> modifiers{};
    modifiers[0] = {50};
    modifiers[1] = {66};
    modifiers[2] = {37};
    modifiers[3] = {64};
    modifiers[4] = {77};
    modifiers[6] = {133};
    return KeyboardMap::fromTables(minKey, perKey, std::move(syms), modifiers);
}

TEST(KeyboardMap, KeysHaveTheirMacCodesAndModifierMasks) {
    const KeyboardMap map = usKeyboard();
    EXPECT_EQ(map.keyCode(23), 48);
    EXPECT_EQ(map.keyCode(38), 0);
    EXPECT_EQ(map.keyCode(10), 18);
    EXPECT_EQ(map.keyCode(113), 123);
    EXPECT_EQ(map.keyCode(133), 55);
    EXPECT_EQ(map.keyCode(79), 89);         // KP_Home / KP_7: found in the shifted column
    EXPECT_EQ(map.keyCode(200), Key::none); // nothing mapped there
    EXPECT_EQ(map.masks().command, 0x40);
    EXPECT_EQ(map.masks().option, 0x08);
    EXPECT_EQ(map.masks().numLock, numLockMask);
    EXPECT_EQ(map.modifierMask(133), 0x40);
    EXPECT_EQ(map.modifierMask(50), shiftMask);
    EXPECT_EQ(map.modifierMask(38), 0);
}

TEST(KeyboardMap, AGrabTakesTheKeyWhoseOwnSymbolItIsNotOneThatShiftsToIt) {
    const KeyboardMap map = usKeyboard();
    EXPECT_EQ(map.keysFor(48), std::vector<xcb_keycode_t>{23});
    // "<" is the comma key's shifted symbol, and the unshifted symbol of the ISO key.
    EXPECT_EQ(map.keysFor(10), std::vector<xcb_keycode_t>{94});
    EXPECT_TRUE(map.keysFor(Key::none).empty());
    EXPECT_TRUE(map.keysFor(111).empty()); // F12 is not on this keyboard
}

TEST(KeyboardMap, TextFollowsShiftCapsLockNumLockAndControl) {
    const KeyboardMap map = usKeyboard();
    const struct {
        xcb_keycode_t key;
        std::uint16_t state;
        const char* text;
    } cases[] = {
        // clang-format off
        // Shift and Caps Lock choose the case; Caps Lock leaves digits alone.
        {38, 0, "a"}, {38, shiftMask, "A"}, {38, lockMask, "A"}, {38, shiftMask | lockMask, "A"},
        {10, 0, "1"}, {10, lockMask, "1"}, {10, shiftMask, "!"},
        // A letter listed alone still has both cases.
        {39, 0, "s"}, {39, shiftMask, "S"}, {47, lockMask, "\xc3\x89"},
        // Num Lock turns the keypad into digits, and Shift undoes it.
        {79, 0, ""}, {79, numLockMask, "7"}, {79, numLockMask | shiftMask, ""},
        // Control types control characters; modifiers and cursor keys type nothing, nor a
        // key below the first key code.
        {38, controlMask, "\x01"}, {23, 0, "\t"}, {133, 0, ""}, {113, 0, ""}, {3, 0, ""},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(map.text(c.key, c.state), c.text) << int(c.key) << " state " << c.state;
    EXPECT_EQ(map.keysym(3, 0), 0u); // below the first key code
    EXPECT_EQ(map.keysym(38, 5), 0u);
}

} // namespace
} // namespace morvelan
