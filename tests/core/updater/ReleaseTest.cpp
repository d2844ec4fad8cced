// Tests of what the updater reads: Info.json, the release manifest, URLs and version numbers.
#include "core/updater/Release.h"
#include "core/updater/BundleInfo.h"
#include "core/updater/Updater.h"
#include "core/updater/Url.h"
#include "fakes/MemoryFiles.h"

#include <gtest/gtest.h>
#include <utility>

namespace morvelan {
namespace {

TEST(BundleInfoTest, InfoFileGivesVersionDevFlagAndBundle) {
    struct Case {
        const char* folder;
        const char* info; // nullptr: no Info.json
        const char* version;
        bool devBuild;
        bool inBundle;
    };
    const Case cases[] = {
        {"/opt/Morvelan.app", R"({"CFBundleShortVersionString":"1.4.2","MorvelanDevBuild":false})",
         "1.4.2", false, true},
        // Without Info.json the program runs from its build tree.
        {"/home/me/src/morvelan/build/src/qt", nullptr, "0.1.0", true, false},
        {"/opt/Morvelan.app", R"({"CFBundleShortVersionString":2,"MorvelanDevBuild":1})", "0",
         false, true},
        {"/opt/Morvelan.app", R"({"MorvelanDevBuild":true})", "0", true, true},
        {"/opt/Morvelan.app", "{oops", "0", false, true},
        {"/usr/lib/morvelan", R"({"CFBundleShortVersionString":"1.4.2"})", "1.4.2", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.folder) + " " + (c.info ? c.info : "no Info.json"));
        MemoryFiles files;
        const std::filesystem::path folder = c.folder;
        if (c.info) files.contents[folder / "Info.json"] = c.info;
        auto info = BundleInfo::load(files, folder / "morvelan", "0.1.0");
        EXPECT_EQ(info.version, c.version);
        EXPECT_EQ(info.devBuild, c.devBuild);
        EXPECT_EQ(info.bundle, c.inBundle ? std::optional(folder) : std::nullopt);
    }
}

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

TEST(Url, ParsesSchemeHostPortAndRest) {
    auto url = Url::parse("HTTPS://Example.ORG:8443/release/latest.json?x=1");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->scheme, "https");
    EXPECT_EQ(url->host, "example.org");
    EXPECT_EQ(url->port, 8443);
    EXPECT_EQ(url->rest, "/release/latest.json?x=1");

    auto v6 = Url::parse("http://[::1]:8000/a.zip");
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->host, "::1");
    EXPECT_EQ(v6->port, 8000);
}

TEST(Url, RefusesMalformedTextAndUserInformationThatCouldHideTheRealHost) {
    for (const char* bad :
         {"", "example.org/latest.json", "://example.org", "https://", "https:///path",
          "https://exa mple.org/", "https://example.org:0/", "https://example.org:99999/",
          "https://example.org:/", "https://example.org:80x/", "https://[::1/",
          "https://ex\\ample.org/", "1http://example.org/", "https://exa%6dple.org/",
          "http://127.0.0.1@evil.example/x.zip"})
        EXPECT_FALSE(Url::parse(bad)) << bad;
}

TEST(Url, LoopbackHosts) {
    for (const char* ok : {"http://127.0.0.1/", "http://127.255.3.4:9/", "http://localhost/",
                           "http://LOCALHOST:8080/", "http://[::1]/", "http://[0:0:0:0:0:0:0:1]/"})
        EXPECT_TRUE(Url::parse(ok)->hasLoopbackHost()) << ok;
    for (const char* far : {"http://128.0.0.1/", "http://127.0.0.1.example.org/",
                            "http://0127.0.0.1/", "http://127.1/", "http://127.0.0.256/",
                            "http://localhost.example.org/", "http://[::2]/", "http://10.0.0.1/"})
        EXPECT_FALSE(Url::parse(far)->hasLoopbackHost()) << far;
}

TEST(Url, UpdatesNeedHttpsExceptOnThisMachine) {
    for (const char* ok : {"https://morvelan.app/release/latest.json",
                           "http://127.0.0.1:8000/release/latest.json", "http://localhost/x.json"})
        EXPECT_TRUE(Url::isAllowedForUpdates(ok)) << ok;
    for (const char* refused :
         {"http://morvelan.app/release/latest.json", "http://192.168.1.2/release/latest.json",
          "ftp://127.0.0.1/Morvelan.zip", "file:///tmp/Morvelan.zip",
          "http://localhost:80@evil.example/"})
        EXPECT_FALSE(Url::isAllowedForUpdates(refused)) << refused;
}

using Pair = std::pair<const char*, const char*>;

TEST(VersionOrder, ComponentsCompareAsNumbersInTurn) {
    // Each first version is newer than the second, and not the other way round.
    for (auto [a, b] :
         {Pair{"2.0", "1.9.3"}, Pair{"1.9.4", "1.9.3"}, Pair{"1.10", "1.9"}, Pair{"1.2.1", "1.2.x"},
          Pair{"1..3", "1.2"}, Pair{"1.99999999999999999999999", "1.99999999999999999999998"}}) {
        EXPECT_TRUE(Updater::isNewer(a, b)) << a << " vs " << b;
        EXPECT_FALSE(Updater::isNewer(b, a)) << b << " vs " << a;
    }
}

TEST(VersionOrder, EqualVersionsAreNotNewerEitherWay) {
    // Trailing zeros, leading zeros, non-numeric components (zero) and empty ones (dropped).
    for (auto [a, b] :
         {Pair{"1.2", "1.2"}, Pair{"1.2.0", "1.2"}, Pair{"1.2", "1.2.0.0"}, Pair{"", "0"},
          Pair{"1.010", "1.10"}, Pair{"1.2.x", "1.2"}, Pair{"1.2.3a", "1.2"}, Pair{"1.-1", "1.0"},
          Pair{"1.+1", "1.0"}, Pair{".1.2.", "1.2"}}) {
        EXPECT_FALSE(Updater::isNewer(a, b)) << a << " vs " << b;
        EXPECT_FALSE(Updater::isNewer(b, a)) << b << " vs " << a;
    }
}

} // namespace
} // namespace morvelan
