// Pinning new windows of pinned applications, dropping stale pins, and the pin/unpin gesture.
#include "AppFixture.h"

namespace morvelan {
namespace {

using Pins = std::vector<WinRef>;

class AutoAssignTest : public AppFixture {
protected:
    // Editor window 1 "notes" is open at launch; contexts are the test's.
    void SetUp() override {
        window(editor, 1, "notes");
        launch();
        clearContexts();
    }

    const WinRef notes = pin("org.editor", "notes", 1);
};

TEST_F(AutoAssignTest, NewWindowOfAPinnedAppJoinsTheActiveContextWithinOnePassAndIsSaved) {
    auto edit = addContext("Edit", {notes});
    window(editor, 2, "second");
    queue.advance(3.0);
    const Pins both{notes, pin("org.editor", "second", 2)};
    EXPECT_EQ(edit->members, both);
    EXPECT_NE(file("contexts.json").find("second"), std::string::npos);

    auto other = addContext("Other"); // only the active context gets new windows
    window(editor, 3, "third");
    queue.advance(3.0);
    EXPECT_EQ(edit->members, both);
    EXPECT_TRUE(other->members.empty());
}

TEST_F(AutoAssignTest, WindowsSeenAtLaunchOrAtAMenuChoiceAreNeverPinnedUnseenOnesLater) {
    window(editor, 2, "before launch"); // not seen: added after SetUp's launch…
    auto edit = addContext("Edit", {notes});
    app->seedSeenWindows(); // …so seed again, as a launch would have
    auto other = addContext("Other");
    window(editor, 3, "opened in Other");
    queue.advance(3.0);
    EXPECT_EQ(app->seenWids().count(3), 0u);

    // A silent switch: the window unseen while Other was active is pinned.
    app->store().setActiveSilent(edit->id);
    queue.advance(3.0);
    EXPECT_EQ(edit->members, (Pins{notes, pin("org.editor", "opened in Other", 3)}));
    EXPECT_TRUE(other->members.empty());

    // A menu choice marks the open windows seen.
    app->store().setActiveSilent(other->id);
    window(editor, 4, "open at activation");
    app->menu()->activate(edit->id.str());
    window(editor, 5, "opened later");
    queue.advance(3.0);
    EXPECT_EQ(edit->members, (Pins{notes, pin("org.editor", "opened in Other", 3),
                                   pin("org.editor", "opened later", 5)}));
}

TEST_F(AutoAssignTest, AppPinsAndWindowsTheRulesDecideDoNotDriveAssignment) {
    auto edit = addContext("Edit", {notes},
                           {rule(RuleField::title, RuleOp::contains, "report"),
                            rule(RuleField::title, RuleOp::contains, "secret", true)});
    window(editor, 2, "report");
    window(editor, 3, "secret plans");
    queue.advance(3.0);
    EXPECT_EQ(edit->members, Pins{notes});
    // Considered once: dropping the rules does not make them new again.
    edit->rules.clear();
    queue.advance(3.0);
    EXPECT_EQ(edit->members, Pins{notes});

    auto apps = addContext("Apps", {appPin("org.editor")});
    window(editor, 4, "fourth");
    queue.advance(3.0);
    EXPECT_EQ(apps->members, Pins{appPin("org.editor")});
    EXPECT_EQ(app->seenWids().count(4), 0u);
}

TEST_F(AutoAssignTest, PinsOfClosedWindowsAreDroppedWhileTheirAppRunsOrWhenUntitled) {
    window(editor, 2, "second");
    desktop.app(editor)->windows[0]->title = "renamed"; // window 1 lives on
    auto edit = addContext("Edit", {pin("org.editor", "", 1), pin("org.editor", "second", 2),
                                    pin("org.gone", "", 77), pin("org.gone", "kept", 78)});
    desktop.removeWindow(2);
    queue.advance(3.0);
    EXPECT_EQ(edit->members, (Pins{pin("org.editor", "", 1), pin("org.gone", "kept", 78)}));
}

TEST_F(AutoAssignTest, PinsStayWhileTheirAppIsNotRunningAndMatchAgainByTitle) {
    auto edit = addContext("Edit", {notes});
    addContext("Other");
    desktop.removeWindow(1);
    desktop.apps.erase(desktop.apps.begin()); // the editor quits
    queue.advance(3.0);
    EXPECT_EQ(edit->members, Pins{notes});

    desktop.addApp(editor + 1, "org.editor", "Editor"); // relaunched, new window id
    window(editor + 1, 11, "notes");
    queue.advance(3.0);
    EXPECT_EQ(edit->members, Pins{notes}); // kept, id not rewritten
    EXPECT_TRUE(app->engine().belongs(win(11), *edit));
}

TEST_F(AutoAssignTest, PassSavesOnlyWhenItChangedSomething) {
    auto edit = addContext("Edit", {notes});
    queue.advance(3.0);
    int writes = files.writes;
    app->autoAddNewWindows();
    EXPECT_EQ(files.writes, writes);

    edit->members.push_back(pin("org.gone", "", 77));
    addContext("Other"); // active, without pins: the clean-up alone
    writes = files.writes;
    app->autoAddNewWindows();
    EXPECT_EQ(edit->members, Pins{notes});
    EXPECT_GT(files.writes, writes);
}

// --- Toggling from the switcher --------------------------------------------------------

using ToggleTest = AutoAssignTest;

TEST_F(ToggleTest, PinsWhatNothingClaimsUnpinsWhatAPinClaimsAndExcludesWhatARuleClaims) {
    using Rules = std::vector<Rule>;
    window(editor, 2, "");
    const WindowID browserApp = Win::placeholderBit | browser; // a placeholder
    const Rule byName = rule(RuleField::appName, RuleOp::equals, "Editor");
    const Rule byBundle = rule(RuleField::bundleID, RuleOp::contains, "browser");
    const Rule notesOut = rule(RuleField::title, RuleOp::equals, "notes", true);
    const Rule editorOut = rule(RuleField::bundleID, RuleOp::equals, "org.editor", true);
    const Rule browserOut = rule(RuleField::bundleID, RuleOp::equals, "org.browser", true);
    const WinRef other = pin("org.editor", "other", 9),
                 notesElsewhere = pin("org.editor", "notes", 99);
    const WinRef browserPin = appPin("org.browser");
    struct Case {
        Pins members;
        Rules rules;
        WindowID wid;
        Pins membersAfter;
        Rules rulesAfter;
    };
    const Case cases[] = {
        {{}, {}, 1, {notes}, {}},
        {{notes}, {}, 1, {}, {}},
        {{other, notesElsewhere}, {}, 1, {other}, {}}, // by title when the id differs
        {{}, {byName}, 1, {}, {byName, notesOut}},
        {{}, {byName}, 2, {}, {byName, editorOut}}, // untitled: the whole bundle
        // A placeholder stands for its whole application.
        {{}, {}, browserApp, {browserPin}, {}},
        {{browserPin}, {}, browserApp, {}, {}},
        {{browserPin}, {byBundle}, browserApp, {}, {byBundle, browserOut}},
    };
    auto edit = addContext("Edit");
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        edit->members = c.members;
        edit->rules = c.rules;
        app->toggleMembership(win(c.wid), edit->id);
        EXPECT_EQ(edit->members, c.membersAfter);
        EXPECT_EQ(edit->rules, c.rulesAfter);
    }
}

TEST_F(ToggleTest, AltClickInTheSwitcherReachesTheStoreAndUnknownContextsAreIgnored) {
    auto edit = addContext("Edit");
    const int writes = files.writes;
    app->toggleMembership(win(1), Uuid::random());
    EXPECT_EQ(files.writes, writes);

    focus(editor, 1);
    app->switcherOpen(false);
    app->switcher().view.sel = 0;
    ASSERT_EQ(app->switcher().flat[0].wid, 1u);
    app->switcher().toggleSelectedMembership();
    EXPECT_EQ(edit->members, Pins{notes});
}

} // namespace
} // namespace morvelan
