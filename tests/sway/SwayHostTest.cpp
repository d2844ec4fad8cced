// The sway host over a real headless sway: three foot windows of two applications on two
// workspaces, read, focused (also out of the scratchpad), closed and quit, with the change
// notices that follow.
#include "sway/SwayBindings.h"
#include "sway/SwayWindowSystem.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>

namespace morvelan {
namespace {

class SwayHost : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("SWAYSOCK")) GTEST_SKIP() << "no sway session (scripts/sway-session)";
        if (std::system("command -v foot >/dev/null") != 0) GTEST_SKIP() << "foot is missing";
        auto opened = SwayWindowSystem::open();
        ASSERT_TRUE(opened) << opened.error().message;
        sway_ = std::move(*opened);
        sway_->setChangeHandler([this](WindowChange c, WindowID) { ++notices_[c]; });
    }

    // Lets the events in until `condition` holds; false after a deadline.
    bool until(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            pollfd p{sway_->fd(), POLLIN, 0};
            ::poll(&p, 1, 50);
            sway_->processEvents();
        }
        return true;
    }

    std::optional<WindowInfo> byTitle(const std::string& title) {
        for (const WindowInfo& w : sway_->windows())
            if (w.title == title) return w;
        return std::nullopt;
    }

    // Opens a foot window and waits until it is listed.
    WindowInfo open(const std::string& appId, const std::string& title) {
        EXPECT_TRUE(sway_->ipc().run("exec foot -a " + appId + " -T '" + title + "' sleep 600"));
        EXPECT_TRUE(until([&] { return byTitle(title).has_value(); })) << title;
        return byTitle(title).value_or(WindowInfo{});
    }

    std::unique_ptr<SwayWindowSystem> sway_;
    std::map<WindowChange, int> notices_;
};

TEST_F(SwayHost, ReadsActsAndNotices) {
    const WindowInfo one = open("alpha", "Alpha one");
    ASSERT_TRUE(sway_->ipc().run("workspace 2"));
    const WindowInfo two = open("alpha", "Alpha two");
    const WindowInfo beta = open("beta", "Beta");
    EXPECT_GT(notices_[WindowChange::list], 0);
    EXPECT_GT(notices_[WindowChange::active], 0);

    // Front to back in focus order, each on its workspace, only the second one's current.
    const auto all = sway_->windows();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].title, "Beta");
    EXPECT_EQ(all[1].title, "Alpha two");
    EXPECT_EQ(all[2].title, "Alpha one");
    EXPECT_EQ(all[0].app.appId, "beta");
    EXPECT_EQ(all[2].app.appId, "alpha");
    EXPECT_NE(one.app.pid, two.app.pid); // one foot process each
    EXPECT_EQ(::kill(one.app.pid, 0), 0);
    EXPECT_EQ(one.desktop, 0);
    EXPECT_EQ(beta.desktop, 1);
    EXPECT_FALSE(all[2].onCurrentDesktop);
    EXPECT_TRUE(all[0].onCurrentDesktop && all[1].onCurrentDesktop);
    EXPECT_GT(all[0].frame.width, 0);
    EXPECT_EQ(sway_->activeWindow()->id, beta.id);
    EXPECT_EQ(sway_->runningApplications().size(), 3u);

    // Focus switches workspace; a notice says the active window changed.
    const int actives = notices_[WindowChange::active];
    sway_->focus(one.id);
    ASSERT_TRUE(until([&] { return notices_[WindowChange::active] > actives; }));
    EXPECT_EQ(sway_->activeWindow()->id, one.id);
    EXPECT_TRUE(byTitle("Alpha one")->onCurrentDesktop);
    EXPECT_FALSE(byTitle("Beta")->onCurrentDesktop);

    // A scratchpad window is minimised; focusing it brings it back, same id.
    ASSERT_TRUE(sway_->ipc().run("[title=\"^Beta$\"] move scratchpad"));
    ASSERT_TRUE(until([&] { return byTitle("Beta")->minimized; }));
    sway_->focus(beta.id);
    ASSERT_TRUE(until([&] { return !byTitle("Beta")->minimized; }));
    EXPECT_EQ(sway_->activeWindow()->id, beta.id);

    // Close asks the window; quit closes every window of the process.
    sway_->close(beta.id);
    ASSERT_TRUE(until([&] { return !byTitle("Beta"); }));
    sway_->quit(two.app.pid);
    ASSERT_TRUE(until([&] { return sway_->windows().size() == 1; }));
    EXPECT_EQ(sway_->windows()[0].id, one.id);
    // Acting on a window that is gone does nothing.
    const auto active = sway_->activeWindow();
    sway_->focus(beta.id);
    sway_->close(two.id);
    EXPECT_EQ(sway_->activeWindow(), active);
    EXPECT_EQ(sway_->windows().size(), 1u);
    sway_->quit(one.app.pid);
    EXPECT_TRUE(until([&] { return sway_->windows().empty(); }));
}

// A binding of the user's, however written, is never replaced by the switcher's.
TEST(SwayBindings, FindsTheUsersBinding) {
    const char* config = "set $mod Mod4\nset $alt Mod1\nbindsym --release $mod+tab exec x\n";
    EXPECT_TRUE(bindsCombo(config, "Mod4+Tab"));
    EXPECT_TRUE(bindsCombo("bindsym Tab+Alt exec y", "Mod1+Tab"));
    EXPECT_FALSE(bindsCombo(config, "Mod1+Tab"));
    EXPECT_FALSE(bindsCombo("bindsym $mod+Shift+Tab exec x\nset $mod Mod4", "Mod4+Tab"));
}

} // namespace
} // namespace morvelan
