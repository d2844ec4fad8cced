// Which windows the switcher may list, in which order, and focusing with a follow-up.
#include "core/engine/WindowEngine.h"
#include "fakes/FakeWindowSystem.h"
#include "fakes/ManualQueue.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

class WindowEngineTest : public ::testing::Test {
protected:
    WindowID open(std::string title, int desktop = 0, WindowKind kind = WindowKind::normal) {
        const WindowID id = windows.open(app, std::move(title));
        windows.window(id).desktop = desktop;
        windows.window(id).kind = kind;
        return id;
    }
    std::vector<std::string> titles(const std::vector<Win>& wins) {
        std::vector<std::string> out;
        for (const Win& w : wins)
            out.push_back(w.title);
        return out;
    }

    const AppInfo app{42, "org.app", "App"};
    FakeWindowSystem windows;
    ManualQueue queue;
    WindowEngine engine{windows, queue};
};

TEST_F(WindowEngineTest, ListsShownTaskbarNormalWindowsOfTheCurrentDesktopFirstFrontToBack) {
    open("back");
    open("elsewhere", 1);
    open("everywhere", WindowInfo::allDesktops);
    const WindowID dialog = open("dialog", 0, WindowKind::dialog);
    open("utility", 0, WindowKind::utility);
    windows.window(open("minimised")).minimized = true;
    windows.window(open("skipped")).skipTaskbar = true;
    open("front");
    EXPECT_EQ(titles(engine.allWindows()),
              (std::vector<std::string>{"front", "everywhere", "back", "elsewhere"}));
    // Every window of the reading counts as alive, listed or not.
    EXPECT_EQ(engine.liveWids().size(), 8u);
    EXPECT_TRUE(engine.liveWids().count(dialog));
    windows.activate(dialog);
    EXPECT_EQ(engine.focusedWindow()->title, "dialog"); // the focused window, whatever its kind
}

TEST_F(WindowEngineTest, FocusIsAskedForOnceMoreOnlyWhenTheWindowManagerDidNotHonourIt) {
    const WindowID a = open("a");
    const WindowID b = open("b", 1);
    const std::string focusA = "focus " + std::to_string(a);
    engine.focus(engine.allWindows().front()); // a
    queue.advance(WindowEngine::focusFollowUpDelay);
    EXPECT_EQ(windows.actions, (std::vector<std::string>{focusA}));
    EXPECT_EQ(windows.currentDesktop, 0);

    windows.honoursFocus = false;
    windows.actions.clear();
    const Win onOtherDesktop = engine.allWindows().back();
    ASSERT_EQ(onOtherDesktop.wid, b);
    engine.focus(onOtherDesktop);
    queue.advance(WindowEngine::focusFollowUpDelay);
    EXPECT_EQ(windows.actions.size(), 2u);

    windows.actions.clear();
    engine.focus(onOtherDesktop);
    windows.destroy(b); // gone before the follow-up: nothing to insist on
    queue.advance(WindowEngine::focusFollowUpDelay);
    EXPECT_EQ(windows.actions.size(), 1u);
}

} // namespace
} // namespace morvelan
