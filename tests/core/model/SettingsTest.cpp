// The stored user settings: typed reads, and the launch-at-login default.
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

TEST_F(SettingsTest, PlainFlagsReadOneAndTrueWhileTypedReadsFallBackOnAnotherType) {
    defaults.values = {{"autoSwitch", std::int64_t{0}},
                       {"autoUpdate", std::string("true")},
                       {"switcherDelayMs", std::string("100")},
                       {"hasSeenIntro", std::int64_t{1}},
                       {"raiseContext", std::string("TRUE")},
                       {"switcherShowAll", std::string("Yes")},
                       {"launchAtLoginConfigured", std::string("no")}};
    EXPECT_TRUE(settings.hasSeenIntro() && settings.raiseContext() && settings.switcherShowAll());
    EXPECT_FALSE(settings.launchAtLoginConfigured());
    EXPECT_TRUE(settings.autoSwitch());
    EXPECT_FALSE(settings.autoUpdate());
    EXPECT_EQ(settings.switcherDelayMs(), 65);
    defaults.values["switcherDelayMs"] = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(settings.switcherDelayMs(), std::numeric_limits<int>::max());
    defaults.values["switcherDelayMs"] = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(settings.switcherDelayMs(), std::numeric_limits<int>::min());
}

TEST_F(SettingsTest, LaunchAtLoginIsRegisteredOnceByDefaultAndNeverOverridesTheUser) {
    // A failed registration is logged and tried again at the next launch.
    loginItem.failEnable = true;
    settings.applyLaunchAtLoginDefault();
    EXPECT_FALSE(settings.launchAtLoginConfigured());
    loginItem.failEnable = false;
    Settings nextLaunch(defaults, loginItem, log);
    nextLaunch.applyLaunchAtLoginDefault();
    EXPECT_TRUE(nextLaunch.launchAtLogin() && nextLaunch.launchAtLoginConfigured());

    // Turned off by the user: the default leaves it off; an unchanged state is not set again.
    nextLaunch.setLaunchAtLogin(false);
    nextLaunch.setLaunchAtLogin(false);
    nextLaunch.applyLaunchAtLoginDefault();
    EXPECT_FALSE(loginItem.isEnabled);
    EXPECT_EQ(loginItem.enableCalls, 2);
    EXPECT_EQ(loginItem.disableCalls, 1);

    // Already enabled by other means: nothing to register, still configured.
    defaults.values.clear();
    loginItem.isEnabled = true;
    settings.applyLaunchAtLoginDefault();
    EXPECT_EQ(loginItem.enableCalls, 2);
    EXPECT_TRUE(settings.launchAtLoginConfigured());
    EXPECT_EQ(log.lines,
              std::vector<std::string>{"launchAtLogin=true failed: Operation not permitted"});
}

} // namespace
} // namespace morvelan
