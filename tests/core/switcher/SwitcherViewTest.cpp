// Tests of the switcher view: the header bar, the draw list, stepping, context cycling and
// digits. Mouse input and filtering are tested through the Switcher, which wires them.
#include "core/switcher/SwitcherView.h"
#include "fakes/FakeTextMeasure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

namespace morvelan {
namespace {

using namespace morvelan::draw;

SwitcherView::Cell cell(std::set<int> ctxIdxs, bool matched = true) {
    return {"title", std::make_shared<morvelan::Image>(), std::nullopt, std::move(ctxIdxs),
            matched};
}

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.contexts = {{"Mail", {1, 0, 0, 1}, "Work", 0},
                         {"Code", {0, 1, 0, 1}, "Work", 0},
                         {"Music", {0, 0, 1, 1}, "Home", 1}};
        view.workspaceNames = {"Work", "Home"};
        // 0: Mail, 1: Code, 2: Mail, 3: Code, 4: no context
        view.cells = {cell({0}), cell({1}), cell({0}), cell({1}), cell({})};
        view.onRedraw = [this] { ++redraws; };
    }
    DrawList drawn() const { return view.draw(view.contentSize()); }

    FakeTextMeasure measure;
    SwitcherView view{measure};
    int redraws = 0;
};

// Chip names and tile titles, in every palette colour and a few chosen ones, stand out at
// 4.5:1 or better from what is painted under them.
TEST_F(ViewTest, ChipAndTileTextIsReadableOnEveryColour) {
    std::vector<Color> colors;
    for (std::size_t i = 0; i < palette.size(); ++i)
        colors.push_back(paletteColor(i));
    for (const char* hex : {"#FFFFFF", "#000000", "#FFFF00", "#00FFFF", "#777777", "#3D7A2F"})
        colors.push_back(*colorFromHex(hex));
    for (const Color& color : colors) {
        SCOPED_TRACE(hexFromColor(color));
        view.contexts = {{"Active", color, "Work", 0}, {"Other", color, "Work", 0}};
        view.cells = {cell({0}), cell({1})};
        view.activeCtx = 0;
        // What lies under a text's middle: the fills before it, over black and over white.
        const DrawList list = drawn();
        int checked = 0;
        for (std::size_t i = 0; i < list.commands.size(); ++i) {
            const auto* text = std::get_if<Text>(&list.commands[i]);
            if (!text || (text->text != "Active" && text->text != "Other" && text->text != "title"))
                continue;
            const Point middle{text->rect.x + text->rect.width / 2,
                               text->rect.y + text->rect.height / 2};
            for (Color under : {Color{0, 0, 0, 1}, Color{1, 1, 1, 1}}) {
                for (std::size_t j = 0; j < i; ++j)
                    if (const auto* fill = std::get_if<FillRoundedRect>(&list.commands[j]);
                        fill && contains(fill->rect, middle))
                        under = over(fill->color, under);
                EXPECT_GE(contrastRatio(over(text->color, under), under), 4.5) << text->text;
            }
            ++checked;
        }
        EXPECT_EQ(checked, 4); // two chips, two tiles
    }
}

// --- Header bar -----------------------------------------------------------------------------

TEST_F(ViewTest, BarGroupsChipsUnderHeadersThatFitTheirTextAndFillsOnlyTheChosenChip) {
    view.workspaceNames = {"Engineering and Operations", "Größe", "Empty"};
    view.contexts.push_back({"Lost", {1, 1, 1, 1}, "Gone", 7}); // names no workspace
    view.cells.resize(1);
    const auto bar = view.barLayout();

    std::vector<std::string> headers;
    for (const auto& header : bar.headers)
        headers.push_back(header.text);
    EXPECT_EQ(headers, (std::vector<std::string>{"ENGINEERING AND OPERATIONS", "GRÖSSE", "EMPTY"}));
    // Headers are drawn letter-spaced: measured without it, a long one overflows its rect.
    for (const Text& text : drawn().all<Text>()) {
        if (std::find(headers.begin(), headers.end(), text.text) == headers.end()) continue;
        SCOPED_TRACE(text.text);
        EXPECT_LE(measure.width(text.text, text.font), text.rect.width);
    }
    // The next group starts after the wide header, not after the first group's "+".
    ASSERT_EQ(bar.chips.size(), 3u);
    EXPECT_EQ(bar.chips[2].idx, 2);
    EXPECT_GE(bar.chips[2].rect.x, bar.headers[0].rect.x + bar.headers[0].rect.width);
    EXPECT_EQ(bar.adds.size(), 3u); // the empty workspace too
    EXPECT_GE(view.contentSize().width, bar.width);

    view.activeCtx = 1; // only the chosen context's chip is filled with its whole colour
    std::vector<int> solid;
    for (const auto& fill : drawn().all<FillRoundedRect>())
        for (const auto& chip : bar.chips)
            if (fill.rect == chip.rect && fill.color == view.contexts[chip.idx].color)
                solid.push_back(chip.idx);
    EXPECT_EQ(solid, std::vector<int>{1});
}

// --- Drawing --------------------------------------------------------------------------------

TEST_F(ViewTest, FooterShowsTheTypedFilterFirstAndEndsWithAnEllipsisWhenTooNarrow) {
    view.filtering = true;
    view.filter = "mail";
    const Text footer = drawn().all<Text>().back();
    EXPECT_EQ(footer.text.rfind(std::string(SwitcherView::filterPrompt) + "mail", 0), 0u);
    EXPECT_EQ(footer.elide, Elide::tail); // a centred text wider than its rect is cut at both edges
    view.filtering = false;
    EXPECT_EQ(drawn().all<Text>().back().elide, Elide::tail);

    view.cells.clear();
    view.emptyHint = "No open windows";
    EXPECT_EQ(drawn().all<Text>().back().text, "No open windows"); // and no footer
}

