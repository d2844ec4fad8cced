// Tests of the display text of bindings.
#include "core/hotkeys/KeyText.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

TEST(KeysText, ModifiersInControlOptionShiftCommandOrderThenTheKey) {
    EXPECT_EQ(KeyText::of({48, Modifier::command}), "⌘Tab");
    EXPECT_EQ(KeyText::of({48, Modifier::option}), "⌥Tab");
    EXPECT_EQ(KeyText::mods(Modifier::all), "⌃⌥⇧⌘");
    EXPECT_EQ(KeyText::of({23, Modifier::shift | Modifier::command}), "⇧⌘5");
    EXPECT_EQ(KeyText::of({49, 0xC0000}), "⌃⌥Space");
    EXPECT_EQ(KeyText::of({99, Modifier::control}), "⌃key99");
    // Bits outside the four modifiers show nothing.
    EXPECT_EQ(KeyText::mods(0), "");
    EXPECT_EQ(KeyText::mods(0x10000 | 0x200000 | 0x100), "");
}

TEST(KeysName, NamedKeysArrowsLettersDigitsAndFallback) {
    for (auto [code, name] : {std::pair{36, "Return"}, std::pair{53, "Esc"}, std::pair{123, "←"},
                              std::pair{124, "→"}, std::pair{125, "↓"}, std::pair{126, "↑"},
                              std::pair{0, "A"}, std::pair{29, "0"}, std::pair{-3, "key-3"},
                              std::pair{10, "key10"}}) // the ISO section key is not in the table
        EXPECT_EQ(KeyText::name(code), name) << code;
}

} // namespace
} // namespace morvelan
