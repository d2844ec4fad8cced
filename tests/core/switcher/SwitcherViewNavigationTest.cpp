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

TEST_F(ViewNavigation, UnconfinedOrderHoldsEveryMatchingCell) {
    view.cells[3].matched = false;
    EXPECT_EQ(view.order(), (std::vector<int>{0, 1, 2, 4}));
}

TEST_F(ViewNavigation, ConfinedOrderHoldsOnlyTheActiveContext) {
    view.confined = true;
    view.activeCtx = 1;
    EXPECT_EQ(view.order(), (std::vector<int>{1, 3}));
}

TEST_F(ViewNavigation, ConfinedToAllLeavesOutWindowsOfNoContext) {
    view.confined = true;
    view.activeCtx = -1;
    EXPECT_EQ(view.order(), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(ViewNavigation, SteppingWrapsBothWays) {
    view.sel = 4;
    view.stepWindow(true);
    EXPECT_EQ(view.sel, 0);
    view.stepWindow(false);
    EXPECT_EQ(view.sel, 4);
    EXPECT_EQ(redraws, 2);
}

TEST_F(ViewNavigation, SteppingSkipsFilteredOutCells) {
    view.cells[1].matched = false;
    view.sel = 0;
    view.stepWindow(true);
    EXPECT_EQ(view.sel, 2);
}

TEST_F(ViewNavigation, BackwardFromNonSelectableLandsOnLastSelectable) {
    view.confined = true;
    view.activeCtx = 0;
    view.sel = 1; // a Code window, not selectable while confined to Mail
    view.stepWindow(false);
    EXPECT_EQ(view.sel, 2);
}

TEST_F(ViewNavigation, ForwardFromNonSelectableLandsOnFirstSelectable) {
    view.confined = true;
    view.activeCtx = 0;
    view.sel = 3;
    view.stepWindow(true);
    EXPECT_EQ(view.sel, 0);
}

TEST_F(ViewNavigation, SteppingWithNothingSelectableChangesNothing) {
    for (auto& c : view.cells)
        c.matched = false;
    view.sel = -1;
    view.stepWindow(true);
    EXPECT_EQ(view.sel, -1);
    EXPECT_EQ(redraws, 0);
}

TEST_F(ViewNavigation, CyclingFromLastContextReachesAllThenFirst) {
    view.activeCtx = 2;
    view.cycleContext(+1);
    EXPECT_EQ(view.activeCtx, -1);
    view.cycleContext(+1);
    EXPECT_EQ(view.activeCtx, 0);
}

TEST_F(ViewNavigation, CyclingBackFromAllReachesLastContext) {
    view.activeCtx = -1;
    view.cycleContext(-1);
    EXPECT_EQ(view.activeCtx, 2);
    view.cycleContext(-1);
    EXPECT_EQ(view.activeCtx, 1);
}

TEST_F(ViewNavigation, CyclingWithNoContextsStaysOnAll) {
    view.contexts.clear();
    view.activeCtx = -1;
    view.cycleContext(+1);
    EXPECT_EQ(view.activeCtx, -1);
    view.cycleContext(-1);
    EXPECT_EQ(view.activeCtx, -1);
}

TEST_F(ViewNavigation, CyclingToAContextSelectsItsFirstWindow) {
    view.activeCtx = 0;
    view.sel = 4;
    view.cycleContext(+1);
    EXPECT_EQ(view.activeCtx, 1);
    EXPECT_EQ(view.sel, 1);
}

TEST_F(ViewNavigation, CyclingToAllKeepsSelectionUnlessConfined) {
    view.activeCtx = 2;
    view.sel = 4;
    view.cycleContext(+1);
    EXPECT_EQ(view.sel, 4);

    view.confined = true;
    view.activeCtx = 2;
    view.cycleContext(+1);
    EXPECT_EQ(view.sel, 0);
}

TEST_F(ViewNavigation, ContextWithoutWindowsKeepsSelection) {
    view.activeCtx = 1;
    view.sel = 3;
    view.cycleContext(+1); // Music has no window
    EXPECT_EQ(view.activeCtx, 2);
    EXPECT_EQ(view.sel, 3);
}

TEST_F(ViewNavigation, SelectContextPicksItsFirstWindow) {
    view.activeCtx = -1;
    view.sel = 0;
    view.selectContext(1);
    EXPECT_EQ(view.activeCtx, 1);
    EXPECT_EQ(view.sel, 1);
}

TEST_F(ViewNavigation, DigitBeyondTheContextsChangesNothing) {
    view.activeCtx = 1;
    view.sel = 3;
    view.selectContext(8);
    view.selectContext(3);
    view.selectContext(-1);
    EXPECT_EQ(view.activeCtx, 1);
    EXPECT_EQ(view.sel, 3);
    EXPECT_EQ(redraws, 0);
}

TEST_F(ViewNavigation, ToggleMembershipAddsThenRemovesTheActiveContext) {
    view.activeCtx = 2;
    view.toggleActiveMembership(0);
    EXPECT_EQ(view.cells[0].ctxIdxs, (std::set<int>{0, 2}));
    view.toggleActiveMembership(0);
    EXPECT_EQ(view.cells[0].ctxIdxs, (std::set<int>{0}));
}

TEST_F(ViewNavigation, ToggleMembershipNeedsAContextAndACell) {
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
