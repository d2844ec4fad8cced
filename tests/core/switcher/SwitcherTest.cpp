// Tests of the switcher controller: delayed showing, preselection, filtering, commit, the
// mouse, removal and placement of the panel.
#include "core/switcher/Switcher.h"
#include "fakes/FakeLoginItem.h"
#include "fakes/FakeScreens.h"
#include "fakes/FakeSwitcherPanel.h"
#include "fakes/FakeTextMeasure.h"
#include "fakes/ManualQueue.h"
#include "fakes/MemoryDefaults.h"
#include "fakes/RecordingLog.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

using Commits = std::vector<std::pair<WindowID, std::optional<Uuid>>>;

// One column per window, as the opener builds them.
Switcher::Col column(Pid pid, WindowID wid, std::string title, std::string app,
                     std::set<int> ctxIdxs = {}) {
    const Win win{.pid = pid, .appName = app, .title = std::move(title), .wid = wid};
    return {std::move(app), nullptr, {{win, std::move(ctxIdxs), std::nullopt}}};
}

Uuid uuidOf(int n) {
    Uuid id;
    id.bytes[15] = static_cast<std::uint8_t>(n);
    return id;
}

class SwitcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        sw.onCommit = [this](const Win& w, auto ctx) { commits.push_back({w.wid, ctx}); };
        sw.onToggleMembership = [this](const Win& w, auto ctx) { toggles.push_back({w.wid, ctx}); };
        sw.onAddContext = [this](int ws) { adds.push_back(ws); };
        sw.onClose = [this] { ++closes; };
    }

    // Mail and Code in "Work", Music in "Home"; windows 101..105 in recency order, 101 focused.
    void open(int activeCtx = 0, std::optional<WindowID> select = std::nullopt) {
        sw.begin({"Work", "Home"},
                 {{uuidOf(1), "Mail", {1, 0, 0, 1}, "Work", 0},
                  {uuidOf(2), "Code", {0, 1, 0, 1}, "Work", 0},
                  {uuidOf(3), "Music", {0, 0, 1, 1}, "Home", 1}},
                 activeCtx,
                 {column(1, 101, "Inbox", "Thunderbird", {0}),
                  column(2, 102, "main.cpp", "Kate", {1}),
                  column(1, 103, "Drafts", "Thunderbird", {0}),
                  column(3, 104, "", "Übersicht", {1, 2}), column(3, 105, "News", "Übersicht")},
                 select);
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
    FakeSwitcherPanel panel;
    FakeScreens screens;
    FakeTextMeasure measure;
    Switcher sw{panel, screens, queue, settings, measure};

    Commits commits;
    std::vector<std::pair<WindowID, Uuid>> toggles;
    std::vector<int> adds;
    int closes = 0;
};

// --- Showing --------------------------------------------------------------------------------

TEST_F(SwitcherTest, AQuickTapNeverShowsThePanelOtherwiseItAppearsAfterTheDelay) {
    open();
    queue.advance(0.030);
    sw.commit();
    queue.advance(1.0);
    EXPECT_EQ(panel.shows, 0);
    EXPECT_EQ(commits.size(), 1u);

    settings.setSwitcherDelayMs(200);
    open();
    queue.advance(0.199);
    EXPECT_EQ(panel.shows, 0);
    queue.advance(0.002);
    EXPECT_EQ(panel.shows, 1);
    sw.cancel();

    settings.setSwitcherDelayMs(0); // at once, not a turn of the queue later
    open();
    EXPECT_EQ(panel.shows, 2);
}

TEST_F(SwitcherTest, AKeyBeforeTheDelayShowsThePanelOnceAndNothingShowsItAfterClosing) {
    open();
    sw.showNow();
    queue.advance(1.0);
    sw.setConfined(true);
    EXPECT_EQ(panel.shows, 1);

    open(); // opening again while shown rebuilds in place
    queue.advance(1.0);
    EXPECT_EQ(panel.shows, 1);

    sw.cancel();
    sw.showNow();
    sw.setConfined(true);
    sw.beginFilter();
    sw.appendFilter("x");
    EXPECT_EQ(panel.shows, 1);
    EXPECT_EQ(sw.state(), SwitcherState::closed);
}

