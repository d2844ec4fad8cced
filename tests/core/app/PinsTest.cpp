// Keeping pins useful: new windows of pinned applications, dead pins, and the pin gesture.
#include "AppFixture.h"

namespace morvelan {
namespace {

class Pins : public AppFixture {
protected:
    void SetUp() override {
        e1 = windows.open(editor, "draft");
        b1 = windows.open(browser, "news");
        launch();
        work = addContext("Work", {pin(win(e1))});
    }
    void pass() { queue.advance(AppDelegate::pinPassInterval); }
    WindowID e1 = 0, b1 = 0;
    ContextPtr work;
};

TEST_F(Pins, NewWindowsOfAPinnedAppJoinTheActiveContextUnlessSeenOrDecidedByRules) {
    work->rules = {rule(RuleField::title, RuleOp::equals, "in"),
                   rule(RuleField::title, RuleOp::equals, "out", true)};
    const WindowID e2 = windows.open(editor, "notes");
    windows.open(editor, "in");
    windows.open(editor, "out");
    pass();
    EXPECT_EQ(work->members, (std::vector<WinRef>{pin(win(e1)), pin(win(e2))}));
    EXPECT_NE(files.inFolder("contexts.json").find("notes"), std::string::npos);

    // What is open when a context is picked in the tray is never pinned to it.
    ContextPtr other = addContext("Other");
    windows.open(editor, "early");
    app->store().setActive(work->id);
    pass();
    EXPECT_EQ(work->members.size(), 2u);

    // A window opened under a context without a pin of its app waits for one that has one.
    app->store().setActiveSilent(other->id);
    const WindowID late = windows.open(editor, "late");
    pass();
    app->store().setActiveSilent(work->id);
    pass();
    EXPECT_EQ(work->members.back(), pin(win(late)));
}

TEST_F(Pins, PinsOfClosedWindowsGoWhileTheirAppRunsEvenWithoutWindowsAndStayWhenItQuit) {
    const WindowID e2 = windows.open(editor, "notes");
    pass();
    ASSERT_EQ(work->members.size(), 2u);
    windows.destroy(e2);
    pass();
    EXPECT_EQ(work->members, (std::vector<WinRef>{pin(win(e1))}));

    // Regression: an application that keeps running without windows counted as not running.
    windows.destroy(e1);
    pass();
    EXPECT_TRUE(work->members.empty());

    const WindowID n = windows.open(editor, "notes");
    work->members = {pin(win(n)), pin("org.editor", "", 0xDEAD)};
    windows.exit(editor.pid);
    pass(); // the app quit: the titled pin waits for it, the untitled one is gone
    EXPECT_EQ(work->members, (std::vector<WinRef>{pin("org.editor", "notes", n)}));
    const WindowID back = windows.open(AppInfo{editor.pid + 5, editor.appId, editor.name}, "notes");
    EXPECT_TRUE(app->engine().belongs(win(back), *work));
}

TEST_F(Pins, TheGesturePinsWhatNothingClaimsAndUnpinsOrExcludesWhatIsClaimed) {
    app->pinKeeper().toggle(win(b1), work->id);
    EXPECT_EQ(work->members.back(), pin(win(b1)));
    app->pinKeeper().toggle(win(b1), work->id);
    EXPECT_EQ(work->members, (std::vector<WinRef>{pin(win(e1))}));
    EXPECT_TRUE(work->rules.empty());

    work->members.push_back(appPin("org.browser"));
    app->pinKeeper().toggle(win(b1), work->id); // the app pin still claims it: excluded by title
    EXPECT_EQ(work->rules.back(), rule(RuleField::title, RuleOp::equals, "news", true));
    EXPECT_FALSE(app->engine().belongs(win(b1), *work));

    windows.setTitle(b1, "");
    work->rules.clear();
    app->pinKeeper().toggle(win(b1), work->id); // untitled: the whole application
    EXPECT_EQ(work->rules.back(), rule(RuleField::bundleID, RuleOp::equals, "org.browser", true));
    app->pinKeeper().toggle(win(b1), Uuid::random()); // a context deleted meanwhile
    EXPECT_EQ(work->rules.size(), 1u);
}

} // namespace
} // namespace morvelan
