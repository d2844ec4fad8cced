// Identifier and colour texts: what is accepted, and what is written back.
#include "core/model/Color.h"
#include "core/model/Uuid.h"

#include <gtest/gtest.h>

#include <set>

namespace morvelan {
namespace {

TEST(Uuid, ParsesEitherCaseWritesUpperCaseAndRandomIdsAreVersionFourAndDistinct) {
    EXPECT_EQ(Uuid::parse("0a1b2c3d-4e5f-6a7b-8c9d-aebfc0d1e2f3")->str(),
              "0A1B2C3D-4E5F-6A7B-8C9D-AEBFC0D1E2F3");
    for (const char* text :
         {"0A1B2C3D-4E5F-6A7B-8C9D-AEBFC0D1E2F33", "0A1B2C3-D4E5F-6A7B-8C9D-AEBFC0D1E2F3",
          "0A1B2C3D-4E5F-6A7B-8C9D-AEBFC0D1E2G3"})
        EXPECT_FALSE(Uuid::parse(text)) << text;
    std::set<std::string> seen;
    for (int i = 0; i < 1000; ++i) {
        const std::string text = Uuid::random().str();
        EXPECT_EQ(text[14], '4') << text;
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 1000u);
}

TEST(Color, SixDigitsWithOptionalHashRoundTripRoundingToNearestAndClamping) {
    EXPECT_EQ(colorFromHex("  #138a80\t"), (Color{0x13 / 255.0, 0x8A / 255.0, 0x80 / 255.0, 1.0}));
    EXPECT_EQ(colorFromHex("138A80"), colorFromHex("#138A80"));
    for (const char* text : {"#FFF", "#FF6B6B00", "#GG0000", "", "#", "##138A80", "\n#138A80",
                             "#138A80\n", "# 138A80", "+138A80", "0x138A", "#-12345"})
        EXPECT_FALSE(colorFromHex(text)) << text;
    for (std::string_view hex : palette)
        EXPECT_EQ(hexFromColor(colorFromHex(hex).value_or(Color{})), hex);
    EXPECT_EQ(hexFromColor(Color{0.5, 0.0, 1.0, 1.0}), "#8000FF"); // 127.5 rounds up
    EXPECT_EQ(hexFromColor(Color{0.498, 0.002, 0.999, 1.0}), "#7F01FF");
    EXPECT_EQ(hexFromColor(Color{-0.2, 1.7, 0.0, 1.0}), "#00FF00");
    EXPECT_EQ(paletteHex(9), paletteHex(1)) << "the palette wraps after eight";
}

} // namespace
} // namespace morvelan
