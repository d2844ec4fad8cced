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

TEST_F(SettingsTest, AbsentKeysReadAsDefaultsAndSettersWriteTheTableKeysWithTheirTypes) {
    EXPECT_FALSE(settings.hasSeenIntro() || settings.raiseContext() || settings.switcherShowAll() ||
                 settings.launchAtLoginConfigured());
    EXPECT_TRUE(settings.autoSwitch() && settings.autoUpdate());
    EXPECT_EQ(settings.switcherDelayMs(), 65);

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

TEST_F(SettingsTest, ValuesOfAnotherTypeReadAsTheDefaultAndLargeDelaysSaturate) {
    defaults.values["hasSeenIntro"] = std::int64_t{1};
    defaults.values["raiseContext"] = std::string("YES");
    defaults.values["switcherShowAll"] = 1.0;
    defaults.values["autoSwitch"] = std::int64_t{0};
    defaults.values["autoUpdate"] = std::string("false");
    EXPECT_FALSE(settings.hasSeenIntro() || settings.raiseContext() || settings.switcherShowAll());
    EXPECT_TRUE(settings.autoSwitch() && settings.autoUpdate());

    using Limits = std::numeric_limits<int>;
    const std::pair<DefaultValue, int> delays[] = {
        {std::string("100"), 65},
        {true, 65},
        {120.0, 65},
        {std::numeric_limits<std::int64_t>::max(), Limits::max()},
        {std::numeric_limits<std::int64_t>::min(), Limits::min()},
        {std::int64_t{0}, 0},
    };
    for (const auto& [stored, read] : delays) {
        defaults.values["switcherDelayMs"] = stored;
        EXPECT_EQ(settings.switcherDelayMs(), read);
    }
}

TEST_F(SettingsTest, LaunchAtLoginActsOnlyWhenTheStateDiffersAndLogsFailures) {
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

TEST_F(SettingsTest, DefaultRegistersOnceAndOnlyASuccessMarksItConfigured) {
    // A failed registration is tried again at the next launch.
    loginItem.failEnable = true;
    settings.applyLaunchAtLoginDefault();
    EXPECT_EQ(defaults.values.count("launchAtLoginConfigured"), 0u);
    EXPECT_EQ(log.lines.size(), 1u);
    loginItem.failEnable = false;
    Settings nextLaunch(defaults, loginItem, log);
    nextLaunch.applyLaunchAtLoginDefault();
    EXPECT_TRUE(loginItem.isEnabled);
    EXPECT_EQ(loginItem.enableCalls, 2);
    EXPECT_TRUE(nextLaunch.launchAtLoginConfigured());

    // The user turns it off later: the default never overrides that choice.
    nextLaunch.setLaunchAtLogin(false);
    nextLaunch.applyLaunchAtLoginDefault();
    EXPECT_FALSE(loginItem.isEnabled);
    EXPECT_EQ(loginItem.enableCalls, 2);

    // Already enabled by other means: nothing to register, still configured.
    defaults.values.clear();
    loginItem.isEnabled = true;
    settings.applyLaunchAtLoginDefault();
    EXPECT_EQ(loginItem.enableCalls, 2);
    EXPECT_TRUE(settings.launchAtLoginConfigured());
}

} // namespace
} // namespace morvelan
