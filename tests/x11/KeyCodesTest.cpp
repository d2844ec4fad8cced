// KeyCodesTest: keysyms and X modifier state against the key codes and bits the engine expects.
#include "x11/KeyCodes.h"

#include <gtest/gtest.h>

#include <set>

namespace morvelan {
namespace {

using namespace KeyCodes;

constexpr std::uint64_t shiftBit = 0x20000;
constexpr std::uint64_t controlBit = 0x40000;
constexpr std::uint64_t optionBit = 0x80000;
constexpr std::uint64_t commandBit = 0x100000;

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

TEST(KeyCodesTable, KeysTheDecisionActsOnHaveTheirMacCodes) {
    EXPECT_EQ(fromKeysym(XK_Tab), 48);
    EXPECT_EQ(fromKeysym(XK_BackSpace), 51);
    EXPECT_EQ(fromKeysym(XK_Escape), 53);
    EXPECT_EQ(fromKeysym('f'), 3);
    EXPECT_EQ(fromKeysym('q'), 12);
    EXPECT_EQ(fromKeysym('w'), 13);
    EXPECT_EQ(fromKeysym(XK_Left), 123);
    EXPECT_EQ(fromKeysym(XK_Right), 124);
    EXPECT_EQ(fromKeysym(XK_Down), 125);
    EXPECT_EQ(fromKeysym(XK_Up), 126);
    EXPECT_EQ(fromKeysym(XK_Return), 36);
    EXPECT_EQ(fromKeysym(' '), 49);
}

TEST(KeyCodesTable, DigitsFollowTheMacRowNotCounting) {
    const int expected[] = {29, 18, 19, 20, 21, 23, 22, 26, 28, 25}; // 0 … 9
    for (int digit = 0; digit <= 9; ++digit)
        EXPECT_EQ(fromKeysym(static_cast<Keysym>('0' + digit)), expected[digit]) << digit;
}

TEST(KeyCodesTable, BothCasesOfALetterAndBothTabsAreOneKey) {
    for (Keysym c = 'a'; c <= 'z'; ++c) {
        EXPECT_NE(fromKeysym(c), none) << char(c);
        EXPECT_EQ(fromKeysym(c), fromKeysym(c - 0x20)) << char(c);
    }
    EXPECT_EQ(fromKeysym(XK_ISO_Left_Tab), 48);
}

TEST(KeyCodesTable, EveryLetterHasItsOwnCode) {
    std::set<int> codes;
    for (Keysym c = 'a'; c <= 'z'; ++c)
        codes.insert(fromKeysym(c));
    EXPECT_EQ(codes.size(), 26u);
}

TEST(KeyCodesTable, FunctionKeysAndForwardDeleteAreNotConfusedWithBackspace) {
    EXPECT_EQ(fromKeysym(XK_F1), 122);
    EXPECT_EQ(fromKeysym(XK_F3), 99);
    EXPECT_EQ(fromKeysym(XK_F12), 111);
    EXPECT_EQ(fromKeysym(XK_Delete), 117);
    EXPECT_EQ(fromKeysym(XK_KP_5), 87);
}

TEST(KeyCodesTable, UnknownKeysymHasNoCode) {
    EXPECT_EQ(fromKeysym(0x6c1), none); // Cyrillic_a: a key, but no Mac position known
    EXPECT_EQ(fromKeysym(0), none);
}

TEST(KeyCodesTable, EveryCodeLeadsBackToItselfThroughItsKeysyms) {
    for (int code = 0; code < 128; ++code) {
        for (Keysym keysym : toKeysyms(code))
            EXPECT_EQ(fromKeysym(keysym), code) << "code " << code << " keysym " << keysym;
    }
}

TEST(KeyCodesTable, TheUnshiftedKeysymComesFirst) {
    ASSERT_FALSE(toKeysyms(0).empty());
    EXPECT_EQ(toKeysyms(0).front(), Keysym('a'));
    EXPECT_EQ(toKeysyms(48).front(), XK_Tab);
    EXPECT_TRUE(toKeysyms(99999).empty());
}

TEST(KeyCodesTable, NamesAndDescriptions) {
    EXPECT_EQ(name(48), "Tab");
    EXPECT_EQ(name(0), "A");
    EXPECT_EQ(name(124), "Right");
    EXPECT_EQ(name(99999), "key99999");
    EXPECT_EQ(describe(48, commandBit), "Super+Tab");
    EXPECT_EQ(describe(48, optionBit), "Alt+Tab");
    EXPECT_EQ(describe(49, controlBit | optionBit | shiftBit | commandBit),
              "Control+Alt+Shift+Super+space");
}

TEST(KeyCodesTable, ModifierKeysymsAreRecognised) {
    for (Keysym k : {XK_Shift_L, XK_Control_L, XK_Alt_L, XK_Super_L, XK_Caps_Lock, XK_Num_Lock,
                     XK_ISO_Level3_Shift, XK_Mode_switch, XK_Hyper_L})
        EXPECT_TRUE(isModifierKeysym(k)) << k;
    for (Keysym k : {XK_Tab, Keysym('a'), XK_F1, XK_Escape})
        EXPECT_FALSE(isModifierKeysym(k)) << k;
}

// --- Modifier masks -----------------------------------------------------------------------

TEST(KeyCodesModifiers, XvfbMapGivesSuperMod4AltMod1NumLockMod2) {
    const ModifierMasks masks = modifierMasks(xvfbModifiers());
    EXPECT_EQ(masks.command, 0x40);
    EXPECT_EQ(masks.option, 0x08);
    EXPECT_EQ(masks.numLock, 0x10);
    EXPECT_EQ(masks.scrollLock, 0);
    EXPECT_EQ(masks.lock, 0x02);
}

TEST(KeyCodesModifiers, MasksFollowTheMapWhereverSuperAndLocksSit) {
    std::array<std::vector<Keysym>, 8> mods{};
    mods[0] = {XK_Shift_L};
    mods[2] = {XK_Control_L};
    mods[3] = {XK_Alt_L};
    mods[5] = {XK_Super_L}; // Mod3
    mods[7] = {XK_Scroll_Lock, XK_Num_Lock};
    const ModifierMasks masks = modifierMasks(mods);
    EXPECT_EQ(masks.command, 0x20);
    EXPECT_EQ(masks.option, 0x08);
    EXPECT_EQ(masks.numLock, 0x80);
    EXPECT_EQ(masks.scrollLock, 0x80);
}

TEST(KeyCodesModifiers, MetaStandsInForAMissingAlt) {
    std::array<std::vector<Keysym>, 8> mods{};
    mods[4] = {XK_Meta_L};
    mods[6] = {XK_Super_L};
    const ModifierMasks masks = modifierMasks(mods);
    EXPECT_EQ(masks.option, 0x10);
    EXPECT_EQ(masks.command, 0x40);
}

TEST(KeyCodesModifiers, StateTranslatesToMacBitsAndLocksAreIgnored) {
    const ModifierMasks masks = modifierMasks(xvfbModifiers());
    EXPECT_EQ(modsFromState(0x40, masks), commandBit);
    EXPECT_EQ(modsFromState(0x08, masks), optionBit);
    EXPECT_EQ(modsFromState(0x04, masks), controlBit);
    EXPECT_EQ(modsFromState(0x01, masks), shiftBit);
    EXPECT_EQ(modsFromState(0x41 | 0x02 | 0x10, masks), commandBit | shiftBit);
    EXPECT_EQ(modsFromState(0x80, masks), 0u); // AltGr is none of the four
}

TEST(KeyCodesModifiers, MacBitsTranslateBackToState) {
    const ModifierMasks masks = modifierMasks(xvfbModifiers());
    EXPECT_EQ(stateFromMods(commandBit, masks), std::optional<std::uint16_t>(0x40));
    EXPECT_EQ(stateFromMods(optionBit | shiftBit, masks), std::optional<std::uint16_t>(0x09));
    EXPECT_EQ(stateFromMods(0, masks), std::optional<std::uint16_t>(0));
    for (std::uint64_t mods = 0; mods <= 0x1E0000; mods += 0x20000)
        EXPECT_EQ(modsFromState(*stateFromMods(mods, masks), masks), mods);
}

TEST(KeyCodesModifiers, UnmappedModifierCannotBeGrabbed) {
    std::array<std::vector<Keysym>, 8> mods{};
    mods[3] = {XK_Alt_L};
    const ModifierMasks masks = modifierMasks(mods);
    EXPECT_EQ(stateFromMods(commandBit, masks), std::nullopt);
    EXPECT_EQ(modsFromState(0xF8, masks), optionBit); // stray bits without a role
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

TEST(KeyCodesText, LatinAndUnicodeKeysymsTypeTheirCharacter) {
    EXPECT_EQ(toUnicode('a'), U'a');
    EXPECT_EQ(toUnicode(0xe9), U'é');
    EXPECT_EQ(toUnicode(0x10020ac), U'€');
    EXPECT_EQ(toUnicode(0x100263a), U'☺');
}

TEST(KeyCodesText, LegacyKeysymsOfOtherScriptsTypeTheirCharacter) {
    EXPECT_EQ(toUnicode(0x6c1), U'а');  // Cyrillic_a
    EXPECT_EQ(toUnicode(0x7e1), U'α');  // Greek_alpha
    EXPECT_EQ(toUnicode(0x1b9), U'š');  // scaron
    EXPECT_EQ(toUnicode(0x20ac), U'€'); // EuroSign
    EXPECT_EQ(toUnicode(0x4b1), U'ア'); // kana_A
}

TEST(KeyCodesText, ControlKeysTypeControlCharactersAndFunctionKeysNothing) {
    EXPECT_EQ(toUnicode(XK_BackSpace), 0x08u);
    EXPECT_EQ(toUnicode(XK_Tab), 0x09u);
    EXPECT_EQ(toUnicode(XK_Return), 0x0du);
    EXPECT_EQ(toUnicode(XK_Escape), 0x1bu);
    EXPECT_EQ(toUnicode(XK_Delete), 0x7fu);
    EXPECT_EQ(toUnicode(XK_KP_5), U'5');
    EXPECT_EQ(toUnicode(XK_F1), 0u);
    EXPECT_EQ(toUnicode(XK_Shift_L), 0u);
    EXPECT_EQ(toUnicode(XK_Left), 0u);
    EXPECT_EQ(toUnicode(0x6a0), 0u); // unassigned in the Cyrillic block
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
