// Tests of the switcher view: header bar, tile grid and panel size, the draw list, mouse input,
// the selectable order, stepping, context cycling and pinning.
#include "SwitcherTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace morvelan::testing {
namespace {

using namespace morvelan::draw;

const Color red = rgb(1, 0, 0);
const Color green = rgb(0, 1, 0);

Color white(double a) {
    return {1, 1, 1, a};
}
Color withAlpha(Color c, double a) {
    c.a = a;
    return c;
}

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
        view.contexts = {{"Mail", red, "Work", 0},
                         {"Code", green, "Work", 0},
                         {"Music", rgb(0, 0, 1), "Home", 1}};
        view.workspaceNames = {"Work", "Home"};
        view.onRedraw = [this] { ++redraws; };
    }
    Point centre(const Rect& r) const { return {r.x + r.width / 2, r.y + r.height / 2}; }
    DrawList drawn() const { return view.draw(view.contentSize()); }

    FakeTextMeasure measure;
    SwitcherView view{measure};
    int redraws = 0;
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

TEST_F(ViewLayout, HoverMovesTheSelectionOnceAndAPressSelectsEvenADimmedTile) {
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
    view.cells[2].matched = false;
    view.confined = true;
    view.press(centre(view.tileRect(2)), false);
    EXPECT_EQ(view.sel, 2);
}

// --- Drawing ------------------------------------------------------------------------------

using ViewDraw = ViewLayout;

TEST_F(ViewDraw, BackgroundClipsTheRestAndHeadersAreDimLetterSpacedAndTruncated) {
    view.cells = {cell("a", {})};
    const auto list = view.draw({400, 200});
    ASSERT_GE(list.commands.size(), 2u);
    const auto& bg = std::get<FillRoundedRect>(list.commands[0]);
    EXPECT_EQ(bg.rect, (Rect{0, 0, 400, 200}));
    EXPECT_DOUBLE_EQ(bg.radius, 16);
    EXPECT_EQ(bg.color, (Color{0.12, 0.12, 0.12, 0.95}));
    EXPECT_DOUBLE_EQ(std::get<ClipRoundedRect>(list.commands[1]).radius, 16);

    const auto all = list.all<Text>();
    const auto header =
        std::find_if(all.begin(), all.end(), [](auto& t) { return t.text == "WORK"; });
    ASSERT_NE(header, all.end());
    EXPECT_EQ(header->font, (Font{9, FontWeight::bold, 0.5}));
    EXPECT_EQ(header->color, white(0.45));
    EXPECT_TRUE(header->truncateTail);
    EXPECT_EQ(list.all<FillRect>().size(), 2u); // two dividers
}

TEST_F(ViewDraw, ActiveChipIsSolidOthersTintedAndTheAllChipLightsUpWhenActive) {
    view.activeCtx = 1;
    const auto fills = drawn().all<FillRoundedRect>();
    const auto bar = view.barLayout();
    auto fillAt = [&](const Rect& r) {
        for (const auto& f : fills)
            if (f.rect.x == r.x && f.rect.y == r.y && f.radius == 7) return f.color;
        return Color{};
    };
    EXPECT_EQ(fillAt(bar.allRect), white(0.12));
    EXPECT_EQ(fillAt(bar.chips[0].rect), withAlpha(red, 0.22));
    EXPECT_EQ(fillAt(bar.chips[1].rect), green);
    EXPECT_EQ(fillAt(bar.adds[0].rect), white(0.12));
    EXPECT_EQ(drawn().all<Glyph>().at(0).color, white(0.7));

    view.activeCtx = -1;
    const auto list = drawn();
    EXPECT_EQ(list.all<FillRoundedRect>().at(1).color, white(0.28));
    const auto glyph = list.all<Glyph>().at(0);
    EXPECT_EQ(glyph.color, white(1.0));
    EXPECT_DOUBLE_EQ(glyph.rect.x, 14 + 7);
    EXPECT_DOUBLE_EQ(glyph.rect.width, 12);
}

