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

TEST_F(ScanTest, ConstructionBoundsEveryRequestToHalfASecond) {
    engine();
    EXPECT_EQ(desktop.messagingTimeout, 0.5);
}

TEST_F(ScanTest, AvailabilityFlagsAreReadOnceFromTheHost) {
    desktop.idsAvailable = false;
    desktop.spaces = true;
    EXPECT_FALSE(engine().axWidAvailable());
    EXPECT_TRUE(engine().spaceScanAvailable());
    desktop.spaces = false;
    EXPECT_TRUE(engine().spaceScanAvailable());
}

TEST_F(ScanTest, ListsWindowsInApplicationOrderThenListOrder) {
    desktop.addApp(20, "com.b", "Bravo");
    desktop.addApp(10, "com.a", "Alpha");
    auto b1 = desktop.addWindow(20, 21, "b one");
    auto b2 = desktop.addWindow(20, 22, "b two");
    auto a1 = desktop.addWindow(10, 11, "a one");

    const auto wins = engine().allWindows();
    ASSERT_EQ(wins.size(), 3u);
    EXPECT_THAT(widsOf(wins), ElementsAre(21, 22, 11));
    EXPECT_EQ(wins[0].pid, 20);
    EXPECT_EQ(wins[0].bundleID, "com.b");
    EXPECT_EQ(wins[0].appName, "Bravo");
    EXPECT_EQ(wins[0].title, "b one");
    EXPECT_EQ(wins[0].ax, b1);
    EXPECT_EQ(wins[2].ax, a1);
}

TEST_F(ScanTest, ApplicationWithoutBundleIdOrNameGivesEmptyTexts) {
    desktop.addApp(10, std::nullopt, std::nullopt);
    desktop.addWindow(10, 11, "w");
    const auto wins = engine().allWindows();
    ASSERT_EQ(wins.size(), 1u);
    EXPECT_EQ(wins[0].bundleID, "");
    EXPECT_EQ(wins[0].appName, "");
}

TEST_F(ScanTest, MinimisedWindowIsLeftOut) {
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addWindow(10, 11, "minimised")->minimized = true;
    desktop.addWindow(10, 12, "standard");
    EXPECT_THAT(titlesOf(engine().allWindows()), ElementsAre("standard"));
}

TEST_F(ScanTest, UnreadableMinimisedStateCountsAsNotMinimised) {
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addWindow(10, 11, "w")->minimized = std::nullopt;
    EXPECT_THAT(titlesOf(engine().allWindows()), ElementsAre("w"));
}

TEST_F(ScanTest, NonStandardWindowsAreLeftOut) {
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addWindow(10, 11, "dialog")->subrole = "AXDialog";
    desktop.addWindow(10, 12, "no subrole")->subrole = std::nullopt;
    auto panel = desktop.addWindow(10, 13, "no minimise button");
    panel->minimizeButton = false;
    panel->size = Size{400, 300};
    desktop.addWindow(10, 14, "kept");
    EXPECT_THAT(titlesOf(engine().allWindows()), ElementsAre("kept"));
}

