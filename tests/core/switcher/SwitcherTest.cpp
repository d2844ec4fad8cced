// Tests of the switcher controller: delayed showing, preselection, filtering, commit, removal
// and placement of the panel.
#include "SwitcherTestKit.h"

#include "fakes/FakeLoginItem.h"
#include "fakes/ManualQueue.h"
#include "fakes/MemoryDefaults.h"
#include "fakes/RecordingLog.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace morvelan::testing {
namespace {

class SwitcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        sw.onCommit = [this](const Win& w, std::optional<Uuid> ctx) {
            commits.push_back({w.wid, ctx});
        };
        sw.onToggleMembership = [this](const Win& w, const Uuid& ctx) {
            toggles.push_back({w.wid, ctx});
        };
        sw.onAddContext = [this](int ws) { adds.push_back(ws); };
        sw.onClose = [this] { ++closes; };
    }

    // Three contexts in two workspaces.
    std::vector<Switcher::Ctx> contexts() const {
        return {{uuidOf(1), "Mail", rgb(1, 0, 0), "Work", 0},
                {uuidOf(2), "Code", rgb(0, 1, 0), "Work", 0},
                {uuidOf(3), "Music", rgb(0, 0, 1), "Home", 1}};
    }
    // Windows 101..105 in recency order; 104 is an untitled Firefox window.
    std::vector<Switcher::Col> columns() const {
        return {column(window(1, 101, "Inbox", "Thunderbird"), {0}),
                column(window(2, 102, "main.cpp", "Kate"), {1}),
                column(window(1, 103, "Drafts", "Thunderbird"), {0}),
                column(window(3, 104, "", "Firefox"), {1, 2}),
                column(window(3, 105, "News", "Firefox"), {})};
    }
    void open(int activeCtx = 0, std::optional<WindowID> select = std::nullopt) {
        sw.begin({"Work", "Home"}, contexts(), activeCtx, columns(), select);
    }
    WindowID selected() const { return sw.flat.at(sw.view.sel).wid; }

    MemoryDefaults defaults;
    FakeLoginItem loginItem;
    RecordingLog log;
    Settings settings{defaults, loginItem, log};
    ManualQueue queue;
    FakePanel panel;
    FakeScreens screens;
    FakeTextMeasure measure;
    std::map<Pid, ImageRef> runningIcons;
    Switcher sw{panel, screens, queue, settings, measure, [this](Pid pid) -> ImageRef {
                    auto it = runningIcons.find(pid);
                    return it == runningIcons.end() ? nullptr : it->second;
                }};

    std::vector<std::pair<WindowID, std::optional<Uuid>>> commits;
    std::vector<std::pair<WindowID, Uuid>> toggles;
    std::vector<int> adds;
    int closes = 0;
};

// --- Showing ------------------------------------------------------------------------------

TEST_F(SwitcherTest, QuickPressAndReleaseCommitsWithoutShowing) {
    open();
    EXPECT_EQ(sw.state(), SwitcherState::pending);
    queue.advance(0.030);
    sw.commit();
    queue.advance(1.0);
    EXPECT_EQ(panel.shows, 0);
    ASSERT_EQ(commits.size(), 1u);
    EXPECT_EQ(commits[0].first, 102u);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(sw.state(), SwitcherState::closed);
    EXPECT_EQ(queue.pendingTimers(), 0u);
}

TEST_F(SwitcherTest, PanelAppearsAfterTheConfiguredDelay) {
    settings.setSwitcherDelayMs(200);
    open();
    queue.advance(0.199);
    EXPECT_EQ(panel.shows, 0);
    queue.advance(0.002);
    EXPECT_EQ(panel.shows, 1);
    EXPECT_EQ(sw.state(), SwitcherState::shown);
}

TEST_F(SwitcherTest, DefaultDelayIs65Milliseconds) {
    open();
    queue.advance(0.064);
    EXPECT_EQ(panel.shows, 0);
    queue.advance(0.002);
    EXPECT_EQ(panel.shows, 1);
}

TEST_F(SwitcherTest, NavigationShowsAtOnceAndOnlyOnce) {
    open();
    sw.showNow();
    queue.advance(1.0);
    EXPECT_EQ(panel.shows, 1);
    sw.setConfined(true);
    EXPECT_EQ(panel.shows, 1);
    EXPECT_TRUE(sw.view.confined);
}

