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

TEST_F(WindowEngineTest, FocusIsAskedForOnceMoreOnlyWhenTheWindowManagerLetTheRequestGo) {
    const WindowID a = open("a");
    const WindowID b = open("b", 1);
    const WindowID c = open("c");
    const auto win = [&](WindowID id) { return winOf(windows.window(id)); };
    const auto asked = [&](std::vector<WindowID> ids) {
        std::vector<std::string> lines;
        for (WindowID id : ids)
            lines.push_back("focus " + std::to_string(id));
        const bool same = windows.actions == lines;
        windows.actions.clear();
        return same;
    };
    engine.focus(win(b));
    queue.advance(WindowEngine::focusFollowUpDelay);
    EXPECT_TRUE(asked({b}));
    EXPECT_EQ(windows.currentDesktop, 1);

    windows.honoursFocus = false;
    engine.focus(win(a));
    queue.advance(WindowEngine::focusFollowUpDelay);
    EXPECT_TRUE(asked({a, a}));

    // Regression: a second switch within the delay was undone by the first one's follow-up.
    engine.focus(win(a));
    windows.honoursFocus = true;
    engine.focus(win(c));
    queue.advance(WindowEngine::focusFollowUpDelay);
    EXPECT_TRUE(asked({a, c}));
    // Nor is a click elsewhere undone, nor a window that is gone insisted on.
    windows.honoursFocus = false;
    engine.focus(win(a));
    windows.activate(b);
    queue.advance(WindowEngine::focusFollowUpDelay);
    engine.focus(win(a));
    windows.destroy(a);
    queue.advance(WindowEngine::focusFollowUpDelay);
    EXPECT_TRUE(asked({a, a}));
}

} // namespace
} // namespace morvelan
