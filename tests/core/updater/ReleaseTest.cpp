// Tests of reading the release manifest.
#include "core/updater/Release.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

TEST(ReleaseManifest, ReadsVersionWithoutOneLeadingVAndTheArchive) {
    EXPECT_EQ(
        Release::fromManifest(R"({"version":"1.4.2","url":"https://example.org/Morvelan.zip",)"
                              R"("notes":"x","size":3})"),
        (Release{"1.4.2", "https://example.org/Morvelan.zip"}));
    EXPECT_EQ(Release::fromManifest(R"({"version":"v2.0","url":"http://127.0.0.1:8000/a.zip"})"),
              (Release{"2.0", "http://127.0.0.1:8000/a.zip"}));
    for (auto [written, read] : {std::pair{"vv2", "v2"}, std::pair{"V2", "V2"}}) {
        auto release = Release::fromManifest(std::string(R"({"version":")") + written +
                                             R"(","url":"https://e.org/a.zip"})");
        ASSERT_TRUE(release) << written;
        EXPECT_EQ(release->version, read);
    }
}

TEST(ReleaseManifest, RefusesAnythingButAnObjectWithTwoStringsAndAFetchableArchive) {
    for (const char* body :
         {"", "not json", "[1,2]", "\"v2\"", "null",
          "{\"version\":", R"({"url":"https://e.org/a.zip"})", R"({"version":"2.0"})",
          R"({"version":2.0,"url":"https://e.org/a.zip"})",
          R"({"version":"2.0","url":["https://e.org/a.zip"]})",
          R"({"version":null,"url":"https://e.org/a.zip"})",
          R"({"version":"2.0","url":"Morvelan.zip"})", R"({"version":"2.0","url":""})",
          R"({"version":"2.0","url":"https://a b/x.zip"})",
          R"({"version":"2.0","url":"http://e.org/a.zip"})"})
        EXPECT_FALSE(Release::fromManifest(body)) << body;
}

} // namespace
} // namespace morvelan
