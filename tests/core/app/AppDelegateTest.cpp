// The launch sequence and its "Default" context, the timers, the tray warning and the
// activation handlers.
#include "AppFixture.h"

#include "core/app/Startup.h"
#include "core/app/Warnings.h"

namespace morvelan {
namespace {

TEST(DefaultContext, EmptyOrCorruptStoreGetsOneDefaultContextAndTheNextLaunchAddsNothing) {
    for (std::optional<std::string> stored :
         {std::optional<std::string>(), std::optional<std::string>(R"({"contexts":[]})"),
          std::optional<std::string>("{not json")}) {
        SCOPED_TRACE(stored.value_or("(no file)"));
        MemoryFiles files;
        RecordingLog log;
        const auto path = files.appSupportDir() / "contexts.json";
        if (stored) files.contents[path] = *stored;
        {
            ContextStore store(files, log);
            store.load();
            addDefaultContextIfEmpty(store);
            ASSERT_EQ(store.contexts.size(), 1u);
            EXPECT_EQ(store.contexts[0]->name, "Default");
            EXPECT_EQ(store.contexts[0]->colorHex, "#138A80");
            EXPECT_EQ(store.activeID, store.contexts[0]->id);
        }
        if (stored == "{not json") { // kept aside
            EXPECT_EQ(files.contents.at(files.appSupportDir() / "contexts.json.corrupt"), *stored);
        }
        const std::string first = files.contents.at(path);
        ContextStore again(files, log);
        again.load();
        addDefaultContextIfEmpty(again);
        EXPECT_EQ(again.contexts.size(), 1u);
        EXPECT_EQ(files.contents.at(path), first);
    }
}

using StartupTest = AppFixture;

TEST_F(StartupTest, FirstLaunchShowsTheIntroAsksForTrustAddsTheDefaultAndChecksForUpdatesOnce) {
    launch();
    EXPECT_EQ(hooks, Strings{"intro"});
    EXPECT_EQ(desktop.trustPrompts, 1);
    ASSERT_EQ(app->store().contexts.size(), 1u);
    EXPECT_EQ(app->store().contexts[0]->name, "Default");
    EXPECT_TRUE(loginItem.isEnabled);
    EXPECT_EQ(std::get<bool>(defaults.values.at("launchAtLoginConfigured")), true);
    // The silent update check runs four seconds after launch, once.
    queue.advance(3.9);
    EXPECT_EQ(std::count(hooks.begin(), hooks.end(), "update(silent)"), 0);
    queue.advance(0.2);
    EXPECT_EQ(std::count(hooks.begin(), hooks.end(), "update(silent)"), 1);
    queue.advance(60);
    EXPECT_EQ(std::count(hooks.begin(), hooks.end(), "update(silent)"), 1);
}

TEST_F(StartupTest, LaterLaunchSeedsRecencyFrontToBackObservesTheFrontmostAppAndHonoursSettings) {
    defaults.values["hasSeenIntro"] = true;
    defaults.values["autoUpdate"] = false;
    window(editor, 1, "back");
    window(browser, 2, "front");
    desktop.bringToFront(2);
    desktop.frontmost = browser;
    launch();
    EXPECT_EQ(app->winMRU(), (Wids{2, 1}));
    EXPECT_TRUE(app->winMRUpid().empty());
    EXPECT_EQ(desktop.observedPids(), (std::vector<Pid>{browser}));
    queue.advance(10);
    EXPECT_EQ(std::count(hooks.begin(), hooks.end(), "intro"), 0);
    EXPECT_EQ(std::count(hooks.begin(), hooks.end(), "update(silent)"), 0);
}

TEST_F(StartupTest, HotkeyOpensTheSwitcherReleaseCommitsAndClosingTellsTheKeyEngine) {
    window(editor, 1, "one");
    window(editor, 2, "two");
    focus(editor, 1);
    launch();
    ASSERT_TRUE(keys->started());
    // Super-Tab: the switcher opens, pending until its delay has run.
    EXPECT_EQ(keys->feed(FakeKeySource::keyDown(48, 0x100000)), Verdict::swallow);
    queue.drain();
    EXPECT_EQ(app->switcher().state(), SwitcherState::pending);
    EXPECT_EQ(keys->openHints().back(), true);
    app->switcher().cancel(); // closing on its own, e.g. the last window was removed
    EXPECT_EQ(keys->openHints().back(), false);

    keys->feed(FakeKeySource::keyDown(48, 0x100000));
    queue.drain();
    desktop.clearActions();
    keys->feed(FakeKeySource::flagsChanged(0));
    queue.drain();
    EXPECT_EQ(app->switcher().state(), SwitcherState::closed);
    EXPECT_EQ(panel.shows, 0); // a quick tap never draws
    const Strings lines = raisesAndFocus();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "setMain win2");
}

TEST_F(StartupTest, NothingQueuedRunsOnceTheCoreIsGone) {
    window(editor, 1, "one");
    focus(editor, 1);
    launch();
    app->scheduleFocusPoll();
    desktop.fireActivation(desktop.app(editor)->info);
    app.reset();
    queue.advance(10); // timers, the debounced poll, the deferred activation, the update check
    EXPECT_FALSE(files.has(files.appSupportDir() / "focused.log"));
    EXPECT_EQ(std::count(hooks.begin(), hooks.end(), "update(silent)"), 0);
}

TEST_F(StartupTest, StoreChangesRebuildTheTrayAndMenuCommandsReachTheHost) {
    launch();
    const std::size_t before = menuView.rebuilds();
    files.contents.erase(files.appSupportDir() / "status.log");
    addContext("Work");
    EXPECT_EQ(menuView.rebuilds(), before + 1);
    EXPECT_EQ(menuView.last().button.title, " Work");
    EXPECT_NE(file("status.log").find("Work: members=0"), std::string::npos);

    hooks.clear();
    app->menu()->onNewContext();
    app->menu()->onSettings();
    app->menu()->onQuit();
    EXPECT_EQ(hooks, (Strings{"newContext", "settings", "quit"}));
    app->menu()->onDump();
    EXPECT_TRUE(files.has(files.appSupportDir() / "windows-dump.log"));
}

// --- Warning --------------------------------------------------------------------------

using WarningTest = AppFixture;

TEST_F(WarningTest, KeySourceThatCannotStartShowsTheUnavailableWarningRebuiltOnlyOnChange) {
    keysFail = true;
    launch();
    EXPECT_EQ(app->menu()->warning, std::string(warnings::noTap));
    EXPECT_EQ(menuView.last().button.kind, MenuButton::Kind::warning);
    EXPECT_EQ(menuView.last().button.title, " " + std::string(warnings::noTap));
    const std::size_t before = menuView.rebuilds();
    app->refreshWarning();
    queue.advance(4.5); // two periodic refreshes
    EXPECT_EQ(menuView.rebuilds(), before);
}

TEST_F(WarningTest, HeldKeyboardShowsTheBlockedWarningUntilReleasedAndADisabledSourceIsEnabled) {
    launch();
    EXPECT_FALSE(app->menu()->warning);
    keys->heldByOther = true;
    queue.advance(2.0);
    EXPECT_EQ(app->menu()->warning, std::string(warnings::secureInput));
    keys->heldByOther = false;
    queue.advance(2.0);
    EXPECT_FALSE(app->menu()->warning);
    EXPECT_EQ(menuView.last().button.title, " Default");

    keys->disable();
    const int before = keys->enableCalls;
    app->refreshWarning();
    EXPECT_EQ(keys->enableCalls, before + 1);
    EXPECT_TRUE(keys->isEnabled());
    EXPECT_FALSE(app->menu()->warning);
}

// --- Window counts, activation --------------------------------------------------------

using ActivationTest = AppFixture;

TEST_F(ActivationTest, CountsCoverEveryContextAndAMenuChoiceRaisesItsOpenWindowsMostRecentLast) {
    window(editor, 1, "one");
    window(editor, 2, "two");
    window(browser, 3, "page");
    launch();
    auto edit = addContext("Edit", {appPin("org.editor")});
    auto none = addContext("None");
    WindowCounts counts = app->windowCounts();
    EXPECT_EQ(counts.size(), 3u); // Default too
    EXPECT_EQ(counts.at(edit->id), 2);
    EXPECT_EQ(counts.at(none->id), 0);

    app->touchWin(win(2)); // 2 is the more recent, although 1 is in front
    desktop.clearActions();
    app->menu()->activate(edit->id.str());
    EXPECT_EQ(app->store().activeID, edit->id);
    // Back to front, then the focus sequence for the most recent one.
    const Strings lines = raisesAndFocus();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(Strings(lines.begin(), lines.begin() + 3),
              (Strings{"raise win1", "raise win2", "setMain win2"}));

    // A context whose windows are closed raises nothing, but the open windows count as seen.
    auto gone = addContext("Gone", {pin("org.browser", "page", 3)});
    addContext("Other");
    desktop.removeWindow(3);
    window(browser, 7, "opened meanwhile");
    desktop.clearActions();
    app->menu()->activate(gone->id.str());
    EXPECT_EQ(app->store().activeID, gone->id);
    EXPECT_TRUE(raisesAndFocus().empty());
    EXPECT_EQ(app->seenWids().count(7), 1u);
}

TEST_F(ActivationTest, AnotherAppBecomingActiveIsFollowedAfterOneHopUnlessTheSwitcherIsVisible) {
    window(editor, 1, "one");
    window(browser, 2, "page");
    launch();
    auto web = addContext("Web", {appPin("org.browser")});
    auto other = addContext("Other");
    app->switcherOpen(false);
    app->switcher().showNow();
    focus(browser, 2);
    desktop.fireActivation(desktop.app(browser)->info);
    queue.drain();
    EXPECT_EQ(app->store().activeID, other->id); // only the observer moves
    EXPECT_EQ(desktop.observedPids().back(), browser);

    app->switcherCancel();
    focus(editor, 1);
    desktop.fireActivation(desktop.app(editor)->info);
    queue.drain();
    focus(browser, 2);
    desktop.fireActivation(desktop.app(browser)->info);
    EXPECT_NE(app->store().activeID, web->id); // deferred, not inline
    queue.drain();
    EXPECT_EQ(app->store().activeID, web->id);
    EXPECT_EQ(desktop.observedPids().back(), browser);
    EXPECT_FALSE(files.has(files.appSupportDir() / "focused.log"));
}

// --- Adding a context from the switcher ---------------------------------------------------

using AddContextTest = AppFixture;

TEST_F(AddContextTest, NewContextsTakeThePaletteInTurnAndIndicesOutsideTheWorkspacesAreIgnored) {
    window(editor, 1, "one");
    launch();
    clearContexts();
    app->addContextToWorkspace(-1);
    app->addContextToWorkspace(static_cast<int>(app->store().workspaces.size()));
    EXPECT_TRUE(app->store().contexts.empty());
    for (int i = 0; i < 9; ++i)
        app->addContextToWorkspace(0);
    ASSERT_EQ(app->store().contexts.size(), 9u);
    EXPECT_EQ(app->store().contexts[0]->colorHex, "#FF6B6B");
    EXPECT_EQ(app->store().contexts[7]->colorHex, "#E84393");
    EXPECT_EQ(app->store().contexts[8]->colorHex, "#FF6B6B"); // the ninth starts again
    EXPECT_EQ(app->store().contexts[8]->name, "New context");
    EXPECT_EQ(app->store().contexts[8]->workspaceID, app->store().workspaces[0].id);
}

TEST_F(AddContextTest, OpenSwitcherIsRebuiltWithTheSameWindowsAndSelection) {
    window(editor, 1, "one");
    window(editor, 2, "two");
    window(editor, 3, "three");
    launch();
    app->store().workspaces.push_back(Workspace{Uuid::random(), "Second"});
    app->switcherOpen(false);
    app->switcherStep(true); // shows the panel and moves the selection
    const WindowID selected = app->switcher().flat[app->switcher().view.sel].wid;
    const Wids shown = widsOf(app->switcher().flat);
    const int scans = desktop.listQueries[WindowList::allSpaces];
    window(editor, 4, "new since opening");

    app->switcher().view.onAddContext(1);

    EXPECT_EQ(desktop.listQueries[WindowList::allSpaces], scans); // no new scan
    EXPECT_EQ(widsOf(app->switcher().flat), shown);
    EXPECT_EQ(app->switcher().flat[app->switcher().view.sel].wid, selected);
    ASSERT_EQ(app->switcher().view.contexts.size(), 2u);
    EXPECT_EQ(app->switcher().view.contexts[1].name, "New context");
    EXPECT_EQ(app->switcher().view.contexts[1].wsIndex, 1);
    EXPECT_EQ(app->switcher().view.contexts[1].color, *colorFromHex("#4ECDC4"));
}

} // namespace
} // namespace morvelan
