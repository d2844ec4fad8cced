// The launch sequence, the tray's warning and commands, and the diagnostic files.
#include "AppFixture.h"

#include "core/app/Warnings.h"

namespace morvelan {
namespace {

using Launch = AppFixture;

TEST_F(Launch, FirstLaunchShowsTheTourAddsTheDefaultContextAndLeavesAutostartAndUpdatesOff) {
    launch(); // from the build tree
    EXPECT_EQ(hooks, (Strings{"intro"}));
    ASSERT_EQ(app->store().contexts().size(), 1u);
    EXPECT_EQ(app->store().contexts()[0]->name, "Default");
    EXPECT_FALSE(loginItem.enabled());
    queue.advance(60);
    EXPECT_EQ(hooks, (Strings{"intro"})); // no update check unless turned on

    // Installed, with updates turned on: no tour, no second "Default", autostart registered
    // once, one check a little later.
    app.reset();
    installed = true;
    defaults.set(Settings::hasSeenIntroKey, true);
    defaults.set(Settings::autoUpdateKey, true);
    hooks.clear();
    launch();
    EXPECT_TRUE(loginItem.enabled());
    queue.advance(AppDelegate::updateCheckDelay);
    queue.advance(60);
    EXPECT_EQ(hooks, (Strings{"update(silent)"}));
    EXPECT_EQ(app->store().contexts().size(), 1u);
}

TEST_F(Launch, TrayWarnsWhileTheHotkeysCannotWorkAndItsCommandsReachTheHost) {
    keysFail = true;
    launch();
    EXPECT_EQ(app->menu()->warnings, Strings{std::string(warnings::hotkeysUnavailable)});
    EXPECT_NE(files.inFolder("status.log").find("tapActive=false\ntapEnabled=false\n"),
              std::string::npos);

    app.reset();
    keysFail = false;
    launch();
    EXPECT_TRUE(app->menu()->warnings.empty());
    keys->heldByOther = true;
    queue.advance(AppDelegate::warningInterval);
    EXPECT_EQ(app->menu()->warnings, Strings{std::string(warnings::keyboardHeld)});
    keys->heldByOther = false;
    queue.advance(AppDelegate::warningInterval);
    EXPECT_TRUE(app->menu()->warnings.empty());

    // Taken bindings: each is named with its holder, at once, on the button and at the top of
    // the menu, whose item leads to the recorders; the key is named as the layout shows it.
    keyLabels = FakeKeyLabels({{Key::grave, "^"}});
    app->config().bindings[HotkeyAction::switcherConfined] = {Key::grave, Modifier::command};
    app->hotkeys().recording(false);
    const auto taken = BindingState::Kind::taken;
    keys->report({{{Key::tab, Modifier::command}, taken, "xfwm4"},
                  {{Key::grave, Modifier::command}, taken, ""}});
    queue.drain();
    const Strings lines{"Super+Tab is used by xfwm4 — choose another shortcut or free it in "
                        "xfwm4's keyboard settings…",
                        "Super+^ is used by another program — choose another shortcut or free "
                        "it there…"};
    EXPECT_EQ(app->menu()->warnings, lines);
    EXPECT_EQ(menuView.last().button.title, " " + lines[0]);
    EXPECT_EQ(menuView.last().items[1].title, lines[1]);
    app->menu()->trigger(menuView.last().items[0]);
    EXPECT_EQ(hooks.back(), "hotkeySettings");
    keys->report({});
    queue.drain();
    EXPECT_EQ(menuView.last().items.front().title, "Create new context…");

    app->menu()->onSettings();
    app->menu()->onNewContext();
    app->menu()->onQuit();
    EXPECT_EQ(hooks,
              (Strings{"intro", "intro", "hotkeySettings", "settings", "newContext", "quit"}));
    std::weak_ptr<AppDelegate> gone = app;
    app.reset();
    queue.advance(60); // timers and queued work of a core that is gone do nothing
    EXPECT_TRUE(gone.expired());
}

TEST_F(Launch, UnreadableContextsAndSettingsAreLeftAloneAndNamedOnceUntilTheyRead) {
    const auto file = files.appSupportDir() / "contexts.json";
    const std::string work = R"({"contexts":[{"id":")" + Uuid::random().str() +
                             R"(","name":"Work","colorHex":"#FF6B6B"}]})";
    files.contents[file] = work;
    files.failReads = {file};
    defaults.unreadable = true;
    installed = true;
    launch();
    queue.advance(10);
    const Strings lines{"Can't read contexts.json — changes are not saved until it is readable",
                        "Can't read settings.json — changes are not saved until it is readable"};
    EXPECT_EQ(app->menu()->warnings, lines);
    EXPECT_EQ(log.lines, lines);
    EXPECT_EQ(files.contents[file], work);
    EXPECT_FALSE(loginItem.enabled()) << "unread settings may hold the user's \"off\"";

    files.failReads.clear();
    defaults.unreadable = false;
    queue.advance(AppDelegate::warningInterval);
    EXPECT_TRUE(app->menu()->warnings.empty());
    ASSERT_EQ(app->store().contexts().size(), 1u);
    EXPECT_EQ(app->store().contexts()[0]->name, "Work");
}

TEST_F(Launch, StatusAndDumpDescribeTheStateInTheirFilesAndPickingAContextBringsItForward) {
    const WindowID e1 = windows.open(editor, "draft");
    const WindowID e2 = windows.open(editor, "notes");
    const WindowID b1 = windows.open(browser, "news");
    windows.window(b1).minimized = true;
    windows.window(e2).desktop = 1;
    launch();
    ContextPtr work = addContext("Work", {appPin("org.editor")});
    EXPECT_EQ(files.inFolder("status.log"), "tapActive=true\ntapEnabled=true\neventsSeen=0\n"
                                            "secureInput=false\ncontexts:\n    Default: members=0\n"
                                            "  * Work: members=1");

    app->menu()->onDump();
    const std::string id1 = std::to_string(e1), id2 = std::to_string(e2);
    const std::string id3 = std::to_string(b1);
    EXPECT_EQ(
        files.inFolder("windows-dump.log"),
        "=== Every window of every desktop, front to back ===\n"
        "  id=" +
            id3 +
            " pid=200 app=org.browser \"Browser\" kind=normal "
            "states=minimized,closable desktop=0 (current) frame=800x600+100+100 title='news'\n"
            "  id=" +
            id2 +
            " pid=100 app=org.editor \"Editor\" kind=normal states=closable "
            "desktop=1 frame=800x600+100+100 title='notes'\n"
            "  id=" +
            id1 +
            " pid=100 app=org.editor \"Editor\" kind=normal states=closable "
            "desktop=0 (current) frame=800x600+100+100 title='draft'\n\n"
            "=== What the switcher lists ===\n"
            "  app=Editor wid=" +
            id1 +
            " title=draft\n"
            "  app=Editor wid=" +
            id2 + " title=notes");
    EXPECT_EQ(log.lines.back(), "Morvelan: wrote windows-dump.log");

    EXPECT_EQ(app->menu()->windowCounts()[work->id], 2);
    app->store().setActive(app->store().contexts()[0]->id);
    windows.actions.clear();
    app->store().setActive(work->id); // picked in the tray
    EXPECT_EQ(windows.actions, (Strings{"raise " + id2, "raise " + id1, "focus " + id1}));
}

} // namespace
} // namespace morvelan
