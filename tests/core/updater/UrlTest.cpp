// Tests of URL parsing and of which addresses the updater may fetch.
#include "core/updater/Url.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

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

} // namespace
} // namespace morvelan
