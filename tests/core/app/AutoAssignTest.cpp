// Pinning new windows of pinned applications, dropping stale pins, and the pin/unpin gesture.
#include "AppFixture.h"

namespace morvelan {
namespace {

class AutoAssignTest : public AppFixture {
protected:
    // Editor window 1 "notes" is open at launch; contexts are the test's.
    void SetUp() override {
        window(editor, 1, "notes");
        launch();
        clearContexts();
    }

    std::vector<WinRef> membersOf(const ContextPtr& c) { return c->members; }
};

using Pins = std::vector<WinRef>;

TEST_F(AutoAssignTest, NewWindowOfAPinnedApplicationIsPinnedWithinOnePass) {
    auto edit = addContext("Edit", {pin("org.editor", "notes", 1)});
    window(editor, 2, "second");
    queue.advance(3.0);
    EXPECT_EQ(membersOf(edit),
              (Pins{pin("org.editor", "notes", 1), pin("org.editor", "second", 2)}));
    // Persisted: the file names the new window.
    EXPECT_NE(file("contexts.json").find("second"), std::string::npos);
}

TEST_F(AutoAssignTest, WindowsOpenAtLaunchAreNeverPinned) {
    window(editor, 2, "before launch"); // not seen: added after SetUp's launch…
    auto edit = addContext("Edit", {pin("org.editor", "notes", 1)});
    app->seedSeenWindows(); // …so seed again, as a launch would have
    queue.advance(3.0);
    EXPECT_EQ(membersOf(edit), (Pins{pin("org.editor", "notes", 1)}));
}

TEST_F(AutoAssignTest, OnlyTheActiveContextGetsNewWindows) {
    auto edit = addContext("Edit", {pin("org.editor", "notes", 1)});
    auto other = addContext("Other");
    window(editor, 2, "second");
    queue.advance(3.0);
    EXPECT_EQ(membersOf(edit), (Pins{pin("org.editor", "notes", 1)}));
    EXPECT_TRUE(other->members.empty());
}

TEST_F(AutoAssignTest, WindowOpenWhenTheContextWasChosenInTheMenuIsNeverPinned) {
    auto edit = addContext("Edit", {pin("org.editor", "notes", 1)});
    addContext("Other");
    window(editor, 2, "open at activation");
    app->menu()->activate(edit->id.str());
    window(editor, 3, "opened later");
    queue.advance(3.0);
    EXPECT_EQ(membersOf(edit),
              (Pins{pin("org.editor", "notes", 1), pin("org.editor", "opened later", 3)}));
}

TEST_F(AutoAssignTest, WindowUnseenWhileAnotherContextWasActiveIsPinnedAfterASilentSwitch) {
    auto edit = addContext("Edit", {pin("org.editor", "notes", 1)});
    auto other = addContext("Other");
    window(editor, 2, "opened in Other");
    queue.advance(3.0);
    EXPECT_EQ(app->seenWids().count(2), 0u);
    app->store().setActiveSilent(edit->id);
    queue.advance(3.0);
    EXPECT_EQ(membersOf(edit),
              (Pins{pin("org.editor", "notes", 1), pin("org.editor", "opened in Other", 2)}));
    EXPECT_TRUE(other->members.empty());
}

TEST_F(AutoAssignTest, WindowsTheRulesAlreadyDecideAreNotPinnedAndStaySeen) {
    auto edit = addContext("Edit", {pin("org.editor", "notes", 1)},
                           {rule(RuleField::title, RuleOp::contains, "report"),
                            rule(RuleField::title, RuleOp::contains, "secret", true)});
    window(editor, 2, "report");
    window(editor, 3, "secret plans");
    queue.advance(3.0);
    EXPECT_EQ(membersOf(edit), (Pins{pin("org.editor", "notes", 1)}));
    // Considered once: dropping the rules does not make them new again.
    edit->rules.clear();
    queue.advance(3.0);
    EXPECT_EQ(membersOf(edit), (Pins{pin("org.editor", "notes", 1)}));
}

TEST_F(AutoAssignTest, ApplicationPinsDoNotDriveAssignment) {
    auto edit = addContext("Edit", {appPin("org.editor")});
    window(editor, 2, "second");
    queue.advance(3.0);
    EXPECT_EQ(membersOf(edit), (Pins{appPin("org.editor")}));
    EXPECT_EQ(app->seenWids().count(2), 0u);
}

TEST_F(AutoAssignTest, ClosedWindowLosesItsPinWhileItsApplicationRuns) {
    window(editor, 2, "second");
    auto edit = addContext("Edit", {pin("org.editor", "notes", 1), pin("org.editor", "second", 2)});
    desktop.removeWindow(2);
    queue.advance(3.0);
    EXPECT_EQ(membersOf(edit), (Pins{pin("org.editor", "notes", 1)}));
}

TEST_F(AutoAssignTest, PinsStayWhileTheirApplicationIsNotRunningAndMatchAgainByTitle) {
    auto edit = addContext("Edit", {pin("org.editor", "notes", 1)});
    addContext("Other");
    desktop.removeWindow(1);
    desktop.apps.erase(desktop.apps.begin()); // the editor quits
    queue.advance(3.0);
    EXPECT_EQ(membersOf(edit), (Pins{pin("org.editor", "notes", 1)}));

    desktop.addApp(editor + 1, "org.editor", "Editor"); // relaunched, new window id
    window(editor + 1, 11, "notes");
    queue.advance(3.0);
    EXPECT_EQ(membersOf(edit), (Pins{pin("org.editor", "notes", 1)})); // kept, id not rewritten
    EXPECT_TRUE(app->engine().belongs(win(11), *edit));
}

TEST_F(AutoAssignTest, UntitledPinOfAGoneWindowIsDroppedEvenWithoutItsApplication) {
    auto edit = addContext("Edit", {pin("org.gone", "", 77), pin("org.gone", "kept", 78)});
    queue.advance(3.0);
    EXPECT_EQ(membersOf(edit), (Pins{pin("org.gone", "kept", 78)}));
}

TEST_F(AutoAssignTest, PinOfALiveWindowIdIsNeverDropped) {
    // Window 1 still exists although its title changed and the pin's title is empty.
    desktop.app(editor)->windows[0]->title = "renamed";
    auto edit = addContext("Edit", {pin("org.editor", "", 1)});
    queue.advance(3.0);
    EXPECT_EQ(membersOf(edit), (Pins{pin("org.editor", "", 1)}));
}

TEST_F(AutoAssignTest, PassWithNothingToDoDoesNotSave) {
    addContext("Edit", {pin("org.editor", "notes", 1)});
    const int writes = files.writes;
    queue.advance(3.0);
    app->autoAddNewWindows();
    EXPECT_EQ(files.writes, writes);
}

TEST_F(AutoAssignTest, CleanUpAloneStillSaves) {
    auto edit = addContext("Edit", {pin("org.gone", "", 77)});
    addContext("Other"); // active, without pins
    const int writes = files.writes;
    app->autoAddNewWindows();
    EXPECT_TRUE(edit->members.empty());
    EXPECT_GT(files.writes, writes);
}

// --- Toggling from the switcher --------------------------------------------------------

using ToggleTest = AutoAssignTest;

TEST_F(ToggleTest, UnclaimedWindowIsPinnedAndPinnedOneUnpinned) {
    auto edit = addContext("Edit");
    app->toggleMembership(win(1), edit->id);
    EXPECT_EQ(membersOf(edit), (Pins{pin("org.editor", "notes", 1)}));
    app->toggleMembership(win(1), edit->id);
    EXPECT_TRUE(edit->members.empty());
    EXPECT_TRUE(edit->rules.empty());
}

TEST_F(ToggleTest, UnpinFallsBackToTheTitleWhenTheIdDiffers) {
    auto edit = addContext("Edit", {pin("org.editor", "other", 9), pin("org.editor", "notes", 99)});
    app->toggleMembership(win(1), edit->id);
    EXPECT_EQ(membersOf(edit), (Pins{pin("org.editor", "other", 9)}));
}

TEST_F(ToggleTest, RuleIncludedWindowGetsATitleExcludeRule) {
    auto edit = addContext("Edit", {}, {rule(RuleField::appName, RuleOp::equals, "Editor")});
    app->toggleMembership(win(1), edit->id);
    ASSERT_EQ(edit->rules.size(), 2u);
    EXPECT_EQ(edit->rules[1], rule(RuleField::title, RuleOp::equals, "notes", true));
    EXPECT_FALSE(app->engine().belongs(win(1), *edit));
}

TEST_F(ToggleTest, UntitledRuleIncludedWindowGetsABundleExcludeRule) {
    window(editor, 2, "");
    auto edit = addContext("Edit", {}, {rule(RuleField::appName, RuleOp::equals, "Editor")});
    app->toggleMembership(win(2), edit->id);
    ASSERT_EQ(edit->rules.size(), 2u);
    EXPECT_EQ(edit->rules[1], rule(RuleField::bundleID, RuleOp::equals, "org.editor", true));
}

TEST_F(ToggleTest, PlaceholderPinsAndUnpinsTheWholeApplication) {
    auto edit = addContext("Edit");
    Win placeholder = win(Win::placeholderBit | browser);
    ASSERT_FALSE(placeholder.ax);
    app->toggleMembership(placeholder, edit->id);
    EXPECT_EQ(membersOf(edit), (Pins{appPin("org.browser")}));
    app->toggleMembership(placeholder, edit->id);
    EXPECT_TRUE(edit->members.empty());
    EXPECT_TRUE(edit->rules.empty());
}

TEST_F(ToggleTest, PlaceholderStillClaimedByARuleGetsAnApplicationExclude) {
    auto edit = addContext("Edit", {appPin("org.browser")},
                           {rule(RuleField::bundleID, RuleOp::contains, "browser")});
    app->toggleMembership(win(Win::placeholderBit | browser), edit->id);
    EXPECT_TRUE(edit->members.empty());
    ASSERT_EQ(edit->rules.size(), 2u);
    EXPECT_EQ(edit->rules[1], rule(RuleField::bundleID, RuleOp::equals, "org.browser", true));
}

TEST_F(ToggleTest, UnknownContextIsIgnoredWithoutSaving) {
    addContext("Edit");
    const int writes = files.writes;
    app->toggleMembership(win(1), Uuid::random());
    EXPECT_EQ(files.writes, writes);
}

TEST_F(ToggleTest, AltClickInTheSwitcherReachesTheStore) {
    auto edit = addContext("Edit");
    focus(editor, 1);
    app->switcherOpen(false);
    app->switcher().view.sel = 0;
    ASSERT_EQ(app->switcher().flat[0].wid, 1u);
    app->switcher().toggleSelectedMembership();
    EXPECT_EQ(membersOf(edit), (Pins{pin("org.editor", "notes", 1)}));
}

} // namespace
} // namespace morvelan
