// Tests of the switcher view's selectable order, stepping, context cycling and pinning.
#include "SwitcherTestKit.h"

#include <gtest/gtest.h>

namespace morvelan::testing {
namespace {

class ViewNavigation : public ::testing::Test {
protected:
    void SetUp() override {
        view.contexts = {{"Mail", rgb(1, 0, 0), "Work", 0},
                         {"Code", rgb(0, 1, 0), "Work", 0},
                         {"Music", rgb(0, 0, 1), "Home", 1}};
        view.workspaceNames = {"Work", "Home"};
        // 0: Mail, 1: Code, 2: Mail, 3: Code, 4: no context
        view.cells = {cell("a", {0}), cell("b", {1}), cell("c", {0}), cell("d", {1}),
                      cell("e", {})};
        view.onRedraw = [this] { ++redraws; };
    }

    FakeTextMeasure measure;
    SwitcherView view{measure};
    int redraws = 0;
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
