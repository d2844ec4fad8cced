// The accessibility scan, the window-server scan, titles, order and the focused window.
#include "EngineFixture.h"

#include "core/model/Context.h"

#include <gmock/gmock.h>

namespace morvelan {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;
using Kind = FakeDesktop::Action::Kind;

class ScanTest : public EngineFixture {};

TEST_F(ScanTest, HostSetupIsReadOnceAndEveryRequestBoundedToHalfASecond) {
    desktop.idsAvailable = false;
    desktop.spaces = true;
    EXPECT_FALSE(engine().axWidAvailable());
    EXPECT_TRUE(engine().spaceScanAvailable());
    desktop.spaces = false;
    EXPECT_TRUE(engine().spaceScanAvailable());
    EXPECT_EQ(desktop.messagingTimeout, 0.5);
}

TEST_F(ScanTest, ListsWindowsInApplicationOrderThenListOrder) {
    desktop.addApp(20, "com.b", "Bravo");
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addApp(30, std::nullopt, std::nullopt);
    desktop.addApp(40, "com.d", "Delta").windowsFail = true; // contributes nothing
    auto b1 = desktop.addWindow(20, 21, "b one");
    desktop.addWindow(20, 22, "b two");
    auto a1 = desktop.addWindow(10, 11, "a one");
    desktop.addWindow(30, 31, "nameless");
    desktop.addWindow(40, 41, "lost");

    const auto wins = engine().allWindows();
    ASSERT_EQ(wins.size(), 4u);
    EXPECT_THAT(widsOf(wins), ElementsAre(21, 22, 11, 31));
    EXPECT_EQ(describe(wins[0]), "20 com.b Bravo 'b one' #21");
    EXPECT_EQ(describe(wins[3]), "30   'nameless' #31");
    EXPECT_EQ(wins[0].ax, b1);
    EXPECT_EQ(wins[2].ax, a1);
}

TEST_F(ScanTest, OnlyStandardUnminimisedOrFullScreenWindowsAreListed) {
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addWindow(10, 11, "minimised")->minimized = true;
    desktop.addWindow(10, 12, "unreadable minimised state")->minimized = std::nullopt;
    desktop.addWindow(10, 13, "dialog")->subrole = "AXDialog";
    desktop.addWindow(10, 14, "no subrole")->subrole = std::nullopt;
    auto panel = desktop.addWindow(10, 15, "no minimise button");
    panel->minimizeButton = false;
    panel->size = Size{400, 300};
    auto byAttribute = desktop.addWindow(10, 16, "full screen by attribute");
    byAttribute->minimizeButton = false;
    byAttribute->fullScreen = true;
    byAttribute->size = std::nullopt;
    auto bySize = desktop.addWindow(10, 17, "full screen by size");
    bySize->minimizeButton = false;
    bySize->fullScreen = std::nullopt;
    bySize->size = Size{1441.9, 898.1};
    desktop.addWindow(10, 18, "standard");
    EXPECT_THAT(titlesOf(engine().allWindows()),
                ElementsAre("unreadable minimised state", "full screen by attribute",
                            "full screen by size", "standard"));
}

TEST_F(ScanTest, FullScreenBySizeNeedsLessThanTwoPointsOnBothSidesOfSomeScreen) {
    desktop.screenRects = {{0, 0, 1440, 900}, {1440, 0, 2560, 1440}};
    desktop.addApp(10, "com.a", "Alpha");
    const std::vector<std::pair<Size, bool>> cases = {
        {{2560, 1440}, true}, {{1438.01, 900}, true}, {{1442, 900}, false},
        {{1440, 902}, false}, {{1440, 1440}, false},  {{0, 0}, false},
    };
    for (const auto& [size, expected] : cases) {
        auto window = desktop.addAxWindow(10, 11, "w");
        window->minimizeButton = false;
        window->size = size;
        EXPECT_EQ(engine().isFullscreen(window), expected) << size.width << "x" << size.height;
        desktop.app(10)->windows.clear();
    }
}

TEST_F(ScanTest, ProhibitedApplicationsAreNeverScannedAccessoryOnesOnlyWithANormalWindow) {
    desktop.addApp(10, "com.agent", "Agent", ActivationPolicy::prohibited);
    desktop.addWindow(10, 11, "w");
    desktop.addApp(desktop.own, "com.zuft.morvelan", "Morvelan", ActivationPolicy::accessory);
    desktop.addWindow(desktop.own, 12, "settings", {0, 0, 119, 400});
    EXPECT_THAT(engine().allWindows(), IsEmpty());
    EXPECT_EQ(desktop.windowReadsInBatch + desktop.windowReadsOutsideBatch, 0);
    EXPECT_EQ(desktop.count(Kind::manualAccessibility), 0);

    desktop.serverWindows.back().bounds->width = 120;
    desktop.serverWindows.back().bounds->height = 100;
    EXPECT_THAT(titlesOf(engine().allWindows()), ElementsAre("settings"));
    desktop.serverWindows.back().layer = 3;
    EXPECT_THAT(engine().allWindows(), IsEmpty());
}

TEST_F(ScanTest, ManualAccessibilityIsWrittenOncePerPid) {
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addApp(20, "com.b", "Bravo");
    desktop.addWindow(10, 11, "w");
    desktop.frontmost = 10;
    engine().allWindows();
    engine().allWindows();
    engine().windows(BundleSet{"com.a"});
    engine().focusedWindow();
    EXPECT_THAT(desktop.trace(), ElementsAre("manualAX 10", "manualAX 20"));

    // A relaunch comes back under a new pid and is enabled again.
    desktop.apps.pop_front();
    desktop.addApp(30, "com.a", "Alpha");
    engine().allWindows();
    EXPECT_THAT(desktop.trace(), ElementsAre("manualAX 10", "manualAX 20", "manualAX 30"));
    EXPECT_THAT(engine().axEnabled(), UnorderedElementsAre(10, 20, 30));
}

TEST_F(ScanTest, BundleFilterScansOnlyTheNamedApplications) {
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addApp(20, std::nullopt, "Nameless");
    desktop.addApp(30, "com.c", "Charlie");
    desktop.addWindow(10, 11, "a");
    desktop.addWindow(20, 21, "n");
    desktop.addWindow(30, 31, "c");

    EXPECT_THAT(titlesOf(engine().windows(BundleSet{"com.c", ""})), ElementsAre("n", "c"));
    EXPECT_THAT(desktop.trace(), ElementsAre("manualAX 20", "manualAX 30"));
    EXPECT_THAT(engine().windows(BundleSet{}), IsEmpty());
}

TEST_F(ScanTest, PerApplicationWorkRunsInsideOneBatch) {
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addApp(20, "com.b", "Bravo");
    desktop.addWindow(10, 11, "a");
    engine().allWindows();
    EXPECT_EQ(desktop.batchesBegun, 1);
    EXPECT_EQ(desktop.batchesEnded, 1);
    EXPECT_EQ(desktop.batchDepth, 0);
    EXPECT_EQ(desktop.windowReadsInBatch, 2);
    EXPECT_EQ(desktop.windowReadsOutsideBatch, 0);
}

TEST_F(ScanTest, WithoutHostWindowIdsEveryIdIsZeroAndTitlesComeFromElementsOnly) {
    desktop.idsAvailable = false;
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addWindow(10, 11, "");
    desktop.addWindow(10, 12, "titled");
    const auto wins = engine().allWindows();
    EXPECT_THAT(widsOf(wins), ElementsAre(0, 0));
    EXPECT_THAT(titlesOf(wins), ElementsAre("", "titled"));
    EXPECT_EQ(desktop.listQueries[WindowList::including], 0);
}

TEST_F(ScanTest, EmptyTitleFallsBackToTheWindowServerName) {
    desktop.addApp(10, "com.a", "Alpha");
    auto untitled = desktop.addWindow(10, 11, "");
    desktop.serverWindows.back().name = "From Server";
    auto absent = desktop.addAxWindow(10, 12, std::nullopt);
    EXPECT_EQ(engine().windowTitle(untitled, 11), "From Server");
    EXPECT_EQ(engine().windowTitle(absent, 12), "");
    EXPECT_EQ(engine().windowTitle(untitled, 0), "");
    desktop.failingLists.insert(WindowList::including);
    EXPECT_EQ(engine().windowTitle(untitled, 11), "");
}

TEST_F(ScanTest, WindowedPidsNeedALayerZeroWindowOfAtLeast120By100) {
    desktop.addServerWindow(1, 101, {0, 0, 120, 100}, "ok");
    desktop.addServerWindow(2, 102, {0, 0, 119, 400}, "narrow");
    desktop.addServerWindow(3, 103, {0, 0, 400, 99}, "short");
    desktop.addServerWindow(4, 104, {0, 0, 500, 500}, "menu").layer = 25;
    desktop.addServerWindow(5, 105, {0, 0, 500, 500}, "no owner").ownerPid = std::nullopt;
    desktop.addServerWindow(6, 106, {0, 0, 500, 500}, "no bounds").bounds = std::nullopt;
    desktop.addServerWindow(7, 107, {0, 0, 500, 500}, "no width").bounds->width = std::nullopt;
    desktop.addServerWindow(8, 0, {0, 0, 500, 500}, "no number").number = std::nullopt;

    EXPECT_THAT(engine().windowedPids(), ElementsAre(1, 8));
    // Every numbered entry is live, whatever its layer or size.
    EXPECT_THAT(engine().liveWids(), UnorderedElementsAre(101, 102, 103, 104, 105, 106, 107));
}

// A list that failed must not make every stored window id look dead.
TEST_F(ScanTest, LiveWidsFollowTheLatestListThatDidNotFail) {
    desktop.addServerWindow(1, 101, {0, 0, 500, 500}, "a");
    desktop.addServerWindow(1, 102, {0, 0, 500, 500}, "b");
    EXPECT_TRUE(engine().liveWids().empty());
    engine().windowedPids();
    desktop.removeWindow(101);
    engine().allWindows();
    EXPECT_THAT(engine().liveWids(), UnorderedElementsAre(102));
    desktop.failingLists.insert(WindowList::allSpaces);
    EXPECT_THAT(engine().windowedPids(), IsEmpty());
    EXPECT_THAT(engine().liveWids(), UnorderedElementsAre(102));
}

TEST_F(ScanTest, ZOrderCountsEntriesWithoutANumberAndPutsWindowsOffScreenLast) {
    desktop.addServerWindow(1, 101, {0, 0, 500, 500}, "front");
    desktop.addServerWindow(1, 0, {0, 0, 500, 500}, "unnumbered").number = std::nullopt;
    desktop.addServerWindow(1, 103, {0, 0, 500, 500}, "hidden", false);
    desktop.addServerWindow(1, 104, {0, 0, 500, 500}, "back");
    const auto order = engine().zOrder();
    EXPECT_EQ(order.size(), 2u);
    EXPECT_EQ(order.at(101), 0);
    EXPECT_EQ(order.at(104), 2);
    EXPECT_TRUE(engine().onScreen(104));
    EXPECT_FALSE(engine().onScreen(103));

    desktop.serverWindows.clear();
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addApp(20, "com.b", "Bravo");
    desktop.addWindow(10, 11, "off a");
    desktop.addWindow(10, 12, "on back");
    desktop.addWindow(20, 21, "off b");
    desktop.addWindow(20, 22, "on front");
    for (auto& info : desktop.serverWindows)
        if (info.number == 11u || info.number == 21u) info.onscreen = false;
    desktop.bringToFront(22);
    EXPECT_THAT(engine().zOrderedWIDs(), ElementsAre(22, 12, 11, 21)) << "off screen in scan order";
}

// The engine's membership test reads its own live ids: a pin naming another live window
// does not match by title, and matches again once that window is gone.
TEST_F(ScanTest, WindowsOfAContextAreItsMembersFrontToBackByTheEnginesLiveIds) {
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addApp(20, "com.b", "Bravo");
    desktop.addWindow(10, 11, "a back");
    desktop.addWindow(20, 21, "b");
    desktop.addWindow(10, 12, "a front");
    desktop.addWindow(10, 13, "a off", {0, 0, 800, 600});
    desktop.serverWindows.back().onscreen = false;
    desktop.bringToFront(12);
    Context app;
    app.members.push_back(WinRef{"com.a", "", true, std::nullopt});
    EXPECT_THAT(widsOf(engine().windows(app)), ElementsAre(12, 11, 13));

    Context pin;
    pin.members.push_back(WinRef{"com.a", "a back", false, WindowID{12}});
    const Win back = engine().allWindows().front();
    EXPECT_FALSE(engine().belongs(back, pin));
    desktop.removeWindow(12);
    engine().windowedPids();
    EXPECT_TRUE(engine().belongs(back, pin));
}

TEST_F(ScanTest, FocusedWindowIsTheFrontmostApplicationsFocusedElementUnfiltered) {
    EXPECT_FALSE(engine().focusedWindow());
    desktop.addApp(10, "com.a", "Alpha");
    desktop.frontmost = 10;
    EXPECT_FALSE(engine().focusedWindow());

    auto dialog = desktop.addWindow(10, 11, "Save?");
    dialog->subrole = "AXDialog";
    dialog->minimizeButton = false;
    desktop.app(10)->focused = dialog;
    const auto focused = engine().focusedWindow();
    ASSERT_TRUE(focused);
    EXPECT_EQ(describe(*focused), "10 com.a Alpha 'Save?' #11");
    EXPECT_EQ(focused->ax, dialog);
    EXPECT_THAT(desktop.trace(), ElementsAre("manualAX 10"));
}

TEST_F(ScanTest, AxWindowFindsTheElementById) {
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addWindow(10, 11, "one");
    auto two = desktop.addWindow(10, 12, "two");
    desktop.addAxWindow(10, std::nullopt, "unidentified");
    EXPECT_EQ(engine().axWindow(10, 12), two);
    EXPECT_EQ(engine().axWindow(10, 13), nullptr);
    EXPECT_EQ(engine().axWindow(99, 12), nullptr);
    // An id of 0 names no window, not the first unidentified one.
    EXPECT_EQ(engine().axWindow(10, 0), nullptr);
    desktop.app(10)->windowsFail = true;
    EXPECT_EQ(engine().axWindow(10, 12), nullptr);
}

} // namespace
} // namespace morvelan
