// What the updater reads: Info.json, the release manifest, the addresses it may fetch from,
// and version numbers.
#include "core/updater/Release.h"
#include "core/updater/BundleInfo.h"
#include "core/updater/Updater.h"
#include "core/updater/Url.h"
#include "fakes/MemoryFiles.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

TEST(BundleInfo, InfoFileGivesVersionDevFlagAndTheBundleOnlyInAnAppFolder) {
    struct Case {
        const char* folder;
        const char* info; // nullptr: no Info.json, as in a build tree
        const char* read; // version, dev build, bundle
    };
    for (const Case& c : {
             Case{"/opt/Morvelan.app", R"({"CFBundleShortVersionString":"1.4.2"})", "1.4.2 0 1"},
             Case{"/home/me/build/src/qt", nullptr, "0.1.0 1 0"},
             Case{"/opt/Morvelan.app", R"({"CFBundleShortVersionString":2,"MorvelanDevBuild":1})",
                  "0 0 1"},
             Case{"/opt/Morvelan.app", R"({"MorvelanDevBuild":true})", "0 1 1"},
             Case{"/opt/Morvelan.app", "{oops", "0 0 1"},
             Case{"/usr/lib/morvelan", R"({"CFBundleShortVersionString":"1.4.2"})", "1.4.2 0 0"},
         }) {
        MemoryFiles files;
        if (c.info) files.contents[std::filesystem::path(c.folder) / "Info.json"] = c.info;
        auto info = BundleInfo::load(files, std::filesystem::path(c.folder) / "morvelan", "0.1.0");
        EXPECT_EQ(info.version + " " + std::to_string(info.devBuild) + " " +
                      std::to_string(info.bundle == std::filesystem::path(c.folder)),
                  c.read)
            << c.folder << " " << (c.info ? c.info : "no Info.json");
    }
}

TEST(ReleaseManifest, NeedsTwoStringsTheArchiveFetchableAndDropsOneLeadingV) {
    EXPECT_EQ(Release::fromManifest(R"({"version":"v2.0","url":"https://e.org/a.zip","x":3})"),
              (Release{"2.0", "https://e.org/a.zip"}));
    EXPECT_EQ(Release::fromManifest(R"({"version":"vv2","url":"http://127.0.0.1:8000/a.zip"})"),
              (Release{"v2", "http://127.0.0.1:8000/a.zip"}));
    for (const char* body : {"", "[1,2]", "null", R"({"url":"https://e.org/a.zip"})",
                             R"({"version":2.0,"url":"https://e.org/a.zip"})",
                             R"({"version":"2.0","url":["https://e.org/a.zip"]})",
                             R"({"version":"2.0","url":"Morvelan.zip"})",
                             R"({"version":"2.0","url":"http://e.org/a.zip"})"})
        EXPECT_FALSE(Release::fromManifest(body)) << body;
}

TEST(Url, UpdatesAreFetchedOverHttpsOrFromThisMachineOnly) {
    for (const char* ok :
         {"https://morvelan.app/release/latest.json", "HTTPS://Example.ORG:8443/a.zip?x=1",
          "http://127.0.0.1:8000/release/latest.json", "http://127.255.3.4:9/", "http://localhost/",
          "http://LOCALHOST:8080/", "http://[::1]:8000/a.zip", "http://[0:0:0:0:0:0:0:1]/"})
        EXPECT_TRUE(Url::isAllowedForUpdates(ok)) << ok;
    for (const char* refused :
         {"http://morvelan.app/latest.json", "http://192.168.1.2/latest.json",
          "ftp://127.0.0.1/M.zip", "file:///tmp/M.zip", "", "example.org/latest.json",
          "://example.org", "https://", "https:///path", "https://exa mple.org/",
          "https://example.org:0/", "https://example.org:99999/", "https://example.org:/",
          "https://example.org:80x/", "https://[::1/", "https://ex\\ample.org/",
          "https://exa%6dple.org/",
          // Lookalikes of a loopback address, and user information hiding the real host.
          "http://128.0.0.1/", "http://127.0.0.1.example.org/", "http://0127.0.0.1/",
          "http://127.1/", "http://127.0.0.256/", "http://localhost.example.org/", "http://[::2]/",
          "http://127.0.0.1@evil.example/x.zip", "http://localhost:80@evil.example/"})
        EXPECT_FALSE(Url::isAllowedForUpdates(refused)) << refused;
}

TEST(VersionOrder, ComponentsCompareAsNumbersInTurn) {
    using Pair = std::pair<const char*, const char*>;
    // The first is newer.
    for (auto [a, b] :
         {Pair{"2.0", "1.9.3"}, Pair{"1.10", "1.9"}, Pair{"1.2.1", "1.2.x"}, Pair{"1..3", "1.2"},
          Pair{"1.99999999999999999999999", "1.99999999999999999999998"}}) {
        EXPECT_TRUE(Updater::isNewer(a, b)) << a << " vs " << b;
        EXPECT_FALSE(Updater::isNewer(b, a)) << b << " vs " << a;
    }
    // Trailing and leading zeros, non-numeric components (zero) and empty ones (dropped).
    for (auto [a, b] : {Pair{"1.2.0", "1.2"}, Pair{"", "0"}, Pair{"1.010", "1.10"},
                        Pair{"1.2.3a", "1.2"}, Pair{"1.-1", "1.0"}, Pair{".1.2.", "1.2"}}) {
        EXPECT_FALSE(Updater::isNewer(a, b)) << a << " vs " << b;
        EXPECT_FALSE(Updater::isNewer(b, a)) << b << " vs " << a;
    }
}

} // namespace
} // namespace morvelan
