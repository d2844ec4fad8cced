// Uuid: text form, parsing of either case, and random ids.
#include "core/model/Uuid.h"

#include <gtest/gtest.h>

#include <set>

namespace morvelan {
namespace {

TEST(Uuid, ParsesEitherCaseWritesUpperCaseAndRejectsOtherText) {
    auto id = Uuid::parse("0a1b2c3d-4e5f-6a7b-8c9d-aebfc0d1e2f3");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->str(), "0A1B2C3D-4E5F-6A7B-8C9D-AEBFC0D1E2F3");
    EXPECT_EQ(id->bytes[0], 0x0A);
    EXPECT_EQ(id->bytes[15], 0xF3);
    EXPECT_EQ(Uuid::parse(id->str()), id);
    for (const char* text : {
             "",
             "0A1B2C3D-4E5F-6A7B-8C9D-AEBFC0D1E2F",   // too short
             "0A1B2C3D-4E5F-6A7B-8C9D-AEBFC0D1E2F33", // too long
             "0A1B2C3D4E5F-6A7B-8C9D-AEBFC0D1E2F3a",  // hyphen missing
             "0A1B2C3D-4E5F-6A7B-8C9D-AEBFC0D1E2G3",  // not hex
             "{A1B2C3D-4E5F-6A7B-8C9D-AEBFC0D1E2F3}",
             "0A1B2C3-D4E5F-6A7B-8C9D-AEBFC0D1E2F3", // hyphen in the wrong place
         })
        EXPECT_FALSE(Uuid::parse(text)) << text;
}

TEST(Uuid, RandomIdsAreVersionFourAndDistinct) {
    std::set<Uuid> seen;
    for (int i = 0; i < 1000; ++i) {
        Uuid id = Uuid::random();
        EXPECT_EQ(id.bytes[6] >> 4, 4);
        EXPECT_EQ(id.bytes[8] & 0xC0, 0x80);
        EXPECT_EQ(id.str()[14], '4');
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 1000u);
}

} // namespace
} // namespace morvelan