TEST_F(ViewDraw, EmptyPanelShowsTheHintOtherwiseTheFooterShowsKeyHintsOrTheFilter) {
    view.emptyHint = "No open windows";
    auto list = drawn();
    auto all = list.all<Text>();
    EXPECT_EQ(all.back().text, "No open windows");
    EXPECT_EQ(all.back().alignment, Align::center);
    EXPECT_DOUBLE_EQ(all.back().rect.y, 56 + 12);
    for (const auto& t : all)
        EXPECT_EQ(t.text.find("click opens"), std::string::npos);
    EXPECT_TRUE(list.all<StrokeRoundedRect>().empty());

    view.cells = {cell("a", {})};
    auto footer = drawn().all<Text>().back();
    EXPECT_EQ(footer.text, "⇥ window   ←→ / 1-9 context   ⌘F filter   ⌥ focus task   "
                           "⌥-click assign   click opens");
    EXPECT_EQ(footer.font, (Font{10, FontWeight::regular, 0}));
    EXPECT_EQ(footer.color, white(0.5));
    EXPECT_DOUBLE_EQ(footer.rect.y, view.contentSize().height - 22 + 2);

    view.filtering = true;
    EXPECT_EQ(drawn().all<Text>().back().text, "🔍 Type to filter      release opens   esc cancel");
    view.filter = "mail";
    footer = drawn().all<Text>().back();
    EXPECT_EQ(footer.text, "🔍 mail      release opens   esc cancel");
    EXPECT_EQ(footer.font, (Font{12, FontWeight::semibold, 0}));
    EXPECT_EQ(footer.color, white(0.95));
}

TEST_F(ViewDraw, SelectionRingOnlyOnTheSelectedTile) {
    view.cells = {cell("a", {}), cell("b", {}), cell("c", {})};
    view.sel = 1;
    const auto rings = drawn().all<StrokeRoundedRect>();
    ASSERT_EQ(rings.size(), 1u);
    EXPECT_DOUBLE_EQ(rings[0].rect.x, view.tileRect(1).x + 1);
    EXPECT_DOUBLE_EQ(rings[0].rect.width, 138);
    EXPECT_DOUBLE_EQ(rings[0].radius, 8);
    EXPECT_DOUBLE_EQ(rings[0].lineWidth, 2.5);
    EXPECT_EQ(rings[0].color, white(0.9));
}

TEST_F(ViewDraw, TileFillBorderIconAndTitleFollowContextFilterAndConfinement) {
    const FontWeight semi = FontWeight::semibold, plain = FontWeight::regular;
    const std::optional<Color> none;
    struct Case {
        int activeCtx;
        std::set<int> ctxIdxs;
        bool matched, confined;
        Color fill;
        std::optional<Color> stroke;
        double iconOpacity, titleAlpha;
        FontWeight titleWeight;
    };
    const Case cases[] = {
        {0, {0}, true, false, withAlpha(red, 0.26), red, 1.0, 0.97, semi},     // in the active one
        {-1, {1, 0}, true, false, withAlpha(red, 0.26), red, 1.0, 0.97, semi}, // all: lowest
        {0, {1}, true, false, white(0.04), none, 1.0, 0.97, plain},            // outside
        {-1, {}, true, false, white(0.04), none, 1.0, 0.97, plain},            // in no context
        {0, {1}, true, true, white(0.04), none, 0.18, 0.18, plain},            // outside, confined
        {0, {0}, false, false, withAlpha(red, 0.08), withAlpha(red, 0.5), 0.5, 0.5, plain},
        {0, {0}, false, true, withAlpha(red, 0.08), withAlpha(red, 0.18), 0.18, 0.18, plain},
        {0, {1}, false, false, white(0.04), none, 0.5, 0.5, plain}, // filtered out, no colour
        {0, {}, false, true, white(0.04), none, 0.18, 0.18, plain},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        view.activeCtx = c.activeCtx;
        view.confined = c.confined;
        view.cells = {cell("title", c.ctxIdxs, c.matched)};
        view.cells[0].icon = std::make_shared<morvelan::Image>();
        view.sel = -1;

        const auto list = drawn();
        std::optional<Color> fill, stroke;
        for (const auto& f : list.all<FillRoundedRect>())
            if (f.radius == 9) fill = f.color;
        for (const auto& s : list.all<StrokeRoundedRect>()) {
            EXPECT_DOUBLE_EQ(s.lineWidth, 1.5);
            stroke = s.color;
        }
        const auto images = list.all<draw::Image>();
        ASSERT_EQ(images.size(), 1u);
        const auto title = list.all<Text>().at(list.all<Text>().size() - 2); // before the footer
        ASSERT_EQ(title.text, "title");

        EXPECT_EQ(fill, c.fill);
        EXPECT_EQ(stroke, c.stroke);
        EXPECT_DOUBLE_EQ(images[0].opacity, c.iconOpacity);
        EXPECT_DOUBLE_EQ(images[0].rect.x, 14 + 70 - 28);
        EXPECT_DOUBLE_EQ(images[0].rect.y, 56 + 11);
        EXPECT_EQ(title.color, white(c.titleAlpha));
        EXPECT_EQ(title.font, (Font{12, c.titleWeight, 0}));
        EXPECT_TRUE(title.truncateTail);
    }
}

// --- Navigation ---------------------------------------------------------------------------

