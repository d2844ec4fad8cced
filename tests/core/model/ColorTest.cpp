// Colour text: parsing, formatting, palette.
#include "core/model/Color.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

TEST(ColorFromHex, AcceptsSixDigitsWithOptionalHashAndBlanksAroundOnly) {
    auto withSpaces = colorFromHex("  #138a80\t");
    ASSERT_TRUE(withSpaces);
    EXPECT_EQ(*withSpaces, (Color{0x13 / 255.0, 0x8A / 255.0, 0x80 / 255.0, 1.0}));
    EXPECT_EQ(colorFromHex("138A80"), withSpaces);
    for (const char* text : {"#FFF", "#FF6B6B00", "#GG0000", "", "#", "##138A80", "\n#138A80",
                             "#138A80\n", "# 138A80", "+138A80", "0x138A", "#-12345"})
        EXPECT_FALSE(colorFromHex(text)) << text;
}

TEST(HexFromColor, RoundTripsRoundsToNearestAndClamps) {
    for (std::string_view hex : palette)
        EXPECT_EQ(hexFromColor(colorFromHex(hex).value_or(Color{})), hex);
    EXPECT_EQ(hexFromColor(*colorFromHex("#e17055")), "#E17055");
    EXPECT_EQ(hexFromColor(Color{0.5, 0.0, 1.0, 1.0}), "#8000FF"); // 127.5 rounds up
    EXPECT_EQ(hexFromColor(Color{0.498, 0.002, 0.999, 1.0}), "#7F01FF");
    EXPECT_EQ(hexFromColor(Color{-0.2, 1.7, 0.0, 1.0}), "#00FF00");
    EXPECT_EQ(hexFromColor(systemBlue), "#007AFF");
}

TEST(Palette, CyclesThroughEightColours) {
    EXPECT_EQ(paletteHex(0), "#FF6B6B");
    EXPECT_EQ(paletteHex(7), "#E84393");
    EXPECT_EQ(paletteHex(8), "#FF6B6B");
    EXPECT_EQ(paletteHex(13), "#E17055");
    EXPECT_EQ(paletteColor(9), colorFromHex("#4ECDC4"));
}

} // namespace
} // namespace morvelan
