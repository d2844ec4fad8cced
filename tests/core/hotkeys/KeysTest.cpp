// Tests of the display text of bindings.
#include "core/hotkeys/Keys.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

TEST(KeysText, DefaultBindingsShowAsCommandTabAndOptionTab) {
    EXPECT_EQ(Keys::text({48, Modifier::command}), "⌘Tab");
    EXPECT_EQ(Keys::text({48, Modifier::option}), "⌥Tab");
}

TEST(KeysText, ModifiersComeInControlOptionShiftCommandOrder) {
    EXPECT_EQ(Keys::mods(Modifier::all), "⌃⌥⇧⌘");
    EXPECT_EQ(Keys::text({23, Modifier::shift | Modifier::command}), "⇧⌘5");
    EXPECT_EQ(Keys::text({49, 0xC0000}), "⌃⌥Space");
}

TEST(KeysText, BitsOutsideTheFourModifiersShowNothing) {
    EXPECT_EQ(Keys::mods(0), "");
    EXPECT_EQ(Keys::mods(0x10000 | 0x200000 | 0x100), "");
}

TEST(KeysName, NamedKeysArrowsAndFallback) {
    EXPECT_EQ(Keys::name(36), "Return");
    EXPECT_EQ(Keys::name(53), "Esc");
    EXPECT_EQ(Keys::name(123), "←");
    EXPECT_EQ(Keys::name(124), "→");
    EXPECT_EQ(Keys::name(125), "↓");
    EXPECT_EQ(Keys::name(126), "↑");
    EXPECT_EQ(Keys::text({99, Modifier::control}), "⌃key99");
    EXPECT_EQ(Keys::name(-3), "key-3");
}

TEST(KeysName, AnsiTableCoversEveryLetterAndDigitOnce) {
    const auto& table = Keys::ansi();
    EXPECT_EQ(table.size(), 36u);
    std::string seen;
    for (const auto& [code, text] : table) {
        ASSERT_EQ(text.size(), 1u) << code;
        EXPECT_EQ(seen.find(text), std::string::npos) << "duplicate " << text;
        seen += text;
    }
    EXPECT_EQ(Keys::name(0), "A");
    EXPECT_EQ(Keys::name(29), "0");
    EXPECT_EQ(Keys::name(10), "key10"); // the ISO section key is not in the table
}

} // namespace
} // namespace morvelan