TEST_F(SwitcherTest, ReopeningWhileShownRefreshesInPlace) {
    open();
    sw.showNow();
    sw.view.stepWindow(true);
    const WindowID kept = selected();
    open(0, kept);
    EXPECT_EQ(sw.state(), SwitcherState::shown);
    EXPECT_EQ(selected(), kept);
    queue.advance(1.0);
    EXPECT_EQ(panel.shows, 1);
}

TEST_F(SwitcherTest, ShowNowAfterClosingKeepsThePanelHidden) {
    open();
    sw.cancel();
    sw.showNow();
    sw.setConfined(true);
    sw.beginFilter();
    sw.appendFilter("x");
    EXPECT_EQ(panel.shows, 0);
    EXPECT_EQ(sw.state(), SwitcherState::closed);
    EXPECT_TRUE(sw.flat.empty());
}

// --- Opening --------------------------------------------------------------------------------

TEST_F(SwitcherTest, SecondWindowIsPreselected) {
    open();
    EXPECT_EQ(selected(), 102u);
    EXPECT_EQ(sw.flat.size(), sw.view.cells.size());
    EXPECT_EQ(sw.view.emptyHint, "No open windows");
}

TEST_F(SwitcherTest, SingleWindowStaysSelected) {
    sw.begin({"Work"}, {}, -1, {column(window(1, 7, "Only", "App"))}, std::nullopt);
    EXPECT_EQ(sw.view.sel, 0);
}

TEST_F(SwitcherTest, ConfinedOpeningPreselectsInTheActiveContext) {
    sw.view.confined = true;
    open(1); // Code: 102 and 104; the focused window 101 is not in it
    EXPECT_EQ(selected(), 102u);
    open(0); // Mail: 101 (focused) and 103
    EXPECT_EQ(selected(), 103u);
}

TEST_F(SwitcherTest, RequestedWindowIsPreselected) {
    open(0, 105);
    EXPECT_EQ(selected(), 105u);
    open(0, 999); // gone: back to the second window
    EXPECT_EQ(selected(), 102u);
}

TEST_F(SwitcherTest, ActiveContextIsClampedOrAll) {
    open(7);
    EXPECT_EQ(sw.view.activeCtx, 2);
    open(-4);
    EXPECT_EQ(sw.view.activeCtx, -1);
    sw.begin({}, {}, 3, columns(), std::nullopt);
    EXPECT_EQ(sw.view.activeCtx, 0);
    EXPECT_TRUE(sw.ctxIDs.empty());
}

TEST_F(SwitcherTest, UntitledWindowShowsItsApplicationName) {
    open();
    EXPECT_EQ(sw.view.cells[3].title, "Firefox");
    EXPECT_EQ(sw.view.cells[4].title, "News");
}

TEST_F(SwitcherTest, RunningApplicationIconWinsOverTheColumnIcon) {
    auto running = std::make_shared<Image>();
    auto fallback = std::make_shared<Image>();
    runningIcons[2] = running;
    sw.begin({}, {}, -1,
             {column(window(2, 1, "a", "Kate"), {}, fallback),
              column(window(9, 2, "b", "Gone"), {}, fallback)},
             std::nullopt);
    EXPECT_EQ(sw.view.cells[0].icon, running);
    EXPECT_EQ(sw.view.cells[1].icon, fallback);
}

// --- Filtering --------------------------------------------------------------------------------

TEST_F(SwitcherTest, FilterMatchingNothingLeavesNoSelectionAndCommitOnlyCloses) {
    open();
    sw.beginFilter();
    EXPECT_EQ(sw.state(), SwitcherState::filtering);
    sw.appendFilter("zzz");
    EXPECT_EQ(sw.view.sel, -1);
    sw.commit();
    EXPECT_TRUE(commits.empty());
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(panel.hides, 1);
}

TEST_F(SwitcherTest, FilterMatchesTheApplicationNameInAnyCase) {
    open();
    sw.appendFilter("FIREfox");
    std::vector<bool> matched;
    for (const auto& c : sw.view.cells)
        matched.push_back(c.matched);
    EXPECT_EQ(matched, (std::vector<bool>{false, false, false, true, true}));
    EXPECT_EQ(selected(), 104u); // the first match
    EXPECT_EQ(sw.view.filter, "FIREfox");
}