// --- Opening --------------------------------------------------------------------------------

TEST_F(SwitcherTest, OpensOnTheRequestedWindowElseTheSecondSelectableOne) {
    struct Case {
        int activeCtx;
        bool confined;
        std::optional<WindowID> select;
        WindowID expected;
    };
    const Case cases[] = {
        {0, false, std::nullopt, 102}, // the window used before the focused one
        {0, false, 105, 105},          // asked for
        {0, false, 999, 102},          // gone: as if none was asked for
        {1, true, std::nullopt, 102},  // Code: 102 and 104; the focused 101 is not in it
        {0, true, std::nullopt, 103},  // Mail: 101 (focused) and 103
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        sw.startConfined(c.confined);
        open(c.activeCtx, c.select);
        EXPECT_EQ(selected(), c.expected);
        sw.cancel();
    }
    sw.begin({}, {}, -1, {column(1, 7, "", "App")}, std::nullopt);
    EXPECT_EQ(selected(), 7u);                  // a single window stays selected
    EXPECT_EQ(sw.view().cells[0].title, "App"); // untitled: its application's name
}

// --- Filtering ------------------------------------------------------------------------------

TEST_F(SwitcherTest, FilterMatchesTitleOrApplicationInAnyCaseAndDeleteTakesAWholeCharacter) {
    open();
    sw.appendFilter("ÜBERsicht"); // 104 is untitled, 105 is "News": both by their application
    std::vector<bool> matched;
    for (const auto& c : sw.view().cells)
        matched.push_back(c.matched);
    EXPECT_EQ(matched, (std::vector<bool>{false, false, false, true, true}));
    EXPECT_EQ(selected(), 104u);
    for (int i = 0; i < 9; ++i)
        sw.deleteFilterChar();
    EXPECT_EQ(selected(), 102u); // an empty filter: back on the second window

    sw.stepWindow(true);
    sw.deleteFilterChar(); // nothing to delete: no rebuild, which would go back to 102
    EXPECT_EQ(selected(), 103u);
    sw.appendFilter("ne\xCC\x81"); // n, e + combining acute accent
    sw.deleteFilterChar();
    EXPECT_EQ(sw.query(), "n");
    sw.appendFilter("🇩🇪");
    sw.deleteFilterChar();
    EXPECT_EQ(sw.query(), "n");
}

// --- Commit and mouse -----------------------------------------------------------------------

TEST_F(SwitcherTest, CommitHandsOverTheSelectionAndTheChosenContextOrOnlyClosesWithoutOne) {
    open(1);
    sw.commit();
    open(-1);
    sw.commit();
    open(0);
    sw.setConfined(true);
    sw.stepWindow(false); // confined to Mail: back over Kate to Drafts
    sw.commit();
    EXPECT_EQ(commits, (Commits{{102, uuidOf(2)}, {102, std::nullopt}, {103, uuidOf(1)}}));

    open();
    sw.beginFilter();
    sw.appendFilter("zzz");
    sw.commit();
    EXPECT_EQ(commits.size(), 3u);
    EXPECT_EQ(closes, 4);
    EXPECT_FALSE(panel.shown);
}

TEST_F(SwitcherTest, ChipsChooseTheContextAltClicksPinHoverSelectsAndAClickCommits) {
    open(0);
    const auto bar = sw.view().barLayout();
    click(bar.chips[2].rect);
    EXPECT_EQ(sw.view().activeCtx, 2);
    click(bar.adds[1].rect);
    EXPECT_EQ(adds, (std::vector<int>{1}));

    // Alt-click pins to the chosen context and unpins; under All it only selects.
    click(sw.view().tileRect(0), true);
    EXPECT_EQ(sw.view().cells[0].ctxIdxs, (std::set<int>{0, 2}));
    click(sw.view().tileRect(0), true);
    EXPECT_EQ(sw.view().cells[0].ctxIdxs, (std::set<int>{0}));
    click(bar.allRect);
    EXPECT_EQ(sw.view().activeCtx, -1);
    click(sw.view().tileRect(3), true);
    EXPECT_EQ(selected(), 104u);
    EXPECT_EQ(toggles,
              (std::vector<std::pair<WindowID, Uuid>>{{101, uuidOf(3)}, {101, uuidOf(3)}}));

    int hovers = 0;
    panel.view->hoverChanged = [&] { ++hovers; };
    const Rect tile = sw.view().tileRect(1);
    panel.view->mouseMoved({tile.x + 5, tile.y + 5});
    panel.view->mouseMoved({tile.x + 9, tile.y + 9});
    panel.view->mouseMoved({tile.x + tile.width + 2, tile.y + 5}); // between two tiles
    EXPECT_EQ(selected(), 102u);
    EXPECT_EQ(hovers, 1);
    panel.view->press({5, 5}, false); // on no tile and no chip: nothing

    sw.setConfined(true);
    click(sw.view().tileRect(4)); // dimmed by confinement, still clickable
    EXPECT_EQ(commits, (Commits{{105, std::nullopt}}));
    EXPECT_EQ(closes, 1);
}

