// Tests of the switcher view's draw list: chrome, chips, tile looks, empty panel and footer.
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

class ViewDraw : public ::testing::Test {
protected:
    void SetUp() override {
        view.contexts = {{"Mail", red, "Work", 0}, {"Code", green, "Home", 1}};
        view.workspaceNames = {"Work", "Home"};
        view.emptyHint = "No open windows";
    }
    DrawList drawn() const { return view.draw(view.contentSize()); }

    FakeTextMeasure measure;
    SwitcherView view{measure};
};

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

} // namespace
} // namespace morvelan::testing
