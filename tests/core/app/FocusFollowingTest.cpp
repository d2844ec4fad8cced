// Following the focus into the context that claims the focused window.
#include "AppFixture.h"

namespace morvelan {
namespace {

class FocusFollowing : public AppFixture {
protected:
    void SetUp() override {
        e1 = windows.open(editor, "draft");
        e2 = windows.open(editor, "notes");
        b1 = windows.open(browser, "news");
        t1 = windows.open(term, "shell");
        launch();
    }
    WindowID e1 = 0, e2 = 0, b1 = 0, t1 = 0;
};

TEST_F(FocusFollowing, UnclaimedWindowsAndAutoSwitchOffKeepTheContextButRecordRecency) {
    ContextPtr work =
        addContext("Work", {}, {rule(RuleField::bundleID, RuleOp::equals, "org.editor")});
    ContextPtr web = addContext("Web", {appPin("org.browser")});
    click(t1); // nobody claims the terminal
    EXPECT_EQ(app->store().activeID(), web->id);
    click(e1);
    EXPECT_EQ(app->store().activeID(), work->id);

    app->settings().setAutoSwitch(false);
    click(b1);
    EXPECT_EQ(app->store().activeID(), work->id);
    EXPECT_EQ(app->recency().ids().front(), b1);
}

TEST_F(FocusFollowing, ActiveContextFirstThenAPinningOneThenTheMostRecentClaimingOne) {
    const Rule editors = rule(RuleField::appName, RuleOp::contains, "edit");
    ContextPtr pinned = addContext("Pinned", {pin(win(e1))}, {editors});
    ContextPtr ruled = addContext("Ruled", {}, {editors});
    click(e1); // the active context claims it too: it stays
    EXPECT_EQ(app->store().activeID(), ruled->id);

    ContextPtr web = addContext("Web", {appPin("org.browser")});
    click(e1); // the pinning context beats the more recently used rule context
    EXPECT_EQ(app->store().activeID(), pinned->id);
    app->store().setActiveSilent(ruled->id);
    app->store().setActiveSilent(web->id);
    click(e2); // no pin names it: the most recently used claiming context
    EXPECT_EQ(app->store().activeID(), ruled->id);
}

TEST_F(FocusFollowing, AfterASwitchOnlyTheChosenContextsWindowIsFollowedForTwoSeconds) {
    ContextPtr work = addContext("Work", {appPin("org.editor")});
    ContextPtr web = addContext("Web", {appPin("org.browser")});
    app->opener().commit(win(e1), work->id);
    click(b1); // the old context's window getting the focus back on its way out
    EXPECT_EQ(app->store().activeID(), work->id);
    EXPECT_NE(app->recency().ids().front(), b1);
    click(e1); // the chosen window arrived: the hold ends
    click(b1);
    EXPECT_EQ(app->store().activeID(), web->id);

    app->opener().commit(win(e1), work->id);
    queue.advance(FocusFollower::holdFor);
    click(b1);
    EXPECT_EQ(app->store().activeID(), web->id);
}

TEST_F(FocusFollowing, NothingIsFollowedUnderTheOpenSwitcherNorOnABackgroundRetitle) {
    ContextPtr web = addContext("Web", {appPin("org.browser")});
    addContext("Work", {appPin("org.editor")});
    click(e1);
    const std::string logged = files.inFolder("focused.log");
    EXPECT_EQ(logged,
              "app=Editor\nwid=" + std::to_string(e1) + "\ntitle=draft\nmatchedContext=Work\n");

    windows.setTitle(t1, "make");
    queue.advance(1.0);
    EXPECT_EQ(files.inFolder("focused.log"), logged); // written again only when something changed
    windows.setTitle(e1, "draft 2");
    queue.advance(1.0);
    EXPECT_NE(files.inFolder("focused.log").find("title=draft 2\n"), std::string::npos);

    app->opener().switcherOpen(false);
    app->switcher().showNow();
    click(b1);
    queue.advance(1.0);
    EXPECT_NE(app->store().activeID(), web->id);
}

} // namespace
} // namespace morvelan
