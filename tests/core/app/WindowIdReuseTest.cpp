// The X server hands a disconnected client's window ids to the next client at once: a window
// that gets the handle of a closed one is a new window for every rule of the program.
#include "AppFixture.h"

namespace morvelan {
namespace {

class WindowIdReuse : public AppFixture {
protected:
    static constexpr FakeWindowSystem::Handle reused = 0x600007;
};

TEST_F(WindowIdReuse, NewWindowOnAClosedWindowsHandleIsStillPinnedAsNew) {
    const WindowID one = windows.open(term, "one");
    const WindowID two = windows.open(term, "two", reused);
    launch();
    ContextPtr work = addContext("Work", {pin(win(one))});
    queue.advance(AppDelegate::pinPassInterval);

    windows.destroy(two);
    const WindowID three = windows.open(term, "three", reused);
    ASSERT_NE(three, two);
    queue.advance(AppDelegate::pinPassInterval);
    EXPECT_EQ(work->members, (std::vector<WinRef>{pin(win(one)), pin(win(three))}));
}

TEST_F(WindowIdReuse, RelaunchedPinnedWindowIsClaimedByTitleWhenAnotherAppTookItsHandle) {
    const WindowID notes = windows.open(editor, "notes", reused);
    launch();
    ContextPtr work = addContext("Work", {pin(win(notes))});
    ContextPtr other = addContext("Other");

    windows.exit(editor.pid);
    windows.open(browser, "news", reused);
    const AppInfo relaunched{editor.pid + 1, editor.appId, editor.name};
    const WindowID again = windows.open(relaunched, "notes");
    click(again);
    EXPECT_EQ(app->store().activeID(), work->id);
    queue.advance(AppDelegate::pinPassInterval);
    EXPECT_EQ(work->members.size(), 1u);
}

TEST_F(WindowIdReuse, UnrelatedWindowOnAPinnedWindowsHandleIsNotClaimed) {
    const WindowID build = windows.open(term, "build", reused);
    launch();
    addContext("Work", {pin(win(build))});
    ContextPtr other = addContext("Other");

    windows.exit(term.pid);
    const WindowID mail =
        windows.open(AppInfo{term.pid + 1, term.appId, term.name}, "mail", reused);
    click(mail);
    EXPECT_EQ(app->store().activeID(), other->id);
    EXPECT_EQ(app->follower().contextContaining(win(mail)), nullptr);
}

TEST_F(WindowIdReuse, WindowOnAClosedWindowsHandleDoesNotInheritItsRecency) {
    const WindowID a = windows.open(editor, "a", reused);
    const WindowID b = windows.open(browser, "b");
    const WindowID c = windows.open(term, "c");
    launch();
    click(c);
    click(a);
    click(b);

    windows.destroy(a);
    const WindowID d = windows.open(editor, "d", reused);
    windows.activate(b);
    app->opener().switcherOpen(false);
    EXPECT_EQ(tiles(), (Ids{b, c, d}));
}

} // namespace
} // namespace morvelan
