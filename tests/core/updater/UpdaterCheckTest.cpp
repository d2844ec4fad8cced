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

using Titles = std::vector<std::string>;

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
    // The titles of the alerts shown so far.
    Titles titles() const {
        Titles out;
        for (const auto& shown : alerts.shown)
            out.push_back(shown.title);
        return out;
    }

    FakeHttp http;
    FakeProcesses processes;
    FakeAlerts alerts;
    int quits = 0;
};

TEST_F(UpdaterCheckTest, ManifestIsFetchedOnlyFromAnAllowedAddressWithAFifteenSecondTimeout) {
    auto updater = make(release("1.0"));
    updater.check(false);
    ASSERT_EQ(http.gets.size(), 1u);
    EXPECT_EQ(http.gets[0].url, manifestUrl);
    EXPECT_EQ(http.gets[0].timeoutSeconds, 15);
    EXPECT_TRUE(alerts.shown.empty()) << "nothing is shown before the answer";

    auto loopback = make(release("1.0"), "http://127.0.0.1:8000/release/latest.json");
    loopback.check(false);
    EXPECT_EQ(http.gets.size(), 2u);
    auto plain = make(release("1.0"), "http://morvelan.app/release/latest.json");
    plain.check(false);
    EXPECT_EQ(http.gets.size(), 2u) << "plain http off this machine is never requested";
    EXPECT_EQ(titles(), Titles{"Update check failed"});
}

TEST_F(UpdaterCheckTest, NewerVersionIsOfferedWithoutItsPrefixAndOnlyInstallDownloads) {
    // Install, Later, dismissed, and Later after a silent check.
    for (auto [answer, silent] :
         {std::pair{0, false}, std::pair{1, false}, std::pair{-1, false}, std::pair{1, true}}) {
        SCOPED_TRACE(answer);
        alerts.shown.clear();
        auto updater = make(release("1.9.3"));
        alerts.answers = {answer};
        updater.check(silent);
        http.answerGet(manifest("v2.0"));
        ASSERT_EQ(alerts.shown.size(), 1u);
        EXPECT_EQ(alerts.shown[0].title, "Update available — Morvelan 2.0");
        EXPECT_EQ(alerts.shown[0].text,
                  "You have 1.9.3. Download and install now? Morvelan will relaunch.");
        EXPECT_EQ(alerts.shown[0].buttons, (std::vector<std::string>{"Install", "Later"}));
        ASSERT_EQ(http.downloads.size(), 1u) << "only the first answer installs";
        EXPECT_EQ(http.downloads[0].url, "https://morvelan.app/M.zip");
    }
}

TEST_F(UpdaterCheckTest, OnlyAManualCheckSaysUpToDateOrThatTheManifestIsUnusable) {
    auto updater = make(release("1.2"));
    const std::vector<Result<std::string>> answers = {
        manifest("1.2.0"), Error{"Host not found"}, std::string(R"({"version":"9.0"})"),
        std::string(R"({"version":"9.0","url":"http://morvelan.app/M.zip"})"),
        std::string("<html>502</html>")};
    for (bool silent : {true, false})
        for (const auto& answer : answers) {
            updater.check(silent);
            http.answerGet(answer);
        }
    EXPECT_EQ(titles(), (Titles{"You're up to date", "Update check failed", "Update check failed",
                                "Update check failed", "Update check failed"}));
    EXPECT_EQ(alerts.shown[0].text, "Morvelan 1.2 is the latest version.");
    EXPECT_EQ(alerts.shown[0].buttons, (std::vector<std::string>{"OK"}));
    EXPECT_EQ(alerts.shown[1].text, "Couldn't reach the update server.");
}

TEST_F(UpdaterCheckTest, DevelopmentBuildSkipsTheSilentCheckButAnswersAManualOne) {
    auto updater = make({"0.1.0", true, std::nullopt});
    updater.check(true);
    EXPECT_TRUE(http.gets.empty());
    updater.check(false);
    ASSERT_EQ(http.gets.size(), 1u);
    http.answerGet(manifest("0.1.0"));
    EXPECT_EQ(titles(), Titles{"You're up to date"});
}

TEST_F(UpdaterCheckTest, OneDownloadAtATimeAndAFailureIsReportedAndAllowsARetry) {
    auto updater = make(release("1.0"));
    updater.install({"2.0", "https://morvelan.app/M.zip"});
    updater.install({"2.0", "https://morvelan.app/M.zip"});
    ASSERT_EQ(http.downloads.size(), 1u) << "the second install is ignored";
    http.answerDownload(Error{"Connection refused"});
    EXPECT_EQ(titles(), Titles{"Download failed"});
    EXPECT_EQ(alerts.shown[0].text, "Connection refused");
    EXPECT_TRUE(processes.calls.empty());

    updater.install({"2.0", "https://morvelan.app/M.zip"});
    EXPECT_EQ(http.downloads.size(), 1u);
}

TEST_F(UpdaterCheckTest, OutsideABundleInstallSaysToUpdateTheWayItWasInstalled) {
    auto updater = make({"1.0", false, std::nullopt});
    updater.install({"2.0", "https://morvelan.app/M.zip"});
    EXPECT_TRUE(http.downloads.empty()) << "nothing is downloaded that cannot be installed";
    EXPECT_EQ(titles(), Titles{"Install failed"});
    EXPECT_NE(alerts.shown[0].text.find("the way you installed it"), std::string::npos);
    EXPECT_FALSE(updater.swapIn("/tmp/x.zip")) << "the swap refuses too";
    EXPECT_TRUE(processes.calls.empty());
}

TEST_F(UpdaterCheckTest, AnswerArrivingAfterTheUpdaterIsGoneIsIgnored) {
    make(release("1.0")).check(false);
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
