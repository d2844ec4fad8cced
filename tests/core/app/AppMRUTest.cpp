// Application recency: the start-up snapshot, activation notices and the running list.
#include "core/app/AppMRU.h"
#include "fakes/FakeDesktop.h"

#include <gtest/gtest.h>

#include <memory>

namespace morvelan {
namespace {

using Pids = std::vector<Pid>;

class AppMRUTest : public ::testing::Test {
protected:
    AppMRUTest() {
        desktop.addApp(10, "org.a", "A");
        desktop.addApp(20, "org.b", "B");
        desktop.addApp(30, "org.c", "C");
    }

    void activate(Pid pid) { desktop.fireActivation(desktop.app(pid)->info); }
    static Pids pidsOf(const std::vector<RunningApp>& apps) {
        Pids pids;
        for (const RunningApp& app : apps)
            pids.push_back(app.pid);
        return pids;
    }

    FakeDesktop desktop;
};

TEST_F(AppMRUTest, StartsFromRegularAppsFrontmostFirstAndActivationMovesToTheFrontOnce) {
    desktop.addApp(40, "org.helper", "Helper", ActivationPolicy::accessory);
    desktop.frontmost = 30;
    AppMRU mru(desktop);
    EXPECT_EQ(mru.order(), (Pids{30, 10, 20}));
    activate(20);
    activate(20);
    EXPECT_EQ(mru.order(), (Pids{20, 30, 10}));
    activate(10);
    EXPECT_EQ(mru.order(), (Pids{10, 20, 30}));
    EXPECT_EQ(pidsOf(mru.apps()), (Pids{10, 20, 30}));
    // An accessory app becoming frontmost is recorded but not reported.
    activate(40);
    EXPECT_EQ(mru.order().front(), 40);
    EXPECT_EQ(pidsOf(mru.apps()), (Pids{10, 20, 30}));
}

TEST_F(AppMRUTest, ReportsRunningAppsOnceEachWithNewcomersLast) {
    desktop.addApp(10, "org.a.second", "A again"); // a duplicate pid: its first entry counts
    AppMRU mru(desktop);
    desktop.addApp(5, "org.late", "Late"); // launched later, never activated
    activate(30);
    auto apps = mru.apps();
    EXPECT_EQ(pidsOf(apps), (Pids{30, 10, 20, 5}));
    EXPECT_EQ(apps[1].name, "A");

    // A quit app stays in the order but is not reported, nor once gone from the list.
    activate(20);
    desktop.app(20)->info.terminated = true;
    EXPECT_EQ(mru.order().front(), 20);
    EXPECT_EQ(pidsOf(mru.apps()), (Pids{30, 10, 5}));
    desktop.apps.erase(desktop.apps.begin() + 1);
    EXPECT_EQ(pidsOf(mru.apps()), (Pids{30, 10, 5}));
}

TEST_F(AppMRUTest, NoticeWithoutAnAppStillReportsAndNoticesAfterTheListIsGoneDoNothing) {
    int calls = 0;
    {
        AppMRU mru(desktop);
        mru.onActivate = [&] { ++calls; };
        activate(20);
        desktop.fireActivation(std::nullopt);
        EXPECT_EQ(calls, 2);
        EXPECT_EQ(mru.order(), (Pids{20, 10, 30}));
    }
    activate(30);
    EXPECT_EQ(calls, 2);
}

} // namespace
} // namespace morvelan
