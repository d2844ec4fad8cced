// Tests of the stored user settings and the launch-at-login default.
#include "core/model/Settings.h"
#include "fakes/FakeLoginItem.h"
#include "fakes/MemoryDefaults.h"
#include "fakes/RecordingLog.h"

#include <gtest/gtest.h>
#include <limits>

namespace morvelan {
namespace {

class SettingsTest : public ::testing::Test {
protected:
    MemoryDefaults defaults;
    FakeLoginItem loginItem;
    RecordingLog log;
    Settings settings{defaults, loginItem, log};
};

TEST_F(SettingsTest, AbsentKeysReadAsTheirDefaults) {
    EXPECT_FALSE(settings.hasSeenIntro());
    EXPECT_FALSE(settings.raiseContext());
    EXPECT_FALSE(settings.switcherShowAll());
    EXPECT_FALSE(settings.launchAtLoginConfigured());
    EXPECT_TRUE(settings.autoSwitch());
    EXPECT_TRUE(settings.autoUpdate());
    EXPECT_EQ(settings.switcherDelayMs(), 65);
}

TEST_F(SettingsTest, SettersUseTheTableKeysAndKeepTypes) {
    settings.setHasSeenIntro(true);
    settings.setRaiseContext(true);
    settings.setSwitcherShowAll(true);
    settings.setLaunchAtLoginConfigured(true);
    settings.setAutoSwitch(false);
    settings.setAutoUpdate(false);
    settings.setSwitcherDelayMs(38);
    const std::map<std::string, DefaultValue> expected{
        {"hasSeenIntro", true},
        {"raiseContext", true},
        {"switcherShowAll", true},
        {"launchAtLoginConfigured", true},
        {"autoSwitch", false},
        {"autoUpdate", false},
        {"switcherDelayMs", std::int64_t{38}},
    };
    EXPECT_EQ(defaults.values, expected);
    EXPECT_TRUE(settings.hasSeenIntro());
    EXPECT_FALSE(settings.autoSwitch());
    EXPECT_EQ(settings.switcherDelayMs(), 38);
}

TEST_F(SettingsTest, PlainFlagsStoredWithAnotherTypeReadFalse) {
    defaults.values["hasSeenIntro"] = std::int64_t{1};
    defaults.values["raiseContext"] = std::string("YES");
    defaults.values["switcherShowAll"] = 1.0;
    EXPECT_FALSE(settings.hasSeenIntro());
    EXPECT_FALSE(settings.raiseContext());
    EXPECT_FALSE(settings.switcherShowAll());
}

TEST_F(SettingsTest, TypedReadsOfAnotherTypeGiveTheDefault) {
    defaults.values["autoSwitch"] = std::int64_t{0};
    defaults.values["autoUpdate"] = std::string("false");
    EXPECT_TRUE(settings.autoSwitch());
    EXPECT_TRUE(settings.autoUpdate());
    for (DefaultValue odd :
         {DefaultValue{std::string("100")}, DefaultValue{true}, DefaultValue{120.0}}) {
        defaults.values["switcherDelayMs"] = odd;
        EXPECT_EQ(settings.switcherDelayMs(), 65);
    }
}

TEST_F(SettingsTest, DelayBeyondIntSaturates) {
    defaults.values["switcherDelayMs"] = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(settings.switcherDelayMs(), std::numeric_limits<int>::max());
    defaults.values["switcherDelayMs"] = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(settings.switcherDelayMs(), std::numeric_limits<int>::min());
    defaults.values["switcherDelayMs"] = std::int64_t{0};
    EXPECT_EQ(settings.switcherDelayMs(), 0);
}

TEST_F(SettingsTest, LaunchAtLoginOnlyActsWhenTheStateDiffers) {
    settings.setLaunchAtLogin(false);
    EXPECT_EQ(loginItem.disableCalls, 0);
    settings.setLaunchAtLogin(true);
    EXPECT_EQ(loginItem.enableCalls, 1);
    EXPECT_TRUE(settings.launchAtLogin());
    settings.setLaunchAtLogin(true);
    EXPECT_EQ(loginItem.enableCalls, 1);
    settings.setLaunchAtLogin(false);
    EXPECT_EQ(loginItem.disableCalls, 1);
    EXPECT_FALSE(settings.launchAtLogin());
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(SettingsTest, LaunchAtLoginFailuresAreLoggedWithTheRequestedValue) {
    loginItem.failEnable = true;
    settings.setLaunchAtLogin(true);
    loginItem.isEnabled = true;
    loginItem.failDisable = true;
    loginItem.error = "Permission denied";
    settings.setLaunchAtLogin(false);
    EXPECT_EQ(log.lines, (std::vector<std::string>{
                             "launchAtLogin=true failed: Operation not permitted",
                             "launchAtLogin=false failed: Permission denied",
                         }));
}

TEST_F(SettingsTest, DefaultRegistersOnceAndMarksItConfigured) {
    settings.applyLaunchAtLoginDefault();
    EXPECT_TRUE(loginItem.isEnabled);
    EXPECT_TRUE(settings.launchAtLoginConfigured());

    // The user turns it off later: the default never overrides that choice.
    settings.setLaunchAtLogin(false);
    settings.applyLaunchAtLoginDefault();
    EXPECT_FALSE(loginItem.isEnabled);
    EXPECT_EQ(loginItem.enableCalls, 1);
}

TEST_F(SettingsTest, DefaultAlreadyEnabledStillMarksItConfigured) {
    loginItem.isEnabled = true;
    settings.applyLaunchAtLoginDefault();
    EXPECT_EQ(loginItem.enableCalls, 0);
    EXPECT_TRUE(settings.launchAtLoginConfigured());
}

TEST_F(SettingsTest, FailedDefaultIsTriedAgainAtTheNextLaunch) {
    loginItem.failEnable = true;
    settings.applyLaunchAtLoginDefault();
    EXPECT_FALSE(settings.launchAtLoginConfigured());
    EXPECT_EQ(defaults.values.count("launchAtLoginConfigured"), 0u);
    ASSERT_EQ(log.lines.size(), 1u);

    loginItem.failEnable = false;
    Settings nextLaunch(defaults, loginItem, log);
    nextLaunch.applyLaunchAtLoginDefault();
    EXPECT_EQ(loginItem.enableCalls, 2);
    EXPECT_TRUE(nextLaunch.launchAtLoginConfigured());
}

} // namespace
} // namespace morvelan
