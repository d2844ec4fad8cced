// The update check: what the user is told, and when a download starts.
#include "core/updater/Updater.h"
#include "fakes/FakeAlerts.h"
#include "fakes/FakeHttp.h"
#include "fakes/FakeProcesses.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

using Lines = std::vector<std::string>;

class UpdaterCheckTest : public ::testing::Test {
protected:
    Updater make(BundleInfo bundle = {"1.2", false, "/opt/Morvelan.app"},
                 std::string url = "https://morvelan.app/release/latest.json") {
        return Updater(http, processes, alerts, {std::move(bundle), std::move(url), [] {}, {}});
    }
    static std::string manifest(const std::string& version) {
        return R"({"version":")" + version + R"(","url":"https://morvelan.app/M.zip"})";
    }
    // Each alert shown so far as "title: text [buttons]".
    Lines shown() const {
        Lines out;
        for (const auto& alert : alerts.shown) {
            std::string buttons;
            for (const auto& button : alert.buttons)
                buttons += (buttons.empty() ? "" : " ") + button;
            out.push_back(alert.title + ": " + alert.text + " [" + buttons + "]");
        }
        return out;
    }

    FakeHttp http;
    FakeProcesses processes;
    FakeAlerts alerts;
};

TEST_F(UpdaterCheckTest, ANewerVersionIsOfferedAndOnlyInstallDownloadsIt) {
    // Install, Later, the offer closed, and Later after the automatic check.
    for (auto [answer, silent] :
         {std::pair{0, false}, std::pair{1, false}, std::pair{-1, false}, std::pair{1, true}}) {
        alerts.shown.clear();
        alerts.answers = {answer};
        auto updater = make();
        updater.check(silent);
        http.answerGet(manifest("v2.0"));
        EXPECT_EQ(shown(), Lines{"Update available — Morvelan 2.0: You have 1.2. Download and "
                                 "install now? Morvelan will relaunch. [Install Later]"});
    }
    ASSERT_EQ(http.downloads.size(), 1u);
    EXPECT_EQ(http.downloads[0].url, "https://morvelan.app/M.zip");
}

TEST_F(UpdaterCheckTest, OnlyAManualCheckSaysUpToDateOrThatTheManifestIsUnusable) {
    auto updater = make();
    const std::vector<Result<std::string>> answers = {
        manifest("1.2.0"), Error{"Host not found"}, std::string(R"({"version":"9.0"})"),
        std::string(R"({"version":"9.0","url":"http://morvelan.app/M.zip"})")};
    for (bool silent : {true, false})
        for (const auto& answer : answers) {
            updater.check(silent);
            http.answerGet(answer);
        }
    const std::string failed = "Update check failed: Couldn't reach the update server. [OK]";
    EXPECT_EQ(shown(), (Lines{"You're up to date: Morvelan 1.2 is the latest version. [OK]", failed,
                              failed, failed}));

    // Plain http off this machine is never asked; on it, it is.
    alerts.shown.clear();
    make({"1.2", false, "/opt/Morvelan.app"}, "http://morvelan.app/latest.json").check(false);
    EXPECT_EQ(shown(), Lines{failed});
    make({"1.2", false, "/opt/Morvelan.app"}, "http://127.0.0.1:8000/latest.json").check(false);
    ASSERT_EQ(http.gets.size(), 1u);
    EXPECT_EQ(http.gets[0].url, "http://127.0.0.1:8000/latest.json");
}

TEST_F(UpdaterCheckTest, DevelopmentBuildSkipsTheAutomaticCheckButAnswersAManualOne) {
    auto updater = make({"0.1.0", true, std::nullopt});
    updater.check(true);
    EXPECT_TRUE(http.gets.empty());
    updater.check(false);
    http.answerGet(manifest("0.1.0"));
    EXPECT_EQ(shown(), Lines{"You're up to date: Morvelan 0.1.0 is the latest version. [OK]"});
}

TEST_F(UpdaterCheckTest, OneDownloadAtATimeAndAFailedOneIsReportedAndMayBeRetried) {
    auto updater = make();
    updater.install({"2.0", "https://morvelan.app/M.zip"});
    updater.install({"2.0", "https://morvelan.app/M.zip"});
    ASSERT_EQ(http.downloads.size(), 1u);
    http.answerDownload(Error{"Connection refused"});
    EXPECT_EQ(shown(), Lines{"Download failed: Connection refused [OK]"});
    EXPECT_TRUE(processes.calls.empty());
    updater.install({"2.0", "https://morvelan.app/M.zip"});
    EXPECT_EQ(http.downloads.size(), 1u);
}

TEST_F(UpdaterCheckTest, OutsideABundleNothingIsDownloadedAndTheUserIsToldHowToUpdate) {
    auto updater = make({"1.0", false, std::nullopt});
    updater.install({"2.0", "https://morvelan.app/M.zip"});
    EXPECT_TRUE(http.downloads.empty());
    EXPECT_EQ(shown(), Lines{"Install failed: " + std::string(Updater::notInBundleText) + " [OK]"});
    EXPECT_FALSE(updater.swapIn("/tmp/x.zip"));
    EXPECT_TRUE(processes.calls.empty());
}

TEST_F(UpdaterCheckTest, AnswerArrivingAfterTheUpdaterIsGoneIsIgnored) {
    make().check(false);
    http.answerGet(manifest("2.0"));
    EXPECT_TRUE(alerts.shown.empty());
}

} // namespace
} // namespace morvelan
