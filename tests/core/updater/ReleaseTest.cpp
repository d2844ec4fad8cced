// Tests of reading the release manifest.
#include "core/updater/Release.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

TEST(ReleaseManifest, ReadsVersionAndArchiveIgnoringOtherKeys) {
    auto release = Release::fromManifest(
        R"({"version":"1.4.2","url":"https://example.org/Morvelan.zip","notes":"x","size":3})");
    ASSERT_TRUE(release);
    EXPECT_EQ(*release, (Release{"1.4.2", "https://example.org/Morvelan.zip"}));
}

TEST(ReleaseManifest, StripsOneLeadingV) {
    EXPECT_EQ(Release::fromManifest(R"({"version":"v2.0","url":"https://e.org/a.zip"})")->version,
              "2.0");
    EXPECT_EQ(Release::fromManifest(R"({"version":"vv2","url":"https://e.org/a.zip"})")->version,
              "v2");
    EXPECT_EQ(Release::fromManifest(R"({"version":"V2","url":"https://e.org/a.zip"})")->version,
              "V2");
}

TEST(ReleaseManifest, RefusesAnythingButAnObject) {
    for (const char* body : {"", "not json", "[1,2]", "\"v2\"", "null", "{\"version\":"})
        EXPECT_FALSE(Release::fromManifest(body)) << body;
}

TEST(ReleaseManifest, RefusesMissingOrNonStringKeys) {
    for (const char* body : {R"({"url":"https://e.org/a.zip"})", R"({"version":"2.0"})",
                             R"({"version":2.0,"url":"https://e.org/a.zip"})",
                             R"({"version":"2.0","url":["https://e.org/a.zip"]})",
                             R"({"version":null,"url":"https://e.org/a.zip"})"})
        EXPECT_FALSE(Release::fromManifest(body)) << body;
}

TEST(ReleaseManifest, RefusesAnArchiveAddressThatIsNotAUrl) {
    EXPECT_FALSE(Release::fromManifest(R"({"version":"2.0","url":"Morvelan.zip"})"));
    EXPECT_FALSE(Release::fromManifest(R"({"version":"2.0","url":""})"));
    EXPECT_FALSE(Release::fromManifest(R"({"version":"2.0","url":"https://a b/x.zip"})"));
}

TEST(ReleaseManifest, RefusesPlainHttpArchiveOffThisMachine) {
    EXPECT_FALSE(Release::fromManifest(R"({"version":"2.0","url":"http://e.org/a.zip"})"));
    EXPECT_TRUE(Release::fromManifest(R"({"version":"2.0","url":"http://127.0.0.1:8000/a.zip"})"));
}

} // namespace
} // namespace morvelan