TEST_F(SwitcherTest, FilterLowerCasesBeyondAscii) {
    sw.begin({}, {}, -1,
             {column(window(1, 1, "Über uns", "Browser")), column(window(1, 2, "x", "y"))},
             std::nullopt);
    sw.appendFilter("ÜBER");
    EXPECT_TRUE(sw.view.cells[0].matched);
    EXPECT_FALSE(sw.view.cells[1].matched);
}

TEST_F(SwitcherTest, ClearingTheFilterReturnsToTheSecondWindow) {
    open();
    sw.appendFilter("dr");
    EXPECT_EQ(selected(), 103u);
    sw.deleteFilterChar();
    sw.deleteFilterChar();
    EXPECT_EQ(sw.query, "");
    EXPECT_EQ(selected(), 102u);
}

TEST_F(SwitcherTest, DeleteInAnEmptyFilterDoesNothing) {
    open();
    sw.view.stepWindow(true);
    const auto frames = panel.frames.size();
    sw.deleteFilterChar();
    EXPECT_EQ(selected(), 103u); // a rebuild would have gone back to 102
    EXPECT_EQ(panel.frames.size(), frames);
    EXPECT_EQ(panel.shows, 0);
}

TEST_F(SwitcherTest, DeleteRemovesAWholeCharacter) {
    open();
    sw.appendFilter("ne\xCC\x81"); // n, e + combining acute accent
    sw.deleteFilterChar();
    EXPECT_EQ(sw.query, "n");
    sw.appendFilter("🇩🇪");
    sw.deleteFilterChar();
    EXPECT_EQ(sw.query, "n");
}

// --- Commit -----------------------------------------------------------------------------------

TEST_F(SwitcherTest, CommitHandsOverTheActiveContext) {
    open(1);
    sw.commit();
    ASSERT_EQ(commits.size(), 1u);
    EXPECT_EQ(commits[0].second, uuidOf(2));
}

TEST_F(SwitcherTest, CommitUnderAllHandsOverNoContext) {
    open(-1);
    sw.commit();
    ASSERT_EQ(commits.size(), 1u);
    EXPECT_EQ(commits[0].second, std::nullopt);
}

TEST_F(SwitcherTest, WindowDimmedOnlyByConfinementIsStillCommitted) {
    open(0);
    sw.setConfined(true);
    sw.view.sel = 1; // Kate, not in Mail
    sw.commit();
    ASSERT_EQ(commits.size(), 1u);
    EXPECT_EQ(commits[0].first, 102u);
}

TEST_F(SwitcherTest, ClickOnATileCommitsIt) {
    open(0);
    const Rect tile = sw.view.tileRect(4);
    panel.view->press({tile.x + 10, tile.y + 10}, false);
    ASSERT_EQ(commits.size(), 1u);
    EXPECT_EQ(commits[0].first, 105u);
    EXPECT_EQ(closes, 1);
}

TEST_F(SwitcherTest, ClickOnAChipOnlyChangesTheActiveContext) {
    open(0);
    const auto bar = sw.view.barLayout();
    panel.view->press({bar.chips[2].rect.x + 2, bar.chips[2].rect.y + 2}, false);
    EXPECT_EQ(sw.view.activeCtx, 2);
    EXPECT_EQ(selected(), 102u);
    panel.view->press({bar.adds[1].rect.x + 2, bar.adds[1].rect.y + 2}, false);
    EXPECT_EQ(adds, (std::vector<int>{1}));
}

// --- Pinning --------------------------------------------------------------------------------

TEST_F(SwitcherTest, AltClickPinsToTheActiveContext) {
    open(2);
    const Rect tile = sw.view.tileRect(0);
    panel.view->press({tile.x + 10, tile.y + 10}, true);
    ASSERT_EQ(toggles.size(), 1u);
    EXPECT_EQ(toggles[0], (std::pair<WindowID, Uuid>{101u, uuidOf(3)}));
    EXPECT_EQ(sw.view.cells[0].ctxIdxs, (std::set<int>{0, 2}));
    EXPECT_TRUE(commits.empty());
}

TEST_F(SwitcherTest, AltClickUnderAllOnlySelects) {
    open(-1);
    const Rect tile = sw.view.tileRect(3);
    panel.view->press({tile.x + 10, tile.y + 10}, true);
    EXPECT_EQ(sw.view.sel, 3);
    EXPECT_TRUE(toggles.empty());
    EXPECT_EQ(sw.view.cells[3].ctxIdxs, (std::set<int>{1, 2}));
    EXPECT_TRUE(commits.empty());
    EXPECT_EQ(closes, 0);
}

