// Application recency: the start-up snapshot, activation notices and the running list.
#include "core/app/AppMRU.h"
#include "fakes/FakeDesktop.h"

#include <gtest/gtest.h>

#include <memory>

namespace morvelan {
namespace {

std::vector<Pid> pidsOf(const std::vector<RunningApp>& apps) {
    std::vector<Pid> pids;
    for (const RunningApp& app : apps)
        pids.push_back(app.pid);
    return pids;
}

class AppMRUTest : public ::testing::Test {
protected:
    AppMRUTest() {
        desktop.addApp(10, "org.a", "A");
        desktop.addApp(20, "org.b", "B");
        desktop.addApp(30, "org.c", "C");
    }

    RunningApp appInfo(Pid pid) { return desktop.app(pid)->info; }

    FakeDesktop desktop;
};

using Pids = std::vector<Pid>;

TEST_F(AppMRUTest, StartsFromTheRegularAppsWithTheFrontmostFirst) {
    desktop.addApp(40, "org.helper", "Helper", ActivationPolicy::accessory);
    desktop.frontmost = 30;
    AppMRU mru(desktop);
    EXPECT_EQ(mru.order(), (Pids{30, 10, 20}));
}

TEST_F(AppMRUTest, ActivatingTwiceInARowListsTheAppOnceAtTheFront) {
    AppMRU mru(desktop);
    desktop.fireActivation(appInfo(20));
    desktop.fireActivation(appInfo(20));
    EXPECT_EQ(mru.order(), (Pids{20, 10, 30}));
}

TEST_F(AppMRUTest, ReactivatingMovesBackToTheFront) {
    AppMRU mru(desktop);
    desktop.fireActivation(appInfo(10));
    desktop.fireActivation(appInfo(30));
    desktop.fireActivation(appInfo(10));
    EXPECT_EQ(mru.order(), (Pids{10, 30, 20}));
    EXPECT_EQ(pidsOf(mru.apps()), (Pids{10, 30, 20}));
}

TEST_F(AppMRUTest, QuitAppStaysInOrderButIsNotReported) {
    AppMRU mru(desktop);
    desktop.fireActivation(appInfo(20));
    desktop.app(20)->info.terminated = true;
    EXPECT_EQ(mru.order().front(), 20);
    EXPECT_EQ(pidsOf(mru.apps()), (Pids{10, 30}));
    desktop.apps.erase(desktop.apps.begin() + 1); // gone from the list altogether
    EXPECT_EQ(pidsOf(mru.apps()), (Pids{10, 30}));
}

TEST_F(AppMRUTest, AppLaunchedLaterButNeverActivatedComesAfterTheKnownOnes) {
    AppMRU mru(desktop);
    desktop.addApp(5, "org.late", "Late");
    desktop.fireActivation(appInfo(30));
    EXPECT_EQ(pidsOf(mru.apps()), (Pids{30, 10, 20, 5}));
}

TEST_F(AppMRUTest, AccessoryAppBecomingFrontmostIsRecordedButNotReported) {
    desktop.addApp(40, "org.helper", "Helper", ActivationPolicy::accessory);
    AppMRU mru(desktop);
    desktop.fireActivation(appInfo(40));
    EXPECT_EQ(mru.order().front(), 40);
    EXPECT_EQ(pidsOf(mru.apps()), (Pids{10, 20, 30}));
}

TEST_F(AppMRUTest, NoticeWithoutAnAppLeavesTheOrderButStillReports) {
    AppMRU mru(desktop);
    int calls = 0;
    mru.onActivate = [&] { ++calls; };
    desktop.fireActivation(appInfo(20));
    desktop.fireActivation(std::nullopt);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(mru.order(), (Pids{20, 10, 30}));
}

TEST_F(AppMRUTest, DuplicatePidInTheSystemListIsReportedOnceWithItsFirstEntry) {
    desktop.addApp(10, "org.a.second", "A again");
    AppMRU mru(desktop);
    auto apps = mru.apps();
    ASSERT_EQ(pidsOf(apps), (Pids{10, 20, 30}));
    EXPECT_EQ(apps[0].name, "A");
}

TEST_F(AppMRUTest, NoticeAfterTheListIsGoneDoesNothing) {
    int calls = 0;
    {
        auto mru = std::make_unique<AppMRU>(desktop);
        mru->onActivate = [&] { ++calls; };
    }
    desktop.fireActivation(appInfo(20));
    EXPECT_EQ(calls, 0);
}

} // namespace
} // namespace morvelan