TEST_F(ScanTest, FullScreenWindowWithoutMinimiseButtonIsKept) {
    desktop.addApp(10, "com.a", "Alpha");
    auto byAttribute = desktop.addWindow(10, 11, "by attribute");
    byAttribute->minimizeButton = false;
    byAttribute->fullScreen = true;
    byAttribute->size = std::nullopt;
    auto bySize = desktop.addWindow(10, 12, "by size");
    bySize->minimizeButton = false;
    bySize->fullScreen = std::nullopt;
    bySize->size = Size{1441.9, 898.1};
    EXPECT_THAT(titlesOf(engine().allWindows()), ElementsAre("by attribute", "by size"));
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

TEST_F(ScanTest, ProhibitedApplicationsAreNeverScanned) {
    desktop.addApp(10, "com.agent", "Agent", ActivationPolicy::prohibited);
    desktop.addWindow(10, 11, "w");
    EXPECT_THAT(engine().allWindows(), IsEmpty());
    EXPECT_EQ(desktop.windowReadsInBatch + desktop.windowReadsOutsideBatch, 0);
    EXPECT_EQ(desktop.count(Kind::manualAccessibility), 0);
}

TEST_F(ScanTest, AccessoryApplicationTakesPartOnlyWhileItOwnsANormalSizedWindow) {
    desktop.addApp(desktop.own, "com.zuft.morvelan", "Morvelan", ActivationPolicy::accessory);
    desktop.addWindow(desktop.own, 11, "settings", {0, 0, 119, 400});
    EXPECT_THAT(engine().allWindows(), IsEmpty());

    desktop.serverWindows.front().bounds->width = 120;
    desktop.serverWindows.front().bounds->height = 100;
    EXPECT_THAT(titlesOf(engine().allWindows()), ElementsAre("settings"));

    desktop.serverWindows.front().layer = 3;
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

TEST_F(ScanTest, ApplicationWhoseWindowListFailsContributesNothing) {
    desktop.addApp(10, "com.a", "Alpha").windowsFail = true;
    desktop.addApp(20, "com.b", "Bravo");
    desktop.addWindow(10, 11, "lost");
    desktop.addWindow(20, 21, "kept");
    EXPECT_THAT(titlesOf(engine().allWindows()), ElementsAre("kept"));
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

TEST_F(ScanTest, LiveWidsFollowTheLatestList) {
    desktop.addServerWindow(1, 101, {0, 0, 500, 500}, "a");
    desktop.addServerWindow(1, 102, {0, 0, 500, 500}, "b");
    EXPECT_TRUE(engine().liveWids().empty());
    engine().windowedPids();
    desktop.removeWindow(101);
    engine().allWindows();
    EXPECT_THAT(engine().liveWids(), UnorderedElementsAre(102));
}

// A list that failed must not make every stored window id look dead.
TEST_F(ScanTest, FailedListKeepsThePreviousLiveWids) {
    desktop.addServerWindow(1, 101, {0, 0, 500, 500}, "a");
    engine().windowedPids();
    desktop.failingLists.insert(WindowList::allSpaces);
    EXPECT_THAT(engine().windowedPids(), IsEmpty());
    EXPECT_THAT(engine().liveWids(), UnorderedElementsAre(101));
}

TEST_F(ScanTest, ZOrderCountsEntriesWithoutANumber) {
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
}

TEST_F(ScanTest, ZOrderedWidsPutWindowsOffScreenLastInScanOrder) {
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addApp(20, "com.b", "Bravo");
    desktop.addWindow(10, 11, "off a");
    desktop.addWindow(10, 12, "on back");
    desktop.addWindow(20, 21, "off b");
    desktop.addWindow(20, 22, "on front");
    for (WindowID off : {11u, 21u}) {
        for (auto& info : desktop.serverWindows)
            if (info.number == off) info.onscreen = false;
    }
    desktop.bringToFront(22);
    EXPECT_THAT(engine().zOrderedWIDs(), ElementsAre(22, 12, 11, 21));
}

TEST_F(ScanTest, WindowsOfAContextAreItsMembersFrontToBack) {
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addApp(20, "com.b", "Bravo");
    desktop.addWindow(10, 11, "a back");
    desktop.addWindow(20, 21, "b");
    desktop.addWindow(10, 12, "a front");
    desktop.addWindow(10, 13, "a off", {0, 0, 800, 600});
    desktop.serverWindows.back().onscreen = false;
    desktop.bringToFront(12);

    Context context;
    context.members.push_back(WinRef{"com.a", "", true, std::nullopt});
    EXPECT_THAT(widsOf(engine().windows(context)), ElementsAre(12, 11, 13));
}

// The engine's membership test reads its own live ids: a pin naming another live window
// does not match by title, and matches again once that window is gone.
TEST_F(ScanTest, MembershipUsesTheEnginesLiveWids) {
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addWindow(10, 11, "Report");
    desktop.addWindow(10, 12, "Other");
    Context context;
    context.members.push_back(WinRef{"com.a", "Report", false, WindowID{12}});
    const Win report = engine().allWindows().front();
    EXPECT_FALSE(engine().belongs(report, context));
    desktop.removeWindow(12);
    engine().windowedPids();
    EXPECT_TRUE(engine().belongs(report, context));
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
    EXPECT_EQ(focused->pid, 10);
    EXPECT_EQ(focused->bundleID, "com.a");
    EXPECT_EQ(focused->appName, "Alpha");
    EXPECT_EQ(focused->title, "Save?");
    EXPECT_EQ(focused->wid, 11u);
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