// --- Removing ---------------------------------------------------------------------------------

TEST_F(SwitcherTest, RemovingTheLastWindowClosesOnce) {
    sw.begin({}, {}, -1, {column(window(1, 7, "Only", "App"))}, std::nullopt);
    sw.removeSelected();
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(sw.state(), SwitcherState::closed);
    sw.removeSelected(); // nothing left to remove
    EXPECT_EQ(closes, 1);
}

TEST_F(SwitcherTest, RemovingTheLastTileKeepsASelection) {
    open(0, 105);
    sw.removeSelected();
    EXPECT_EQ(sw.flat.size(), 4u);
    EXPECT_EQ(sw.view.cells.size(), 4u);
    EXPECT_EQ(selected(), 104u);
}

TEST_F(SwitcherTest, RemovingAnApplicationDropsAllItsWindows) {
    open(0, 103);
    sw.removeSelectedApp();
    std::vector<WindowID> left;
    for (const auto& w : sw.flat)
        left.push_back(w.wid);
    EXPECT_EQ(left, (std::vector<WindowID>{102, 104, 105}));
    EXPECT_EQ(sw.view.cells[0].title, "main.cpp");
    EXPECT_EQ(sw.allColumns.size(), 5u);
}

TEST_F(SwitcherTest, RemovedWindowDoesNotReturnWithTheFilter) {
    open(0, 105);
    sw.removeSelected();
    sw.appendFilter("news");
    sw.deleteFilterChar();
    sw.appendFilter("s");
    for (const auto& w : sw.flat)
        EXPECT_NE(w.wid, 105u);
    EXPECT_EQ(sw.view.sel, -1);
}

// --- Placement --------------------------------------------------------------------------------

TEST_F(SwitcherTest, PanelIsCentredOnTheScreenUnderThePointer) {
    screens.list = {{0, 0, 1280, 800}, {1280, 0, 1921, 1081}};
    screens.at = Point{2000, 300};
    open();
    ASSERT_FALSE(panel.frames.empty());
    const Rect f = panel.frames.back();
    EXPECT_DOUBLE_EQ(f.x + f.width / 2, 1280 + 1921 / 2.0);
    EXPECT_DOUBLE_EQ(f.y + f.height / 2, 1081 / 2.0);
    EXPECT_EQ(sw.view.perRow, 5);
}

TEST_F(SwitcherTest, WithoutPointerThePanelGoesOnTheFirstScreen) {
    screens.list = {{100, 50, 1000, 600}, {1100, 0, 1000, 600}};
    screens.at = std::nullopt;
    open();
    const Rect f = panel.frames.back();
    EXPECT_DOUBLE_EQ(f.x + f.width / 2, 600);
    EXPECT_DOUBLE_EQ(f.y + f.height / 2, 350);
}

TEST_F(SwitcherTest, PerRowFitsNinetyTwoPercentOfTheScreen) {
    std::vector<Switcher::Col> many;
    for (WindowID i = 1; i <= 12; ++i)
        many.push_back(column(window(1, i, "w", "a")));
    screens.list = {{0, 0, 1000, 700}}; // (920 - 28 + 10) / 150 = 6.01
    sw.begin({}, {}, -1, many, std::nullopt);
    EXPECT_EQ(sw.view.perRow, 6);
    EXPECT_DOUBLE_EQ(panel.frames.back().height, 78 + 2 * 104);

    screens.list = {{0, 0, 100, 700}};
    sw.begin({}, {}, -1, many, std::nullopt);
    EXPECT_EQ(sw.view.perRow, 1);
}

TEST_F(SwitcherTest, PerRowNeverExceedsTheWindowCount) {
    sw.begin({}, {}, -1, {column(window(1, 1, "a", "b")), column(window(1, 2, "c", "d"))},
             std::nullopt);
    EXPECT_EQ(sw.view.perRow, 2);
}

TEST_F(SwitcherTest, NoScreenLeavesThePanelWhereItWas) {
    screens.list.clear();
    open();
    EXPECT_TRUE(panel.frames.empty());
}

} // namespace
} // namespace morvelan::testing