TEST_F(ViewTest,
       TilesAreBrightWhenSelectableDimWhenFilteredOutFaintWhenConfinedOutAndTheSelectedOneRinged) {
    enum Look { faint, dim, bright };
    struct Case {
        int activeCtx;
        std::set<int> ctxIdxs;
        bool matched, confined;
        Look look;
        int frame; // the context whose colour borders the tile, -1 for none
    };
    const Case cases[] = {
        {0, {0}, true, false, bright, 0},  {-1, {2, 1}, true, false, bright, 1}, // All: the first
        {0, {1}, true, false, bright, -1}, {-1, {}, true, false, bright, -1},
        {0, {1}, true, true, faint, -1},   {0, {0}, false, false, dim, 0},
        {0, {0}, false, true, faint, 0},   {0, {1}, false, false, dim, -1},
        {-1, {}, false, true, faint, -1},
    };
    std::map<Look, std::set<double>> opacities;
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        view.activeCtx = c.activeCtx;
        view.confined = c.confined;
        view.cells = {cell(c.ctxIdxs, c.matched)};
        view.sel = -1;
        const auto list = drawn();
        const auto images = list.all<draw::Image>();
        ASSERT_EQ(images.size(), 1u);
        opacities[c.look].insert(images[0].opacity);
        const auto borders = list.all<StrokeRoundedRect>();
        ASSERT_EQ(borders.size(), c.frame < 0 ? 0u : 1u);
        if (c.frame < 0) continue;
        Color border = borders[0].color;
        border.a = 1;
        EXPECT_EQ(border, view.contexts[c.frame].color);
    }
    EXPECT_EQ(opacities[bright], std::set<double>{1.0});
    ASSERT_EQ(opacities[dim].size(), 1u);
    ASSERT_EQ(opacities[faint].size(), 1u);
    EXPECT_LT(*opacities[faint].begin(), *opacities[dim].begin());
    EXPECT_LT(*opacities[dim].begin(), 1.0);

    view.cells.assign(3, cell({})); // in no context: no border, only the ring
    view.sel = 1;
    const auto rings = drawn().all<StrokeRoundedRect>();
    ASSERT_EQ(rings.size(), 1u);
    EXPECT_GE(rings[0].rect.x, view.tileRect(1).x);
    EXPECT_LE(rings[0].rect.x + rings[0].rect.width, view.tileRect(1).x + view.tileRect(1).width);
}

// --- Navigation -----------------------------------------------------------------------------

TEST_F(ViewTest, SteppingWrapsSkipsWhatIsNotSelectableAndRedrawsOnlyOnAMove) {
    struct Case {
        bool confined;
        int activeCtx;
        std::set<int> unmatched;
        int from;
        bool forward;
        int to;
    };
    const Case cases[] = {
        {false, 0, {}, 4, true, 0},  // wraps forward
        {false, 0, {}, 0, false, 4}, // and backward
        {false, 0, {1}, 0, true, 2}, // skips a filtered-out tile
        {true, 0, {}, 1, false, 2},  // backward from a tile outside: the last selectable
        {true, 0, {}, 3, true, 0},   // forward from a tile outside: the first selectable
        {true, 1, {}, 1, true, 3},   // only the active context's tiles
        {true, -1, {}, 3, true, 0},  // under All, confined: tiles of no context are skipped
        {false, 0, {0, 1, 2, 3, 4}, -1, true, -1}, // nothing selectable
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        for (int i = 0; i < int(view.cells.size()); ++i)
            view.cells[i].matched = c.unmatched.count(i) == 0;
        view.confined = c.confined;
        view.activeCtx = c.activeCtx;
        view.sel = c.from;
        redraws = 0;
        view.stepWindow(c.forward);
        EXPECT_EQ(view.sel, c.to);
        EXPECT_EQ(redraws, c.to == c.from ? 0 : 1);
    }
}

TEST_F(ViewTest, CyclingRunsThroughTheContextsAndAllAndDigitsPickOneEachSelectingItsFirstWindow) {
    struct Case {
        bool confined;
        int fromCtx, fromSel, delta, toCtx, toSel;
    };
    const Case cases[] = {
        {false, 2, 4, +1, -1, 4}, // last context to All: the selection stays
        {false, -1, 4, +1, 0, 0}, // All to the first, selecting its first window
        {false, -1, 0, -1, 2, 0}, // back from All to the last
        {false, 2, 0, -1, 1, 1},  {false, 0, 4, +1, 1, 1},
        {true, 2, 4, +1, -1, 0}, // to All while confined: the first selectable
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

    view.confined = false;
    view.activeCtx = -1;
    view.sel = 4;
    view.selectContext(1);
    EXPECT_EQ(view.activeCtx, 1);
    EXPECT_EQ(view.sel, 1);
    view.sel = 3;
    redraws = 0;
    for (int digit : {8, 3, -1}) // no such context: nothing changes
        view.selectContext(digit);
    EXPECT_EQ(view.activeCtx, 1);
    EXPECT_EQ(view.sel, 3);
    EXPECT_EQ(redraws, 0);

    view.contexts.clear(); // nothing but All
    view.cycleContext(-1);
    EXPECT_EQ(view.activeCtx, -1);
}

} // namespace
} // namespace morvelan
