// Tests of the update check: what the user is told, and when an install starts.
#include "core/updater/Updater.h"
#include "fakes/FakeAlerts.h"
#include "fakes/FakeHttp.h"
#include "fakes/FakeProcesses.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace morvelan {
namespace {

constexpr const char* manifestUrl = "https://morvelan.app/release/latest.json";

class UpdaterCheckTest : public ::testing::Test {
protected:
    Updater make(BundleInfo bundle, std::string url = manifestUrl) {
        return Updater(http, processes, alerts,
                       {std::move(bundle), std::move(url), [this] { ++quits; }, {}});
    }
    static BundleInfo release(std::string version) {
        return {std::move(version), false, std::filesystem::path("/opt/Morvelan.app")};
    }
    static std::string manifest(const std::string& version) {
        return R"({"version":")" + version + R"(","url":"https://morvelan.app/M.zip"})";
    }

    FakeHttp http;
    FakeProcesses processes;
    FakeAlerts alerts;
    int quits = 0;
};

TEST_F(UpdaterCheckTest, ManifestIsFetchedWithAFifteenSecondTimeout) {
    auto updater = make(release("1.0"));
    updater.check(false);
    ASSERT_EQ(http.gets.size(), 1u);
    EXPECT_EQ(http.gets[0].url, manifestUrl);
    EXPECT_EQ(http.gets[0].timeoutSeconds, 15);
    EXPECT_TRUE(alerts.shown.empty()) << "nothing is shown before the answer";
}

TEST_F(UpdaterCheckTest, PrefixedNewerVersionIsOfferedWithoutItsPrefix) {
    auto updater = make(release("1.9.3"));
    alerts.answers = {1};
    updater.check(false);
    http.answerGet(manifest("v2.0"));
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].title, "Update available — Morvelan 2.0");
    EXPECT_EQ(alerts.shown[0].text,
              "You have 1.9.3. Download and install now? Morvelan will relaunch.");
    EXPECT_EQ(alerts.shown[0].buttons, (std::vector<std::string>{"Install", "Later"}));
    EXPECT_TRUE(http.downloads.empty()) << "Later does nothing";
}

TEST_F(UpdaterCheckTest, InstallDownloadsTheReleaseArchive) {
    auto updater = make(release("1.9.3"));
    alerts.answers = {0};
    updater.check(false);
    http.answerGet(manifest("2.0"));
    ASSERT_EQ(http.downloads.size(), 1u);
    EXPECT_EQ(http.downloads[0].url, "https://morvelan.app/M.zip");
}

TEST_F(UpdaterCheckTest, DismissingTheOfferIsNotInstall) {
    auto updater = make(release("1.9.3"));
    alerts.answers = {-1};
    updater.check(false);
    http.answerGet(manifest("2.0"));
    EXPECT_TRUE(http.downloads.empty());
}

TEST_F(UpdaterCheckTest, SilentCheckAlsoOffersANewerVersion) {
    auto updater = make(release("1.0"));
    alerts.answers = {1};
    updater.check(true);
    http.answerGet(manifest("1.1"));
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].title, "Update available — Morvelan 1.1");
}

TEST_F(UpdaterCheckTest, ManualCheckSaysUpToDateForEqualOrTrailingZeroVersion) {
    auto updater = make(release("1.2"));
    updater.check(false);
    http.answerGet(manifest("1.2.0"));
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].title, "You're up to date");
    EXPECT_EQ(alerts.shown[0].text, "Morvelan 1.2 is the latest version.");
    EXPECT_EQ(alerts.shown[0].buttons, (std::vector<std::string>{"OK"}));
}

TEST_F(UpdaterCheckTest, SilentCheckStaysQuietWhenUpToDateOrUnreachable) {
    auto updater = make(release("1.2"));
    updater.check(true);
    http.answerGet(manifest("1.2"));
    updater.check(true);
    http.answerGet(Error{"The request timed out."});
    updater.check(true);
    http.answerGet(std::string("<html>502</html>"));
    EXPECT_TRUE(alerts.shown.empty());
}

