// Tests of the title decoding at the X11 boundary: every result must be valid UTF-8.
#include "x11/X11Text.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

using namespace x11text;

TEST(ValidUtf8, KeepsWellFormedText) {
    EXPECT_EQ(validUtf8("plain"), "plain");
    EXPECT_EQ(validUtf8("Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"),
              "Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80");
}

TEST(ValidUtf8, ReplacesEachIllFormedByte) {
    EXPECT_EQ(validUtf8("bad\xFF"), "bad\xEF\xBF\xBD");
    // A truncated sequence at the end (a title cut by the property length limit).
    EXPECT_EQ(validUtf8("ab\xE2\x82"), "ab\xEF\xBF\xBD\xEF\xBF\xBD");
    // Overlong form of '/', a UTF-16 surrogate and a code point above U+10FFFF.
    EXPECT_EQ(validUtf8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(validUtf8("\xED\xA0\x80").substr(0, 3), "\xEF\xBF\xBD");
    EXPECT_EQ(validUtf8("\xF4\x90\x80\x80").substr(0, 3), "\xEF\xBF\xBD");
    EXPECT_EQ(validUtf8("\xED\xA0\x80"), validUtf8(validUtf8("\xED\xA0\x80")));
}

TEST(Latin1, MapsEveryByteToItsCodePoint) {
    EXPECT_EQ(latin1ToUtf8("Caf\xE9"), "Caf\xC3\xA9");
    EXPECT_EQ(latin1ToUtf8("\xFF\x80"), "\xC3\xBF\xC2\x80");
}

TEST(CompoundText, DecodesLatin1AndUtf8Segments) {
    EXPECT_EQ(compoundTextToUtf8("Caf\xE9"), "Caf\xC3\xA9");
    EXPECT_EQ(compoundTextToUtf8("a\x1B%G\xE2\x82\xAC\x1B%@b"), "a\xE2\x82\xAC"
                                                                "b");
}

TEST(CompoundText, OtherCharacterSetsBecomeReplacementCharacters) {
    // ESC $ ( B selects JIS X 0208 in G0: two bytes per character we cannot decode.
    const std::string out = compoundTextToUtf8("x\x1B$(B\x30\x21\x1B(By");
    EXPECT_EQ(out.front(), 'x');
    EXPECT_EQ(out.back(), 'y');
    EXPECT_NE(out.find("\xEF\xBF\xBD"), std::string::npos);
    EXPECT_EQ(validUtf8(out), out);
}

TEST(CompoundText, AnUnfinishedEscapeEndsTheText) {
    EXPECT_EQ(compoundTextToUtf8("ok\x1B$"), "ok");
}

TEST(FirstItem, CutsAtTheFirstNul) {
    EXPECT_EQ(firstItem(std::string_view("one\0two", 7)), "one");
    EXPECT_EQ(firstItem("whole"), "whole");
}

} // namespace
} // namespace morvelan
