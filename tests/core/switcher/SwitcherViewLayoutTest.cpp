// Tests of the switcher view's header bar, tile grid, panel size, tile colour and mouse input.
#include "SwitcherTestKit.h"

#include <gtest/gtest.h>

namespace morvelan::testing {
namespace {

void expectRect(const Rect& r, double x, double y, double w, double h) {
    EXPECT_DOUBLE_EQ(r.x, x);
    EXPECT_DOUBLE_EQ(r.y, y);
    EXPECT_DOUBLE_EQ(r.width, w);
    EXPECT_DOUBLE_EQ(r.height, h);
}

class ViewLayout : public ::testing::Test {
protected:
    void SetUp() override {
        // Chip labels measure 24, 24 and 30; headers 6.5 per character (kern 0.5).
        view.contexts = {{"Mail", rgb(1, 0, 0), "Work", 0},
                         {"Code", rgb(0, 1, 0), "Work", 0},
                         {"Music", rgb(0, 0, 1), "Home", 1}};
        view.workspaceNames = {"Work", "Home"};
    }
    Point centre(const Rect& r) const { return {r.x + r.width / 2, r.y + r.height / 2}; }

    FakeTextMeasure measure;
    SwitcherView view{measure};
};

TEST_F(ViewLayout, BarPlacesChipsButtonsHeadersAndDividers) {
    const auto bar = view.barLayout();
    expectRect(bar.allRect, 14, 24, 52, 22);
    ASSERT_EQ(bar.chips.size(), 3u);
    expectRect(bar.chips[0].rect, 82, 24, 42, 22);
    expectRect(bar.chips[1].rect, 129, 24, 42, 22);
    EXPECT_EQ(bar.chips[2].idx, 2);
    ASSERT_EQ(bar.adds.size(), 2u);
    expectRect(bar.adds[0].rect, 176, 24, 22, 22);
    ASSERT_EQ(bar.headers.size(), 2u);
    expectRect(bar.headers[0].rect, 82, 8, 116, 13);
    EXPECT_EQ(bar.headers[0].text, "WORK");
    EXPECT_EQ(bar.dividers, (std::vector<double>{74, 206}));
    expectRect(bar.chips[2].rect, 214, 24, 48, 22);
    expectRect(bar.adds[1].rect, 267, 24, 22, 22);
    EXPECT_DOUBLE_EQ(bar.width, 289 + 14);
}

TEST_F(ViewLayout, BarGroupsFollowHeadersWorkspacesAndKnownContexts) {
    view.workspaceNames[0] = "Engineering and Operations"; // 26 characters
    view.workspaceNames[1] = "Größe";
    view.workspaceNames.push_back("Empty");
    auto bar = view.barLayout();
    EXPECT_DOUBLE_EQ(bar.headers[0].rect.width, 26 * 6.5);
    // The next group starts after the wide header, not after the "+" button.
    EXPECT_DOUBLE_EQ(bar.dividers[1], 82 + 169 + 8);
    EXPECT_DOUBLE_EQ(bar.chips[2].rect.x, 82 + 169 + 16);
    EXPECT_EQ(bar.headers[1].text, "GRÖSSE"); // upper-cased with Unicode rules
    // A workspace without contexts still has its header and "+" button.
    ASSERT_EQ(bar.adds.size(), 3u);
    EXPECT_DOUBLE_EQ(bar.adds[2].rect.x, bar.headers[2].rect.x);
    EXPECT_EQ(bar.headers[2].text, "EMPTY");
    // A context of an unknown workspace gets no chip.
    view.contexts[2].wsIndex = 7;
    EXPECT_EQ(view.barLayout().chips.size(), 2u);
}

TEST_F(ViewLayout, TilesFillRowsAndThePanelFitsGridAndBar) {
    view.perRow = 5;
    expectRect(view.tileRect(0), 14, 56, 140, 94);
    expectRect(view.tileRect(7), 14 + 150 * 2, 56 + 104, 140, 94);
    for (int i = 0; i < 7; ++i)
        view.cells.push_back(cell("w", {}));
    EXPECT_EQ(view.contentSize(), (Size{28 + 5 * 140 + 4 * 10, 78 + 2 * 104}));

    // One window: as wide as the bar.
    view.cells.resize(1);
    view.perRow = 1;
    view.workspaceNames[1] = std::string(60, 'x'); // 390 wide header
    EXPECT_GT(view.barLayout().width, 360);
    EXPECT_EQ(view.contentSize(), (Size{view.barLayout().width, 78 + 104}));

    // Empty: 118 high and at least 360 wide.
    view.cells.clear();
    view.contexts.clear();
    view.workspaceNames.clear();
    EXPECT_EQ(view.contentSize(), (Size{360, 118}));
}

TEST_F(ViewLayout, CellColourIsTheActiveContextsOrUnderAllTheLowestIndexed) {
    view.activeCtx = -1;
    EXPECT_EQ(view.cellColor({2, 1}), rgb(0, 1, 0));
    EXPECT_EQ(view.cellColor({}), std::nullopt);
    view.activeCtx = 2;
    EXPECT_EQ(view.cellColor({0, 2}), rgb(0, 0, 1));
    EXPECT_EQ(view.cellColor({0}), std::nullopt);
}

TEST_F(ViewLayout, HoverMovesTheSelectionOnce) {
    int hovers = 0;
    view.hoverChanged = [&] { ++hovers; };
    view.cells = {cell("a", {0}), cell("b", {1}), cell("c", {})};
    view.mouseMoved(centre(view.tileRect(1)));
    view.mouseMoved({view.tileRect(1).x + 3, view.tileRect(1).y + 3});
    EXPECT_EQ(view.sel, 1);
    EXPECT_EQ(hovers, 1);
    view.mouseMoved(centre(view.barLayout().allRect)); // not a tile
    view.mouseMoved({view.tileRect(1).x + 145, 100});  // the gap between tiles
    EXPECT_EQ(view.sel, 1);
    EXPECT_EQ(hovers, 1);
}

} // namespace
} // namespace morvelan::testing
