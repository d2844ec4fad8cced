// Tests of the switcher controller: delayed showing, preselection, filtering, commit, removal
// and placement of the panel.
#include "SwitcherTestKit.h"

#include "fakes/FakeLoginItem.h"
#include "fakes/ManualQueue.h"
#include "fakes/MemoryDefaults.h"
#include "fakes/RecordingLog.h"

#include <gtest/gtest.h>

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
    WindowID selected() const { return sw.selectedWindow().value_or(Win{}).wid; }
    std::vector<WindowID> wids() const {
        std::vector<WindowID> out;
        for (const auto& w : sw.windows())
            out.push_back(w.wid);
        return out;
    }
    void click(const Rect& r, bool alt = false) { panel.view->press({r.x + 2, r.y + 2}, alt); }

    MemoryDefaults defaults;
    FakeLoginItem loginItem;
    RecordingLog log;
    Settings settings{defaults, loginItem, log};
    ManualQueue queue;
    FakePanel panel;
    FakeScreens screens;
    FakeTextMeasure measure;
    Switcher sw{panel, screens, queue, settings, measure};

    std::vector<std::pair<WindowID, std::optional<Uuid>>> commits;
    std::vector<std::pair<WindowID, Uuid>> toggles;
    std::vector<int> adds;
    int closes = 0;
};

// --- Showing ------------------------------------------------------------------------------

TEST_F(SwitcherTest, QuickTapCommitsUnseenOtherwiseThePanelAppearsAfterTheDelay) {
    open();
    EXPECT_EQ(sw.state(), SwitcherState::pending);
    queue.advance(0.030);
    sw.commit();
    queue.advance(1.0);
    EXPECT_EQ(panel.shows, 0);
    EXPECT_EQ(commits.size(), 1u);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(sw.state(), SwitcherState::closed);
    EXPECT_EQ(queue.pendingTimers(), 0u);

    for (int delayMs : {65, 200}) { // 65 ms unless configured
        SCOPED_TRACE(delayMs);
        if (delayMs != 65) settings.setSwitcherDelayMs(delayMs);
        panel.shows = 0;
        open();
        queue.advance(delayMs / 1000.0 - 0.001);
        EXPECT_EQ(panel.shows, 0);
        queue.advance(0.002);
        EXPECT_EQ(panel.shows, 1);
        EXPECT_EQ(sw.state(), SwitcherState::shown);
        sw.cancel();
    }

    // No delay: shown at once, without waiting for a turn of the queue.
    settings.setSwitcherDelayMs(0);
    panel.shows = 0;
    open();
    EXPECT_EQ(panel.shows, 1);
    EXPECT_EQ(sw.state(), SwitcherState::shown);
    EXPECT_EQ(queue.pendingTimers(), 0u);
}

TEST_F(SwitcherTest, PanelIsShownOnceRefreshedInPlaceAndNeverAfterClosing) {
    open();
    sw.showNow(); // navigation shows at once, and only once
    queue.advance(1.0);
    EXPECT_EQ(panel.shows, 1);
    sw.setConfined(true);
    EXPECT_EQ(panel.shows, 1);
    EXPECT_TRUE(sw.view().confined);

    sw.stepWindow(true);
    const WindowID kept = selected();
    open(0, kept); // reopening while shown refreshes in place
    EXPECT_EQ(sw.state(), SwitcherState::shown);
    EXPECT_EQ(selected(), kept);
    queue.advance(1.0);
    EXPECT_EQ(panel.shows, 1);

    sw.cancel();
    sw.showNow();
    sw.setConfined(true);
    sw.beginFilter();
    sw.appendFilter("x");
    EXPECT_EQ(panel.shows, 1);
    EXPECT_EQ(sw.state(), SwitcherState::closed);
    EXPECT_TRUE(sw.windows().empty());
}

// --- Opening --------------------------------------------------------------------------------

TEST_F(SwitcherTest, PreselectsTheRequestedWindowElseTheSecondSelectableOne) {
    open();
    EXPECT_EQ(selected(), 102u);
    EXPECT_EQ(sw.windows().size(), sw.view().cells.size());
    EXPECT_EQ(sw.view().emptyHint, "No open windows");
    open(0, 105);
    EXPECT_EQ(selected(), 105u);
    open(0, 999); // gone: back to the second window
    EXPECT_EQ(selected(), 102u);

    sw.startConfined(true);
    open(1); // Code: 102 and 104; the focused window 101 is not in it
    EXPECT_EQ(selected(), 102u);
    open(0); // Mail: 101 (focused) and 103
    EXPECT_EQ(selected(), 103u);

    sw.cancel();
    sw.begin({"Work"}, {}, -1, {column(window(1, 7, "Only", "App"))}, std::nullopt);
    EXPECT_EQ(sw.view().sel, 0); // a single window stays selected
}