class ViewNavigation : public ViewLayout {
protected:
    void SetUp() override {
        ViewLayout::SetUp();
        // 0: Mail, 1: Code, 2: Mail, 3: Code, 4: no context
        view.cells = {cell("a", {0}), cell("b", {1}), cell("c", {0}), cell("d", {1}),
                      cell("e", {})};
    }
};

TEST_F(ViewNavigation, OrderHoldsMatchingCellsOfTheActiveContextWhenConfined) {
    view.cells[3].matched = false;
    EXPECT_EQ(view.order(), (std::vector<int>{0, 1, 2, 4}));
    view.cells[3].matched = true;
    view.confined = true;
    view.activeCtx = 1;
    EXPECT_EQ(view.order(), (std::vector<int>{1, 3}));
    view.activeCtx = -1; // all, leaving out windows of no context
    EXPECT_EQ(view.order(), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(ViewNavigation, SteppingWrapsSkipsWhatIsNotSelectableAndRedrawsOnlyOnAMove) {
    struct Case {
        bool confined;
        int activeCtx, unmatched, from;
        bool forward;
        int to;
    };
    const Case cases[] = {
        {false, 0, -1, 4, true, 0},  // wraps forward
        {false, 0, -1, 0, false, 4}, // and backward
        {false, 0, 1, 0, true, 2},   // skips a filtered-out cell
        {true, 0, -1, 1, false, 2},  // backward from a cell outside: the last selectable
        {true, 0, -1, 3, true, 0},   // forward from a cell outside: the first selectable
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        for (auto& cell : view.cells)
            cell.matched = true;
        if (c.unmatched >= 0) view.cells[c.unmatched].matched = false;
        view.confined = c.confined;
        view.activeCtx = c.activeCtx;
        view.sel = c.from;
        redraws = 0;
        view.stepWindow(c.forward);
        EXPECT_EQ(view.sel, c.to);
        EXPECT_EQ(redraws, 1);
    }
    for (auto& c : view.cells)
        c.matched = false;
    view.sel = -1;
    redraws = 0;
    view.stepWindow(true);
    EXPECT_EQ(view.sel, -1);
    EXPECT_EQ(redraws, 0);
}

TEST_F(ViewNavigation, CyclingRunsThroughTheContextsAndAllAndSelectsTheFirstWindow) {
    struct Case {
        bool confined;
        int fromCtx, fromSel, delta, toCtx, toSel;
    };
    const Case cases[] = {
        {false, 2, 4, +1, -1, 4}, // last context to all: the selection stays
        {false, -1, 4, +1, 0, 0}, // all to the first, selecting its first window
        {false, -1, 0, -1, 2, 0}, // back from all to the last; Music has no window
        {false, 2, 0, -1, 1, 1},  {false, 0, 4, +1, 1, 1},
        {true, 2, 4, +1, -1, 0}, // to all while confined: the first selectable
        {false, 1, 3, +1, 2, 3}, // to a context without windows: the selection stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        view.confined = c.confined;
        view.activeCtx = c.fromCtx;
        view.sel = c.fromSel;
        view.cycleContext(c.delta);
        EXPECT_EQ(view.activeCtx, c.toCtx);
        EXPECT_EQ(view.sel, c.toSel);
    }
    view.contexts.clear(); // nothing but all
    view.activeCtx = -1;
    view.cycleContext(+1);
    EXPECT_EQ(view.activeCtx, -1);
    view.cycleContext(-1);
    EXPECT_EQ(view.activeCtx, -1);
}

TEST_F(ViewNavigation, DigitSelectsAContextAndItsFirstWindowOrChangesNothing) {
    view.activeCtx = -1;
    view.sel = 0;
    view.selectContext(1);
    EXPECT_EQ(view.activeCtx, 1);
    EXPECT_EQ(view.sel, 1);
    view.sel = 3;
    redraws = 0;
    for (int digit : {8, 3, -1})
        view.selectContext(digit);
    EXPECT_EQ(view.activeCtx, 1);
    EXPECT_EQ(view.sel, 3);
    EXPECT_EQ(redraws, 0);
}

TEST_F(ViewNavigation, ToggleMembershipFlipsTheActiveContextOfAnExistingCell) {
    view.activeCtx = 2;
    view.toggleActiveMembership(0);
    EXPECT_EQ(view.cells[0].ctxIdxs, (std::set<int>{0, 2}));
    view.toggleActiveMembership(0);
    EXPECT_EQ(view.cells[0].ctxIdxs, (std::set<int>{0}));
    redraws = 0;
    view.activeCtx = -1;
    view.toggleActiveMembership(0);
    view.activeCtx = 0;
    view.toggleActiveMembership(5);
    view.toggleActiveMembership(-1);
    EXPECT_EQ(view.cells[0].ctxIdxs, (std::set<int>{0}));
    EXPECT_EQ(redraws, 0);
}

} // namespace
} // namespace morvelan::testing
