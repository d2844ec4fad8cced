// status.log, focused.log and windows-dump.log: their exact texts and when they are written.
#include "AppFixture.h"

namespace morvelan {
namespace {

using StatusLogTest = AppFixture;

TEST_F(StatusLogTest, ListsTheFlagsThenOneLinePerContextAndAFailedWriteChangesNothingElse) {
    launch();
    clearContexts();
    app->writeStatus();
    const std::string empty = file("status.log");
    ASSERT_GE(empty.size(), 10u);
    EXPECT_EQ(empty.substr(empty.size() - 10), "contexts:\n"); // the heading and a line feed

    auto work = addContext(
        "Work", {appPin("org.editor"), pin("org.editor", "a", 1), pin("org.editor", "b", 2)});
    addContext("Idle", {}, {rule(RuleField::appName, RuleOp::equals, "Term")});
    app->store().setActiveSilent(work->id);
    keys->feed(FakeKeySource::keyDown(0, 0)); // one key event seen
    app->writeStatus();
    const std::string full = "trusted=true\naxWid=true\nspaceScan=false\ntapActive=true\n"
                             "tapEnabled=true\neventsSeen=1\nsecureInput=false\ncontexts:\n"
                             "  * Work: members=3\n    Idle: members=0";
    EXPECT_EQ(file("status.log"), full); // no trailing line feed

    files.failWrites.insert(files.appSupportDir() / "status.log");
    addContext("Late");
    EXPECT_EQ(file("status.log"), full);
    EXPECT_NE(file("contexts.json").find("Late"), std::string::npos);
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(StatusLogTest, WithoutAKeySourceBothTapFlagsAreFalse) {
    keysFail = true;
    launch();
    const std::string text = file("status.log"); // written after the engine's report
    EXPECT_NE(text.find("tapActive=false\ntapEnabled=false\n"), std::string::npos);
}

// --- focused.log ---------------------------------------------------------------------------

using FocusedLogTest = AppFixture;

TEST_F(FocusedLogTest, WrittenOncePerWindowAndTitleEvenWhenTheWriteFailed) {
    window(editor, 1, "notes");
    window(browser, 2, "page");
    launch();
    addContext("Edit", {appPin("org.editor")});
    const auto path = files.appSupportDir() / "focused.log";
    files.failWrites.insert(path);
    app->logFocused(win(1));
    files.failWrites.clear();
    app->logFocused(win(1)); // not retried
    EXPECT_FALSE(files.has(path));
    app->logFocused(win(2));
    EXPECT_EQ(file("focused.log"), "app=Browser\nwid=2\ntitle=page\nmatchedContext=(none)\n");

    focus(editor, 1);
    queue.advance(1.0);
    const int writes = files.writes;
    queue.advance(1.0);
    app->logFocused(win(1));
    EXPECT_EQ(files.writes, writes);
    EXPECT_EQ(app->lastLogged(), "1\tnotes");
    desktop.app(editor)->windows[0]->title = "notes (edited)";
    app->logFocused(win(1));
    EXPECT_EQ(file("focused.log"),
              "app=Editor\nwid=1\ntitle=notes (edited)\nmatchedContext=Edit\n");
}

// --- windows-dump.log ------------------------------------------------------------------------

using DumpTest = AppFixture;

TEST_F(DumpTest, DumpHasTheThreeSectionsMarksWindowsWithoutElementsAndAlwaysLogsALine) {
    desktop.spaces = true;
    desktop.displaySpaces =
        std::vector<DisplaySpaces>{{std::vector<std::optional<std::int64_t>>{1, 2}}};
    window(editor, 1, "notes");
    desktop.spaceWindows[1].push_back(1);
    // A browser window on the other space: listed by the window server only.
    desktop.addServerWindow(browser, 9, {0, 0, 800, 600}, "elsewhere", false);
    desktop.spaceWindows[2].push_back(9);
    launch();
    app->dumpWindows();
    const std::string text = file("windows-dump.log");
    const std::string expected = "=== AX per-app (kAXWindows, unfiltered) ===\n" +
                                 app->engine().debugDump() +
                                 "\n\n=== CGWindowList(.optionAll) ===\n" + app->engine().cgDump() +
                                 "\n\n=== allAcrossSpaces() (what the switcher gets) ===\n";
    ASSERT_EQ(text.substr(0, expected.size()), expected);
    const std::string lines = text.substr(expected.size());
    EXPECT_EQ(lines.find("  app=Editor wid=1 ax=true title=notes"), 0u) << lines;
    EXPECT_NE(lines.find("\n  app=Browser wid=9 ax=false title=elsewhere"), std::string::npos)
        << lines;
    EXPECT_NE(lines.find("\n  app=Term wid=" + std::to_string(Win::placeholderBit | term) +
                         " ax=false title="),
              std::string::npos)
        << lines;
    EXPECT_NE(lines.back(), '\n');
    EXPECT_EQ(log.lines, Strings{"Morvelan: wrote windows-dump.log"});

    // The system log line is written even when the file is not.
    files.contents.erase(files.appSupportDir() / "windows-dump.log");
    files.failWrites.insert(files.appSupportDir() / "windows-dump.log");
    app->dumpWindows();
    EXPECT_FALSE(files.has(files.appSupportDir() / "windows-dump.log"));
    EXPECT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines.back(), "Morvelan: wrote windows-dump.log");
}

} // namespace
} // namespace morvelan