TEST_F(SwitcherTest, OpeningClampsTheActiveContextAndTitlesAndIconsTheTiles) {
    open(7);
    EXPECT_EQ(sw.view().activeCtx, 2);
    EXPECT_EQ(sw.view().cells[3].title, "Firefox"); // untitled: the application's name
    EXPECT_EQ(sw.view().cells[4].title, "News");
    open(-4);
    EXPECT_EQ(sw.view().activeCtx, -1);
    sw.begin({}, {}, 3, columns(), std::nullopt);
    EXPECT_EQ(sw.view().activeCtx, 0);
    auto icon = std::make_shared<Image>();
    sw.begin({}, {}, -1, {column(window(2, 1, "a", "Kate"), {}, icon)}, std::nullopt);
    EXPECT_EQ(sw.view().cells[0].icon, icon);
}

// --- Filtering --------------------------------------------------------------------------------

TEST_F(SwitcherTest, FilterMatchesTitleOrAppNameLowerCasedAndSelectsTheFirstMatch) {
    open();
    sw.appendFilter("FIREfox");
    std::vector<bool> matched;
    for (const auto& c : sw.view().cells)
        matched.push_back(c.matched);
    EXPECT_EQ(matched, (std::vector<bool>{false, false, false, true, true}));
    EXPECT_EQ(selected(), 104u);
    EXPECT_EQ(sw.view().filter, "FIREfox");

    // Clearing the filter returns to the second window.
    for (int i = 0; i < 7; ++i)
        sw.deleteFilterChar();
    sw.appendFilter("dr");
    EXPECT_EQ(selected(), 103u);
    sw.deleteFilterChar();
    sw.deleteFilterChar();
    EXPECT_EQ(sw.query(), "");
    EXPECT_EQ(selected(), 102u);

    sw.begin({}, {}, -1,
             {column(window(1, 1, "Über uns", "Browser")), column(window(1, 2, "x", "y"))},
             std::nullopt);
    sw.appendFilter("ÜBER");
    EXPECT_TRUE(sw.view().cells[0].matched);
    EXPECT_FALSE(sw.view().cells[1].matched);
}

TEST_F(SwitcherTest, DeleteRemovesAWholeCharacterAndNothingInAnEmptyFilter) {
    open();
    sw.stepWindow(true);
    const auto frames = panel.frames.size();
    sw.deleteFilterChar();
    EXPECT_EQ(selected(), 103u); // a rebuild would have gone back to 102
    EXPECT_EQ(panel.frames.size(), frames);
    EXPECT_EQ(panel.shows, 0);

    sw.appendFilter("ne\xCC\x81"); // n, e + combining acute accent
    sw.deleteFilterChar();
    EXPECT_EQ(sw.query(), "n");
    sw.appendFilter("🇩🇪");
    sw.deleteFilterChar();
    EXPECT_EQ(sw.query(), "n");
}

// --- Commit and mouse ---------------------------------------------------------------------------

TEST_F(SwitcherTest, CommitHandsOverTheSelectionAndTheActiveContextOrOnlyClosesWithoutOne) {
    open(1);
    sw.commit();
    open(-1);
    sw.commit();
    open(0);
    sw.setConfined(true);
    sw.stepWindow(false); // confined to Mail: back over Kate to Drafts
    sw.commit();
    EXPECT_EQ(commits, (std::vector<std::pair<WindowID, std::optional<Uuid>>>{
                           {102, uuidOf(2)}, {102, std::nullopt}, {103, uuidOf(1)}}));

    open();
    sw.beginFilter();
    EXPECT_EQ(sw.state(), SwitcherState::filtering);
    sw.appendFilter("zzz");
    EXPECT_EQ(sw.view().sel, -1);
    sw.commit();
    EXPECT_EQ(commits.size(), 3u);
    EXPECT_EQ(closes, 4);
    EXPECT_EQ(panel.hides, 4);
}

