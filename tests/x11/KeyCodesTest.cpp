// KeyCodesTest: keysyms and X modifier state against the key codes and bits the engine expects.
#include "x11/KeyCodes.h"

#include <gtest/gtest.h>

#include <ostream>
#include <set>

namespace morvelan {
namespace KeyCodes {
// Failures show the masks field by field.
void PrintTo(const ModifierMasks& m, std::ostream* os) {
    *os << std::hex << "{shift " << m.shift << " lock " << m.lock << " control " << m.control
        << " option " << m.option << " command " << m.command << " numLock " << m.numLock
        << " scrollLock " << m.scrollLock << '}';
}
} // namespace KeyCodes

namespace {

using namespace KeyCodes;

// Keysyms by their X names.
constexpr Keysym XK_Tab = 0xff09, XK_ISO_Left_Tab = 0xfe20, XK_Return = 0xff0d, XK_Escape = 0xff1b,
                 XK_BackSpace = 0xff08, XK_Delete = 0xffff, XK_Left = 0xff51, XK_Up = 0xff52,
                 XK_Right = 0xff53, XK_Down = 0xff54, XK_F1 = 0xffbe, XK_F3 = 0xffc0,
                 XK_F12 = 0xffc9, XK_KP_5 = 0xffb5, XK_Shift_L = 0xffe1, XK_Control_L = 0xffe3,
                 XK_Caps_Lock = 0xffe5, XK_Meta_L = 0xffe7, XK_Alt_L = 0xffe9, XK_Super_L = 0xffeb,
                 XK_Super_R = 0xffec, XK_Hyper_L = 0xffed, XK_Num_Lock = 0xff7f,
                 XK_Scroll_Lock = 0xff14, XK_ISO_Level3_Shift = 0xfe03, XK_Mode_switch = 0xff7e;

// The modifier map Xvfb starts with.
std::array<std::vector<Keysym>, 8> xvfbModifiers() {
    return {{{XK_Shift_L},
             {XK_Caps_Lock},
             {XK_Control_L},
             {XK_Alt_L, XK_Meta_L},
             {XK_Num_Lock},
             {},
             {XK_Super_L, XK_Super_R, XK_Hyper_L},
             {XK_ISO_Level3_Shift, XK_Mode_switch}}};
}

// --- Key codes --------------------------------------------------------------------------

TEST(KeyCodesTable, KeysymsHaveTheirMacCodes) {
    // clang-format off
    const std::pair<Keysym, int> keys[] = {
        // The keys the switcher acts on; both cases of a letter and both tabs are one key.
        {XK_Tab, 48}, {XK_ISO_Left_Tab, 48}, {XK_BackSpace, 51}, {XK_Escape, 53}, {'f', 3},
        {'F', 3}, {'q', 12}, {'w', 13}, {XK_Left, 123}, {XK_Right, 124}, {XK_Down, 125},
        {XK_Up, 126}, {XK_Return, 36}, {' ', 49},
        // Digits follow the Mac row, not counting.
        {'0', 29}, {'1', 18}, {'2', 19}, {'3', 20}, {'4', 21}, {'5', 23}, {'6', 22}, {'7', 26},
        {'8', 28}, {'9', 25},
        // Function keys and forward delete are not confused with backspace.
        {XK_F1, 122}, {XK_F3, 99}, {XK_F12, 111}, {XK_Delete, 117}, {XK_KP_5, 87},
        // Cyrillic_a is a key, but no Mac position is known for it.
        {0x6c1, Key::none}, {0, Key::none}};
    // clang-format on
    for (const auto& [keysym, code] : keys)
        EXPECT_EQ(fromKeysym(keysym), code) << std::hex << keysym;
    std::set<int> letters;
    for (Keysym c = 'a'; c <= 'z'; ++c) {
        EXPECT_EQ(fromKeysym(c), fromKeysym(c - 0x20)) << char(c);
        letters.insert(fromKeysym(c));
    }
    EXPECT_EQ(letters.size(), 26u);
    EXPECT_EQ(letters.count(Key::none), 0u);
}

TEST(KeyCodesTable, NamesDescriptionsAndModifierKeysyms) {
    EXPECT_EQ(name(48), "Tab");
    EXPECT_EQ(name(0), "A");
    EXPECT_EQ(name(124), "Right");
    EXPECT_EQ(name(99999), "key99999");
    EXPECT_EQ(describe(48, Modifier::command), "Super+Tab");
    EXPECT_EQ(describe(48, Modifier::option), "Alt+Tab");
    EXPECT_EQ(
        describe(49, Modifier::control | Modifier::option | Modifier::shift | Modifier::command),
        "Control+Alt+Shift+Super+space");
    for (Keysym k : {XK_Shift_L, XK_Control_L, XK_Alt_L, XK_Super_L, XK_Caps_Lock, XK_Num_Lock,
                     XK_ISO_Level3_Shift, XK_Mode_switch, XK_Hyper_L})
        EXPECT_TRUE(isModifierKeysym(k)) << k;
    for (Keysym k : {XK_Tab, Keysym('a'), XK_F1, XK_Escape})
        EXPECT_FALSE(isModifierKeysym(k)) << k;
}

// --- Modifier masks -----------------------------------------------------------------------

TEST(KeyCodesModifiers, MasksFollowTheMapWhereverSuperAltAndTheLocksSit) {
    // Xvfb's own map: Super on Mod4, Alt on Mod1, Num Lock on Mod2.
    EXPECT_EQ(modifierMasks(xvfbModifiers()),
              (ModifierMasks{.option = 0x08, .command = 0x40, .numLock = 0x10}));
    std::array<std::vector<Keysym>, 8> mods{};
    mods[0] = {XK_Shift_L};
    mods[2] = {XK_Control_L};
    mods[3] = {XK_Alt_L};
    mods[5] = {XK_Super_L}; // Mod3
    mods[7] = {XK_Scroll_Lock, XK_Num_Lock};
    EXPECT_EQ(
        modifierMasks(mods),
        (ModifierMasks{.option = 0x08, .command = 0x20, .numLock = 0x80, .scrollLock = 0x80}));
    // Meta stands in for a missing Alt.
    mods = {};
    mods[4] = {XK_Meta_L};
    mods[6] = {XK_Super_L};
    EXPECT_EQ(modifierMasks(mods), (ModifierMasks{.option = 0x10, .command = 0x40}));
}

TEST(KeyCodesModifiers, StateTranslatesToMacBitsAndBackIgnoringLocks) {
    const ModifierMasks masks = modifierMasks(xvfbModifiers());
    EXPECT_EQ(modsFromState(0x40, masks), Modifier::command);
    EXPECT_EQ(modsFromState(0x08, masks), Modifier::option);
    EXPECT_EQ(modsFromState(0x04, masks), Modifier::control);
    EXPECT_EQ(modsFromState(0x01, masks), Modifier::shift);
    EXPECT_EQ(modsFromState(0x41 | 0x02 | 0x10, masks), Modifier::command | Modifier::shift);
    EXPECT_EQ(modsFromState(0x80, masks), 0u); // AltGr is none of the four
    EXPECT_EQ(stateFromMods(Modifier::command, masks), std::optional<std::uint16_t>(0x40));
    EXPECT_EQ(stateFromMods(Modifier::option | Modifier::shift, masks),
              std::optional<std::uint16_t>(0x09));
    EXPECT_EQ(stateFromMods(0, masks), std::optional<std::uint16_t>(0));
    for (std::uint64_t mods = 0; mods <= Modifier::all; mods += Modifier::shift)
        EXPECT_EQ(modsFromState(*stateFromMods(mods, masks), masks), mods);

    // A modifier the map lacks cannot be grabbed; stray bits without a role are ignored.
    std::array<std::vector<Keysym>, 8> altOnly{};
    altOnly[3] = {XK_Alt_L};
    const ModifierMasks alt = modifierMasks(altOnly);
    EXPECT_EQ(stateFromMods(Modifier::command, alt), std::nullopt);
    EXPECT_EQ(modsFromState(0xF8, alt), Modifier::option);
}

TEST(KeyCodesModifiers, LockVariantsCoverEveryCombinationOnce) {
    const ModifierMasks xvfb = modifierMasks(xvfbModifiers());
    EXPECT_EQ(lockVariants(xvfb), (std::vector<std::uint16_t>{0, 0x02, 0x10, 0x12}));

    ModifierMasks all = xvfb;
    all.scrollLock = 0x20;
    const auto variants = lockVariants(all);
    EXPECT_EQ(variants.size(), 8u);
    EXPECT_EQ(std::set<std::uint16_t>(variants.begin(), variants.end()).size(), 8u);
    EXPECT_EQ(variants.front(), 0);

    ModifierMasks shared = xvfb;
    shared.scrollLock = shared.numLock; // one modifier for both: no duplicate grabs
    EXPECT_EQ(lockVariants(shared).size(), 4u);
}

// --- Text ---------------------------------------------------------------------------------

TEST(KeyCodesText, KeysymsTypeTheirCharacterControlKeysControlCharactersOthersNothing) {
    // clang-format off
    const std::pair<Keysym, char32_t> keys[] = {
        // Latin-1 and Unicode keysyms.
        {'a', U'a'}, {0xe9, U'é'}, {0x10020ac, U'€'}, {0x100263a, U'☺'},
        // Legacy keysyms of other scripts: Cyrillic_a, Greek_alpha, scaron, EuroSign, kana_A.
        {0x6c1, U'а'}, {0x7e1, U'α'}, {0x1b9, U'š'}, {0x20ac, U'€'}, {0x4b1, U'ア'},
        // Control keys type control characters, the keypad its digit.
        {XK_BackSpace, 0x08}, {XK_Tab, 0x09}, {XK_Return, 0x0d}, {XK_Escape, 0x1b},
        {XK_Delete, 0x7f}, {XK_KP_5, U'5'},
        // Function, modifier and cursor keys and a hole in the Cyrillic block type nothing.
        {XK_F1, 0}, {XK_Shift_L, 0}, {XK_Left, 0}, {0x6a0, 0}};
    // clang-format on
    for (const auto& [keysym, character] : keys)
        EXPECT_EQ(toUnicode(keysym), character) << std::hex << keysym;
}

TEST(KeyCodesText, Utf8EncodesEveryLength) {
    EXPECT_EQ(utf8(U'A'), "A");
    EXPECT_EQ(utf8(U'é'), "\xc3\xa9");
    EXPECT_EQ(utf8(U'€'), "\xe2\x82\xac");
    EXPECT_EQ(utf8(U'\U0001F600'), "\xf0\x9f\x98\x80");
    EXPECT_EQ(utf8(0), "");
    EXPECT_EQ(utf8(0xD800), "");
    EXPECT_EQ(utf8(0x110000), "");
}

} // namespace
} // namespace morvelan