TEST_F(UpdaterCheckTest, ManualCheckReportsAnUnreachableOrUnusableManifest) {
    auto updater = make(release("1.2"));
    updater.check(false);
    http.answerGet(Error{"Host not found"});
    updater.check(false);
    http.answerGet(std::string(R"({"version":"9.0"})"));
    updater.check(false);
    http.answerGet(std::string(R"({"version":"9.0","url":"http://morvelan.app/M.zip"})"));
    ASSERT_EQ(alerts.shown.size(), 3u);
    for (const auto& shown : alerts.shown) {
        EXPECT_EQ(shown.title, "Update check failed");
        EXPECT_EQ(shown.text, "Couldn't reach the update server.");
    }
}

TEST_F(UpdaterCheckTest, DevelopmentBuildSkipsTheSilentCheckButAnswersAManualOne) {
    auto updater = make({"0.1.0", true, std::nullopt});
    updater.check(true);
    EXPECT_TRUE(http.gets.empty());
    updater.check(false);
    ASSERT_EQ(http.gets.size(), 1u);
    http.answerGet(manifest("0.1.0"));
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].title, "You're up to date");
}

TEST_F(UpdaterCheckTest, PlainHttpManifestOffThisMachineIsNeverRequested) {
    auto updater = make(release("1.0"), "http://morvelan.app/release/latest.json");
    updater.check(false);
    EXPECT_TRUE(http.gets.empty());
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].title, "Update check failed");
}

TEST_F(UpdaterCheckTest, LoopbackHttpManifestIsRequested) {
    auto updater = make(release("1.0"), "http://127.0.0.1:8000/release/latest.json");
    updater.check(false);
    EXPECT_EQ(http.gets.size(), 1u);
}

TEST_F(UpdaterCheckTest, DownloadFailureIsReportedWithItsReason) {
    auto updater = make(release("1.0"));
    updater.install({"2.0", "https://morvelan.app/M.zip"});
    http.answerDownload(Error{"Connection refused"});
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].title, "Download failed");
    EXPECT_EQ(alerts.shown[0].text, "Connection refused");
    EXPECT_TRUE(processes.calls.empty());

    updater.install({"2.0", "https://morvelan.app/M.zip"});
    EXPECT_EQ(http.downloads.size(), 1u) << "a failed download does not block a retry";
}

TEST_F(UpdaterCheckTest, OutsideABundleInstallSaysToUpdateTheWayItWasInstalled) {
    auto updater = make({"1.0", false, std::nullopt});
    updater.install({"2.0", "https://morvelan.app/M.zip"});
    EXPECT_TRUE(http.downloads.empty()) << "nothing is downloaded that cannot be installed";
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].title, "Install failed");
    EXPECT_EQ(alerts.shown[0].text, Updater::notInBundleText);
    EXPECT_NE(alerts.shown[0].text.find("the way you installed it"), std::string::npos);
    EXPECT_FALSE(updater.swapIn("/tmp/x.zip")) << "the swap refuses too";
    EXPECT_TRUE(processes.calls.empty());
}

TEST_F(UpdaterCheckTest, SecondInstallWhileOneIsDownloadingIsIgnored) {
    auto updater = make(release("1.0"));
    updater.install({"2.0", "https://morvelan.app/M.zip"});
    updater.install({"2.0", "https://morvelan.app/M.zip"});
    EXPECT_EQ(http.downloads.size(), 1u);
}

TEST_F(UpdaterCheckTest, AnswerArrivingAfterTheUpdaterIsGoneIsIgnored) {
    {
        auto updater = make(release("1.0"));
        updater.check(false);
    }
    http.answerGet(manifest("2.0"));
    EXPECT_TRUE(alerts.shown.empty());
}

TEST_F(UpdaterCheckTest, ManifestUrlComesFromTheEnvironmentWhenSet) {
    ::unsetenv("MORVELAN_RELEASE_URL");
    EXPECT_EQ(Updater::manifestUrl(manifestUrl), manifestUrl);
    ::setenv("MORVELAN_RELEASE_URL", "", 1);
    EXPECT_EQ(Updater::manifestUrl(manifestUrl), manifestUrl);
    ::setenv("MORVELAN_RELEASE_URL", "http://127.0.0.1:8000/release/latest.json", 1);
    EXPECT_EQ(Updater::manifestUrl(manifestUrl), "http://127.0.0.1:8000/release/latest.json");
    ::unsetenv("MORVELAN_RELEASE_URL");
}

} // namespace
} // namespace morvelan
