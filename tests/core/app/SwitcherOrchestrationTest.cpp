// The window recency order, opening the switcher over it, committing, the key commands, and
// reading the desktop once per opening.
#include "AppFixture.h"

namespace morvelan {
namespace {

class OrderTest : public AppFixture {
protected:
    void SetUp() override { launch(); }

    static Win serverOnly(Pid pid, WindowID wid) { return Win{.pid = pid, .wid = wid}; }
    static Win axWin(Pid pid, WindowID wid) {
        return Win{.pid = pid, .wid = wid, .ax = std::make_shared<FakeElement>()};
    }
    static Win placeholder(Pid pid) { return serverOnly(pid, Win::placeholderBit | WindowID(pid)); }
};

TEST_F(OrderTest, UnknownWindowsAreAdoptedAfterTheKnownOnesAndPlaceholdersNever) {
    app->touchWin(placeholder(term));
    app->mruOrdered({placeholder(term), serverOnly(term, 5)});
    EXPECT_TRUE(app->winMRU().empty());

    app->touchWin(axWin(editor, 1));
    auto sorted = app->mruOrdered({axWin(browser, 8), axWin(editor, 7), axWin(editor, 1)});
    EXPECT_EQ(widsOf(sorted), (Wids{1, 8, 7}));
    EXPECT_EQ(app->winMRU(), (Wids{1, 8, 7}));
    EXPECT_EQ(app->winMRUpid().at(7), editor);
}

TEST_F(OrderTest, ServerOnlyWindowTakesTheRankOfItsProcessesMostRecentWindow) {
    app->touchWin(axWin(editor, 1));
    app->touchWin(axWin(browser, 2)); // browser more recent than editor
    auto sorted = app->mruOrdered({axWin(editor, 1), serverOnly(editor, 30), axWin(browser, 2)});
    EXPECT_EQ(widsOf(sorted), (Wids{2, 1, 30}));
    // A tie keeps the input order: the server-only window first when it comes first.
    sorted = app->mruOrdered({serverOnly(editor, 30), axWin(editor, 1)});
    EXPECT_EQ(widsOf(sorted), (Wids{30, 1}));
}

TEST_F(OrderTest, WindowsOfUnknownProcessesFollowTheApplicationActivationOrder) {
    desktop.fireActivation(desktop.app(term)->info);
    desktop.fireActivation(desktop.app(browser)->info);
    app->touchWin(axWin(editor, 1));
    auto sorted = app->mruOrdered({serverOnly(term, 40), placeholder(browser), serverOnly(term, 41),
                                   axWin(editor, 1), serverOnly(555, 50)});
    // Known window first; then browser (activated last), then term in input order; then
    // a process no running application owns.
    EXPECT_EQ(widsOf(sorted), (Wids{1, Win::placeholderBit | WindowID(browser), 40, 41, 50}));
}

// --- Opening ---------------------------------------------------------------------------

class OpenTest : public AppFixture {
protected:
    // Editor windows 1 "a" and 2 "b"; browser window 3 "c". Launched.
    void SetUp() override {
        window(editor, 1, "a");
        window(editor, 2, "b");
        window(browser, 3, "c");
        launch();
    }

