// Opening and filtering the switcher read the desktop once, not once per window: on X11
// every desktop query made outside a batch is a whole new snapshot of every client.
#include "AppFixture.h"

namespace morvelan {
namespace {

using SwitcherSnapshotTest = AppFixture;

// Regression: each cell's icon lookup read the whole desktop again, 400 snapshots of 200
// windows for one opening (1.6 s on Xvfb).
TEST_F(SwitcherSnapshotTest, OpeningFilteringAndAddingAContextReadTheDesktopInsideOneBatch) {
    for (WindowID wid = 1; wid <= 30; ++wid)
        window(wid % 3 == 0   ? editor
               : wid % 3 == 1 ? browser
                              : term,
               wid, "Window " + std::to_string(wid));
    desktop.icons[editor] = std::make_shared<Image>();
    launch();
    focus(browser, 1);
    desktop.windowReadsOutsideBatch = 0;
    desktop.iconReadsOutsideBatch = 0;

    app->switcherOpen(false);
    ASSERT_EQ(app->switcher().flat.size(), 30u);
    EXPECT_EQ(desktop.windowReadsOutsideBatch, 0);
    // The editor's windows still carry its icon.
    const auto& cells = app->switcher().view.cells;
    EXPECT_EQ(std::count_if(cells.begin(), cells.end(), [](const auto& c) { return c.icon; }), 10);

    app->switcherBeginFilter();
    app->switcherFilterType("window 1");
    app->switcherFilterBackspace();
    app->switcher().onAddContext(0);
    EXPECT_EQ(desktop.iconReadsOutsideBatch, 0);
    EXPECT_EQ(desktop.windowReadsOutsideBatch, 0);
    EXPECT_EQ(desktop.batchDepth, 0);
}

} // namespace
} // namespace morvelan