// --- Removing -------------------------------------------------------------------------------

TEST_F(SwitcherTest, RemovedWindowsAndAppsStayOutASelectionIsKeptAndTheLastOneCloses) {
    open(0, 105);
    sw.removeSelected(); // the last tile
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

    sw.begin({}, {}, -1, {column(1, 7, "Only", "App")}, std::nullopt);
    sw.removeSelected();
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(sw.state(), SwitcherState::closed);
    sw.removeSelected(); // nothing left to remove
    EXPECT_EQ(closes, 1);
}

// --- Placement ------------------------------------------------------------------------------

TEST_F(SwitcherTest, PanelIsCentredOnThePointersScreenElseTheFirstAndFitsItsWidth) {
    screens.list = {{0, 0, 1280, 800}, {1280, 0, 1921, 1081}};
    screens.at = Point{2000, 300};
    open();
    ASSERT_FALSE(panel.frames.empty());
    Rect f = panel.frames.back();
    EXPECT_DOUBLE_EQ(f.x + f.width / 2, 1280 + 1921 / 2.0); // odd sizes too
    EXPECT_DOUBLE_EQ(f.y + f.height / 2, 1081 / 2.0);
    sw.cancel();

    // Twelve windows on the first screen: the rows wrap inside it.
    screens.list = {{100, 50, 1000, 600}, {1100, 0, 1000, 600}};
    screens.at = std::nullopt;
    std::vector<Switcher::Col> many;
    for (WindowID i = 1; i <= 12; ++i)
        many.push_back(column(1, i, "w", "a"));
    sw.begin({}, {}, -1, many, std::nullopt);
    f = panel.frames.back();
    EXPECT_DOUBLE_EQ(f.x + f.width / 2, 600);
    EXPECT_DOUBLE_EQ(f.y + f.height / 2, 350);
    EXPECT_GE(f.x, 100);
    EXPECT_LE(f.x + f.width, 1100);
    sw.cancel();

    screens.list.clear();
    panel.frames.clear();
    open();
    EXPECT_TRUE(panel.frames.empty());
}

TEST_F(SwitcherTest, HugeContextNamesAndThousandsOfContextsLayOutAndDrawOnlyWhatFitsTheScreen) {
    screens.list = {{0, 0, 1280, 800}};
    std::vector<Switcher::Ctx> many;
    for (int i = 0; i < 1000; ++i)
        many.push_back({uuidOf(i + 1),
                        i == 1 ? std::string(100000, 'W') : "c" + std::to_string(i),
                        {1, 0, 0, 1},
                        i % 2 ? "Work" : "Home",
                        i % 2});
    sw.begin({std::string(100000, 'H'), "Work"}, many, 1, {column(1, 101, "Inbox", "Mail", {1})},
             std::nullopt);
    const Rect f = panel.frames.back();
    EXPECT_LE(f.width, 1280);
    const auto bar = panel.view->barLayout();
    ASSERT_FALSE(bar.chips.empty());
    EXPECT_LE(bar.chips.back().rect.x + bar.chips.back().rect.width, f.width);
    std::size_t texts = 0;
    for (const auto& text : panel.view->draw({f.width, f.height}).all<draw::Text>()) {
        ++texts;
        EXPECT_LE(text.text.size(), 256u);
    }
    EXPECT_LT(texts, 200u) << "chips past the screen are not drawn";
}

} // namespace
} // namespace morvelan