    Switcher& sw() { return app->switcher(); }
    WindowID selected() { return sw().flat.at(static_cast<std::size_t>(sw().view.sel)).wid; }
};

TEST_F(OpenTest, OpeningRecordsTheFocusedWindowPreselectsThePreviousAndShowsWhatWasPaintedAhead) {
    focus(editor, 1);
    app->followFocus(win(1)); // A
    focus(browser, 3);        // then B, not yet followed
    const Wids before = app->winMRU();
    panel.prepared.clear();
    app->prepareSwitcher();
    ASSERT_EQ(panel.prepared.size(), 1u);
    EXPECT_EQ(app->winMRU(), before); // painting ahead records nothing
    EXPECT_EQ(sw().state(), SwitcherState::closed);
    EXPECT_TRUE(sw().flat.empty());

    app->switcherOpen(false);
    ASSERT_GE(sw().flat.size(), 2u);
    EXPECT_EQ(sw().flat[0].wid, 3u);
    EXPECT_EQ(sw().flat[1].wid, 1u);
    EXPECT_EQ(selected(), 1u);
    EXPECT_EQ(sw().state(), SwitcherState::pending);
    EXPECT_EQ(app->switcherWins().size(), sw().flat.size());
    // It then draws exactly what was painted ahead, where it was painted.
    queue.advance(0.1);
    ASSERT_TRUE(panel.shown);
    const auto& [frame, list] = panel.prepared.front();
    EXPECT_EQ(panel.frames.back(), frame);
    EXPECT_EQ(sw().view.draw({frame.width, frame.height}), list);
}

TEST_F(OpenTest, EveryFocusPollPaintsTheNextOpeningAheadButNotWhileTheSwitcherIsOpen) {
    panel.prepared.clear();
    app->pollFocus();
    queue.advance(3);
    EXPECT_GE(panel.prepared.size(), 2u);

    app->switcherOpen(false);
    panel.prepared.clear();
    app->prepareSwitcher();
    sw().prepare({"Work"}, {}, -1, {}, false);
    EXPECT_TRUE(panel.prepared.empty());
}

TEST_F(OpenTest, StoredShowAllOpensOnAllUnlessConfinedToTheActiveContextOrTheFirst) {
    // The chip an opening starts on; closes again.
    auto openedOn = [this](bool confined) {
        app->switcherOpen(confined);
        EXPECT_EQ(sw().view.confined, confined);
        const int ctx = sw().view.activeCtx;
        sw().cancel();
        return ctx;
    };
    defaults.values["switcherShowAll"] = true;
    EXPECT_EQ(openedOn(false), -1);
    EXPECT_EQ(openedOn(true), 0); // the active "Default"
    addContext("Second");
    addContext("Third");
    EXPECT_EQ(openedOn(true), 2);
    app->store().activeID.reset();
    EXPECT_EQ(openedOn(false), -1);
    EXPECT_EQ(openedOn(true), 0);
    clearContexts();
    EXPECT_EQ(openedOn(false), -1);
    app->switcherOpen(true);
    EXPECT_TRUE(sw().view.contexts.empty());
    EXPECT_EQ(sw().view.activeCtx, 0);
}

TEST_F(OpenTest, ContextsAreGroupedByWorkspaceAndThoseOfUnknownWorkspacesLeftOut) {
    clearContexts();
    auto& store = app->store();
    const Uuid first = store.workspaces[0].id;
    store.workspaces.push_back(Workspace{Uuid::random(), "Second"});
    const Uuid second = store.workspaces[1].id;
    store.contexts = {makeContext("In second", "#00FF00", second),
                      makeContext("Loose", "nonsense"), // counts as the first workspace
                      makeContext("Lost", "#000000", Uuid::random()),
                      makeContext("In first", "#0000FF", first)};
    app->switcherOpen(false);
    ASSERT_EQ(sw().view.contexts.size(), 3u);
    EXPECT_EQ(sw().view.contexts[0].name, "Loose");
    EXPECT_EQ(sw().view.contexts[0].color, systemBlue);
    EXPECT_EQ(sw().view.contexts[1].name, "In first");
    EXPECT_EQ(sw().view.contexts[2].name, "In second");
    EXPECT_EQ(sw().view.contexts[2].wsIndex, 1);
    EXPECT_EQ(sw().view.workspaceNames, (Strings{"Default", "Second"}));

    sw().cancel();
    store.workspaces.clear();
    app->switcherOpen(false);
    EXPECT_TRUE(sw().view.contexts.empty());
}

TEST_F(OpenTest, CellsCarryTheirContextsAndTheFirstClaimingColour) {
    clearContexts();
    auto edit = addContext("Edit", {appPin("org.editor")});
    edit->colorHex = "#FF0000";
    auto a = addContext("OnlyA", {pin("org.editor", "a", 1)});
    a->colorHex = "#00FF00";
    app->switcherOpen(false);
    for (std::size_t i = 0; i < sw().allColumns.size(); ++i) {
        const Switcher::Cell& cell = sw().allColumns[i].cells.at(0);
        if (cell.win.wid == 1) {
            EXPECT_EQ(cell.ctxIdxs, (std::set<int>{0, 1}));
            EXPECT_EQ(cell.color, (Color{1, 0, 0, 1}));
            EXPECT_EQ(sw().allColumns[i].app, "Editor");
        } else if (cell.win.wid == 3) {
            EXPECT_TRUE(cell.ctxIdxs.empty());
            EXPECT_FALSE(cell.color);
        }
    }
}

TEST_F(OpenTest, DigitsFilterKeysAndCancelReachTheSwitcherButNotWhenUntrusted) {
    addContext("Two");
    addContext("Three");
    app->switcherOpen(false);
    const int active = sw().view.activeCtx;
    const int sel = sw().view.sel;
    app->switcherSelectContext(8); // beyond the contexts: only shows the panel
    EXPECT_EQ(sw().view.activeCtx, active);
    EXPECT_EQ(sw().view.sel, sel);
    EXPECT_TRUE(sw().visible());
    app->switcherSelectContext(0);
    EXPECT_EQ(sw().view.activeCtx, 0);

    app->switcherBeginFilter();
    app->switcherFilterType("c");
    EXPECT_EQ(sw().query, "c");
    EXPECT_EQ(selected(), 3u);
    app->switcherFilterBackspace();
    app->switcherFilterBackspace(); // empty: nothing
    EXPECT_EQ(sw().query, "");
    EXPECT_EQ(sw().state(), SwitcherState::filtering);

    desktop.clearActions();
    app->switcherCancel();
    EXPECT_EQ(sw().state(), SwitcherState::closed);
    EXPECT_TRUE(raisesAndFocus().empty());

    // An untrusted desktop gets the alert instead of the switcher.
    desktop.trusted = false;
    keys->feed(FakeKeySource::keyDown(48, 0x100000));
    queue.drain();
    EXPECT_EQ(sw().state(), SwitcherState::closed);
    EXPECT_EQ(std::count(hooks.begin(), hooks.end(), "alert"), 1);
    EXPECT_EQ(keys->openHints().back(), false);
}

TEST_F(OpenTest, CloseAndQuitActOnTheSelectedWindowOrItsAppAndDropTheirTiles) {
    focus(browser, 3);
    app->switcherOpen(false); // 3 first, editor's 1 preselected
    const WindowID termApp = Win::placeholderBit | term;
    ASSERT_EQ(widsOf(sw().flat), (Wids{3, 1, 2, termApp}));
    ASSERT_EQ(selected(), 1u);
    desktop.clearActions();
    for (int none : {-1, 4}) {
        sw().view.sel = none;
        app->switcherCloseSelected();
        app->switcherQuitSelectedApp();
    }
    EXPECT_TRUE(desktop.actions.empty());

    sw().view.sel = 1;
    app->switcherCloseSelected();
    EXPECT_EQ(desktop.count(FakeDesktop::Action::Kind::press), 1);
    EXPECT_EQ(widsOf(sw().flat), (Wids{3, 2, termApp}));
    sw().view.sel = 1;
    app->switcherQuitSelectedApp();
    EXPECT_EQ(desktop.trace().back(), "terminate 100");
    EXPECT_EQ(widsOf(sw().flat), (Wids{3, termApp}));
}

// --- Commit ------------------------------------------------------------------------------

using CommitTest = OpenTest;

TEST_F(CommitTest, CommitWithAContextMakesItActiveAndRemembersTheChip) {
    auto web = addContext("Web", {appPin("org.browser")});
    addContext("Edit", {appPin("org.editor")});
    defaults.values["switcherShowAll"] = true;
    app->commitSwitch(win(3), web->id);
    EXPECT_EQ(app->store().activeID, web->id);
    EXPECT_EQ(std::get<bool>(defaults.values.at("switcherShowAll")), false);
    EXPECT_EQ(app->pendingCtx(), web->id);
    EXPECT_DOUBLE_EQ(app->suppressUntil(), queue.now() + 2.0);
    EXPECT_EQ(app->winMRU().front(), 3u);
}

TEST_F(CommitTest, CommitOnAGoneContextOrOnAllKeepsTheActiveOneAndPlaceholdersAreNotRecorded) {
    auto edit = addContext("Edit", {appPin("org.editor")});
    desktop.clearActions();
    app->commitSwitch(win(1), Uuid::random()); // deleted while the switcher was open
    EXPECT_EQ(app->store().activeID, edit->id);
    EXPECT_FALSE(app->pendingCtx());
    EXPECT_EQ(app->suppressUntil(), 0);
    EXPECT_EQ(std::get<bool>(defaults.values.at("switcherShowAll")), false);
    EXPECT_EQ(raisesAndFocus().front(), "setMain win1");

    desktop.clearActions();
    app->commitSwitch(win(3), std::nullopt);
    EXPECT_EQ(app->store().activeID, edit->id);
    EXPECT_EQ(std::get<bool>(defaults.values.at("switcherShowAll")), true);
    EXPECT_FALSE(app->pendingCtx());
    EXPECT_EQ(raisesAndFocus().front(), "setMain win3");

    const Wids before = app->winMRU();
    app->commitSwitch(win(Win::placeholderBit | term), std::nullopt);
    EXPECT_EQ(app->winMRU(), before);
    EXPECT_EQ(raisesAndFocus().back(), "activate 300");
}

TEST_F(CommitTest, OnlyTheCommittedWindowComesForwardUnlessRaiseContextBringsTheOthersUnder) {
    auto edit = addContext("Edit", {appPin("org.editor")});
    desktop.clearActions();
    app->commitSwitch(win(1), edit->id);
    for (const std::string& line : raisesAndFocus())
        EXPECT_EQ(line.find("win2"), std::string::npos) << line;

    defaults.values["raiseContext"] = true;
    window(editor, 4, "d");
    app->touchWin(win(4));
    app->touchWin(win(2)); // recency: 2, 4, then 1
    desktop.clearActions();
    app->commitSwitch(win(1), edit->id);
    const Strings lines = raisesAndFocus();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "raise win4");
    EXPECT_EQ(lines[1], "raise win2");
    EXPECT_EQ(lines[2], "setMain win1");
}

TEST_F(CommitTest, CommitFromTheKeysReachesTheHandlerWithTheChosenChip) {
    clearContexts();
    auto edit = addContext("Edit", {appPin("org.editor")});
    auto web = addContext("Web", {appPin("org.browser")});
    app->store().setActiveSilent(edit->id);
    focus(editor, 1);
    app->switcherOpen(false);
    app->switcherCycleContext(1); // Edit → Web, selection moves to Web's window
    ASSERT_EQ(selected(), 3u);
    app->switcherCommit();
    EXPECT_EQ(app->store().activeID, web->id);
    EXPECT_EQ(app->winMRU().front(), 3u);
    EXPECT_EQ(sw().state(), SwitcherState::closed);
}

// --- Reading the desktop ------------------------------------------------------------------
// On X11 every desktop query made outside a batch is a whole new snapshot of every client.

using SwitcherSnapshotTest = AppFixture;

// Regression: each cell's icon lookup read the whole desktop again, 400 snapshots of 200
// windows for one opening (1.6 s on Xvfb).
TEST_F(SwitcherSnapshotTest, OpeningFilteringAndAddingAContextReadTheDesktopInsideOneBatch) {
    for (WindowID wid = 1; wid <= 30; ++wid)
        window(wid % 3 == 0   ? editor
               : wid % 3 == 1 ? browser
                              : term,
               wid, "Window " + std::to_string(wid));
    desktop.icons[editor] = std::make_shared<Image>();
    launch();
    focus(browser, 1);
    desktop.windowReadsOutsideBatch = 0;
    desktop.iconReadsOutsideBatch = 0;

    app->switcherOpen(false);
    ASSERT_EQ(app->switcher().flat.size(), 30u);
    EXPECT_EQ(desktop.windowReadsOutsideBatch, 0);
    // The editor's windows still carry its icon.
    const auto& cells = app->switcher().view.cells;
    EXPECT_EQ(std::count_if(cells.begin(), cells.end(), [](const auto& c) { return c.icon; }), 10);

    app->switcherBeginFilter();
    app->switcherFilterType("window 1");
    app->switcherFilterBackspace();
    app->switcher().onAddContext(0);
    EXPECT_EQ(desktop.iconReadsOutsideBatch, 0);
    EXPECT_EQ(desktop.windowReadsOutsideBatch, 0);
    EXPECT_EQ(desktop.batchDepth, 0);
}

} // namespace
} // namespace morvelan
