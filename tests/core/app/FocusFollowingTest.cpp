// Following focus into the claiming context, and the suppression after a switcher commit.
#include "AppFixture.h"

namespace morvelan {
namespace {

class FocusFollowingTest : public AppFixture {
protected:
    // Editor windows 1 "notes" and 2 "draft", browser window 3 "page"; launched.
    void SetUp() override {
        window(editor, 1, "notes");
        window(editor, 2, "draft");
        window(browser, 3, "page");
        launch();
    }

    void focusAndFollow(Pid pid, WindowID wid) {
        focus(pid, wid);
        app->followFocus(win(wid));
    }
};

TEST_F(FocusFollowingTest, UnclaimedWindowOrAutoSwitchOffRecordsRecencyButKeepsTheContext) {
    clearContexts();
    auto edit = addContext("Edit", {appPin("org.editor")});
    focusAndFollow(browser, 3);
    EXPECT_EQ(app->store().activeID, edit->id);
    EXPECT_EQ(app->winMRU().front(), 3u);
    EXPECT_EQ(app->winMRUpid().at(3), browser);

    defaults.values["autoSwitch"] = false;
    addContext("Web", {appPin("org.browser")});
    app->store().setActiveSilent(edit->id);
    focusAndFollow(editor, 1);
    focusAndFollow(browser, 3);
    EXPECT_EQ(app->store().activeID, edit->id);
    EXPECT_EQ(app->winMRU().front(), 3u);
}

TEST_F(FocusFollowingTest, ActiveContextKeepsAWindowItClaimsEvenWhenAnotherPinsIt) {
    addContext("Pinned", {pin("org.editor", "notes", 1)});
    auto broad = addContext("Broad", {}, {rule(RuleField::appName, RuleOp::equals, "Editor")});
    focusAndFollow(editor, 1);
    EXPECT_EQ(app->store().activeID, broad->id);
}

TEST_F(FocusFollowingTest, PinningContextByIdOrByTitleWinsOverAMoreRecentRuleContext) {
    auto pinning =
        addContext("Pinning", {pin("org.editor", "notes", 1), pin("org.editor", "draft", 99)},
                   {rule(RuleField::appName, RuleOp::equals, "Editor")});
    auto recent = addContext("Recent", {}, {rule(RuleField::appName, RuleOp::equals, "Editor")});
    auto other = addContext("Other");
    ASSERT_EQ(app->store().contextsByRecency()[1], recent);
    focusAndFollow(editor, 1);
    EXPECT_EQ(app->store().activeID, pinning->id);
    app->store().setActiveSilent(recent->id);
    app->store().setActiveSilent(other->id);
    focusAndFollow(editor, 2); // the pin's id is dead: its title matches
    EXPECT_EQ(app->store().activeID, pinning->id);
}

TEST_F(FocusFollowingTest, OtherwiseTheMostRecentClaimingContextWinsAndAPinOfALiveTwinDoesNot) {
    window(editor, 4, "draft"); // same title as window 2
    addContext("Older", {}, {rule(RuleField::appName, RuleOp::equals, "Editor")});
    auto pinning = addContext("Pinning", {pin("org.editor", "draft", 4)});
    auto recent = addContext("Recent", {}, {rule(RuleField::appName, RuleOp::equals, "Editor")});
    addContext("Other");
    (void)app->engine().windowedPids(); // window 4 is live
    focusAndFollow(editor, 2);
    EXPECT_EQ(app->store().activeID, recent->id);
    EXPECT_NE(app->store().activeID, pinning->id);
}

TEST_F(FocusFollowingTest, SwitchedAwayFocusIsIgnoredUntilTheChosenWindowArrives) {
    auto d = addContext("D", {appPin("org.browser")});
    auto c = addContext("C", {appPin("org.editor")});
    app->store().setActiveSilent(d->id);
    focusAndFollow(browser, 3); // the user was in D's window

    app->commitSwitch(win(1), c->id); // chose W = window 1 in C
    EXPECT_EQ(app->store().activeID, c->id);
    const Wids before = app->winMRU();

    queue.advance(0.5);
    focusAndFollow(browser, 3); // a late event for D's window
    EXPECT_EQ(app->store().activeID, c->id);
    EXPECT_EQ(app->winMRU(), before); // not even recorded

    focusAndFollow(editor, 1); // W arrives: the suppression ends
    EXPECT_EQ(app->suppressUntil(), 0);
    EXPECT_FALSE(app->pendingCtx());
    EXPECT_EQ(app->store().activeID, c->id);

    focusAndFollow(browser, 3); // from now on focus is followed again
    EXPECT_EQ(app->store().activeID, d->id);

    // Without the chosen window, the suppression ends after two seconds.
    app->commitSwitch(win(1), c->id);
    queue.advance(1.9);
    focusAndFollow(browser, 3);
    EXPECT_EQ(app->store().activeID, c->id);
    queue.advance(0.2);
    focusAndFollow(browser, 3);
    EXPECT_EQ(app->store().activeID, d->id);
}

TEST_F(FocusFollowingTest, NotificationsWithinFiftyMillisecondsMakeOnePoll) {
    auto web = addContext("Web", {appPin("org.browser")});
    addContext("Edit", {appPin("org.editor")});
    focus(browser, 3);
    app->engine().trackFocusChanges(browser);
    const std::size_t timers = queue.pendingTimers();
    EXPECT_EQ(desktop.fireFocusChange(browser), 1);
    desktop.fireFocusChange(browser);
    desktop.fireFocusChange(browser);
    EXPECT_TRUE(app->focusPollPending());
    EXPECT_EQ(queue.pendingTimers(), timers + 1);
    queue.advance(0.05);
    EXPECT_FALSE(app->focusPollPending());
    EXPECT_EQ(app->store().activeID, web->id);
    EXPECT_NE(file("focused.log").find("wid=3"), std::string::npos);
}

TEST_F(FocusFollowingTest, PeriodicPollLogsAndFollowsTheFocusedWindowUnlessTheSwitcherIsVisible) {
    auto edit = addContext("Edit", {appPin("org.editor")});
    auto web = addContext("Web", {appPin("org.browser")});
    app->store().setActiveSilent(edit->id);
    focus(editor, 1);
    app->switcherOpen(false);
    app->switcher().showNow();
    focus(browser, 3);
    const Wids mruBefore = app->winMRU();
    app->scheduleFocusPoll();
    queue.advance(1.0); // the debounced poll and the periodic one
    EXPECT_EQ(app->store().activeID, edit->id);
    EXPECT_EQ(app->winMRU(), mruBefore);
    EXPECT_FALSE(files.has(files.appSupportDir() / "focused.log"));

    app->switcherCancel();
    queue.advance(1.0);
    EXPECT_EQ(app->store().activeID, web->id);
    EXPECT_EQ(file("focused.log"), "app=Browser\nwid=3\ntitle=page\nmatchedContext=Web\n");
}

} // namespace
} // namespace morvelan