TEST_F(SwitcherTest, ClicksOnChipsChangeTheContextAltClicksPinAndATileClickCommits) {
    open(0);
    const auto bar = sw.view().barLayout();
    click(bar.chips[2].rect);
    EXPECT_EQ(sw.view().activeCtx, 2);
    EXPECT_EQ(selected(), 102u);
    click(bar.adds[1].rect);
    EXPECT_EQ(adds, (std::vector<int>{1}));

    // Alt-click pins to the active context, and under All only selects.
    click(sw.view().tileRect(0), true);
    EXPECT_EQ(toggles, (std::vector<std::pair<WindowID, Uuid>>{{101u, uuidOf(3)}}));
    EXPECT_EQ(sw.view().cells[0].ctxIdxs, (std::set<int>{0, 2}));
    click(bar.allRect);
    EXPECT_EQ(sw.view().activeCtx, -1);
    click(sw.view().tileRect(3), true);
    EXPECT_EQ(sw.view().sel, 3);
    EXPECT_EQ(toggles.size(), 1u);
    EXPECT_EQ(sw.view().cells[3].ctxIdxs, (std::set<int>{1, 2}));
    panel.view->press({5, 5}, false); // nowhere
    EXPECT_TRUE(commits.empty());
    EXPECT_EQ(closes, 0);

    sw.setConfined(true);
    click(sw.view().tileRect(4)); // dimmed by confinement, still clickable
    EXPECT_EQ(commits,
              (std::vector<std::pair<WindowID, std::optional<Uuid>>>{{105, std::nullopt}}));
    EXPECT_EQ(closes, 1);
}

// --- Removing ---------------------------------------------------------------------------------

TEST_F(SwitcherTest, RemovedWindowsAndAppsStayOutASelectionIsKeptAndTheLastOneCloses) {
    open(0, 105);
    sw.removeSelected(); // the last tile
    EXPECT_EQ(sw.view().cells.size(), 4u);
    EXPECT_EQ(selected(), 104u);
    sw.appendFilter("news");
    sw.deleteFilterChar();
    sw.appendFilter("s");
    EXPECT_EQ(sw.view().sel, -1); // it does not return with the filter
    EXPECT_EQ(wids(), (std::vector<WindowID>{101, 102, 103, 104}));

    open(0, 103); // a new opening starts from every window again
    sw.removeSelectedApp();
    EXPECT_EQ(wids(), (std::vector<WindowID>{102, 104, 105}));
    EXPECT_EQ(sw.view().cells[0].title, "main.cpp");

    sw.begin({}, {}, -1, {column(window(1, 7, "Only", "App"))}, std::nullopt);
    sw.removeSelected();
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(sw.state(), SwitcherState::closed);
    sw.removeSelected(); // nothing left to remove
    EXPECT_EQ(closes, 1);
}

// --- Placement --------------------------------------------------------------------------------

TEST_F(SwitcherTest, PanelIsCentredOnTheScreenUnderThePointerElseTheFirstElseLeftAlone) {
    screens.list = {{0, 0, 1280, 800}, {1280, 0, 1921, 1081}};
    screens.at = Point{2000, 300};
    open();
    ASSERT_FALSE(panel.frames.empty());
    Rect f = panel.frames.back();
    EXPECT_DOUBLE_EQ(f.x + f.width / 2, 1280 + 1921 / 2.0);
    EXPECT_DOUBLE_EQ(f.y + f.height / 2, 1081 / 2.0);
    EXPECT_EQ(sw.view().perRow, 5);

    screens.list = {{100, 50, 1000, 600}, {1100, 0, 1000, 600}};
    screens.at = std::nullopt;
    sw.cancel();
    open();
    f = panel.frames.back();
    EXPECT_DOUBLE_EQ(f.x + f.width / 2, 600);
    EXPECT_DOUBLE_EQ(f.y + f.height / 2, 350);

    screens.list.clear();
    sw.cancel();
    panel.frames.clear();
    open();
    EXPECT_TRUE(panel.frames.empty());
}

TEST_F(SwitcherTest, PerRowFitsNinetyTwoPercentOfTheScreenAndNeverExceedsTheWindows) {
    std::vector<Switcher::Col> many;
    for (WindowID i = 1; i <= 12; ++i)
        many.push_back(column(window(1, i, "w", "a")));
    screens.list = {{0, 0, 1000, 700}}; // (920 - 28 + 10) / 150 = 6.01
    sw.begin({}, {}, -1, many, std::nullopt);
    EXPECT_EQ(sw.view().perRow, 6);
    EXPECT_DOUBLE_EQ(panel.frames.back().height, 78 + 2 * 104);

    screens.list = {{0, 0, 100, 700}};
    sw.begin({}, {}, -1, many, std::nullopt);
    EXPECT_EQ(sw.view().perRow, 1);

    screens.list = {{0, 0, 1000, 700}};
    sw.begin({}, {}, -1, {many[0], many[1]}, std::nullopt);
    EXPECT_EQ(sw.view().perRow, 2);
}

} // namespace
} // namespace morvelan::testing
