// Windows on every space, placeholders, the title cache and the diagnostic dumps.
#include "EngineFixture.h"

#include <gmock/gmock.h>

#include <cmath>
#include <limits>

namespace morvelan {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

class SpacesTest : public EngineFixture {
protected:
    SpacesTest() {
        desktop.spaces = true;
        desktop.displaySpaces =
            std::vector<DisplaySpaces>{{std::vector<std::optional<std::int64_t>>{1, 2}}};
    }

    // A window the accessibility interface cannot reach, on space 2.
    WindowInfo& addOtherSpaceWindow(Pid pid, WindowID wid, Rect frame, std::string name) {
        desktop.spaceWindows[2].push_back(wid);
        return desktop.addServerWindow(pid, wid, frame, std::move(name), false);
    }
    // A window the accessibility interface lists, on space 1.
    FakeElementPtr addWindow(Pid pid, WindowID wid, std::string title,
                             Rect frame = {0, 0, 800, 600}) {
        desktop.spaceWindows[1].push_back(wid);
        return desktop.addWindow(pid, wid, std::move(title), frame);
    }
};

TEST_F(SpacesTest, SpaceScanCollectsIdsDisplayByDisplayOrNothing) {
    desktop.displaySpaces = std::vector<DisplaySpaces>{
        {std::vector<std::optional<std::int64_t>>{1, std::nullopt, 3}},
        {std::nullopt},
        {std::vector<std::optional<std::int64_t>>{7}},
    };
    desktop.spaceWindows = {{1, {11}}, {3, {31, 32}}, {7, {71}}, {9, {91}}};
    EXPECT_THAT(engine().windowsOnAllSpaces(), UnorderedElementsAre(11, 31, 32, 71));
    EXPECT_THAT(desktop.spaceQueries, ElementsAre(ElementsAre(1, 3, 7)));

    // Empty when any part is missing.
    desktop.windowsInSpacesFails = true;
    EXPECT_THAT(engine().windowsOnAllSpaces(), IsEmpty());
    desktop.windowsInSpacesFails = false;
    desktop.displaySpaces = std::nullopt;
    EXPECT_THAT(engine().windowsOnAllSpaces(), IsEmpty());
}

TEST_F(SpacesTest, WithoutSpaceFunctionsTheResultIsAxWindowsThenPlaceholders) {
    desktop.spaces = false;
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addApp(20, "com.b", "Bravo");
    addWindow(10, 11, "a");
    addOtherSpaceWindow(10, 12, {0, 0, 800, 600}, "elsewhere");
    const auto wins = engine().allAcrossSpaces();
    EXPECT_THAT(widsOf(wins), ElementsAre(11, 0x80000000u | 20));
    EXPECT_TRUE(desktop.spaceQueries.empty());
}

TEST_F(SpacesTest, ServerOnlyWindowTakesItsTitleFromTheCache) {
    desktop.addApp(10, "com.a", "Alpha");
    addWindow(10, 11, "Cached Title");
    addWindow(10, 12, "", {10, 10, 800, 600});
    desktop.serverWindows[1].name = std::nullopt;
    engine().allAcrossSpaces();
    ASSERT_EQ(engine().winCache().size(), 2u);

    // Both windows move to another space where the accessibility interface misses them.
    desktop.app(10)->windows.clear();
    desktop.serverWindows[0].name = "server one";
    desktop.serverWindows[1].name = "server two";
    desktop.spaceWindows = {{2, {11, 12}}};
    const auto wins = engine().allAcrossSpaces();
    EXPECT_THAT(titlesOf(wins), ElementsAre("Cached Title", "server two"));
}

TEST_F(SpacesTest, SameFrameDuplicatesKeepOnlyTheFrontmostOrTheAxWindowMinimisedStayOut) {
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addApp(20, "com.b", "Bravo");
    addWindow(10, 11, "ax", {0, 25, 1440, 875});
    addOtherSpaceWindow(10, 12, {0, 25, 1440, 875}, "shadow of ax");
    addOtherSpaceWindow(10, 13, {10, 10, 500, 400}, "front");
    addOtherSpaceWindow(10, 14, {10.9, 10.2, 500.5, 400.7}, "behind, same truncated frame");
    addOtherSpaceWindow(20, 21, {10, 10, 500, 400}, "other owner");
    addWindow(10, 15, "minimised, not brought back", {200, 200, 800, 600})->minimized = true;
    EXPECT_THAT(widsOf(engine().allAcrossSpaces()), ElementsAre(11, 13, 21));
}

TEST_F(SpacesTest, ServerOnlyWindowsComeFrontToBackWithServerNamesBeforePlaceholders) {
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addApp(30, "com.c", "Charlie");
    addOtherSpaceWindow(10, 12, {0, 0, 300, 300}, "back");
    addOtherSpaceWindow(10, 13, {0, 0, 400, 400}, "front");
    desktop.bringToFront(13);
    addWindow(10, 11, "ax");
    const auto wins = engine().allAcrossSpaces();
    EXPECT_THAT(widsOf(wins), ElementsAre(11, 13, 12, 0x80000000u | 30));
    // Listed with the server's name and no element.
    EXPECT_EQ(describe(wins[1]), "10 com.a Alpha 'front' #13");
    EXPECT_EQ(wins[1].ax, nullptr);
}

TEST_F(SpacesTest, ServerOnlyWindowNeedsSizeManagedSpaceLayerZeroAndARegularApplication) {
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addApp(20, "com.b", "Bravo", ActivationPolicy::accessory);
    desktop.addApp(30, "com.c", "Charlie").info.terminated = true;
    desktop.addApp(desktop.own, "com.zuft.morvelan", "Morvelan");
    addOtherSpaceWindow(10, 11, {0, 0, 119, 400}, "narrow");
    addOtherSpaceWindow(10, 12, {1, 0, 120, 100}, "just big enough");
    addOtherSpaceWindow(10, 13, {2, 0, 400, 99}, "short");
    desktop.addServerWindow(10, 14, {3, 0, 500, 500}, "unmanaged", false);
    addOtherSpaceWindow(10, 15, {4, 0, 500, 500}, "panel").layer = 3;
    addOtherSpaceWindow(10, 16, {5, 0, 500, 500}, "no bounds").bounds = std::nullopt;
    addOtherSpaceWindow(20, 21, {0, 0, 500, 500}, "accessory");
    addOtherSpaceWindow(30, 31, {0, 0, 500, 500}, "terminated");
    addOtherSpaceWindow(40, 41, {0, 0, 500, 500}, "not running");
    // The own process gets neither an entry nor a placeholder.
    addOtherSpaceWindow(desktop.own, 51, {0, 0, 500, 500}, "settings");
    EXPECT_THAT(titlesOf(engine().allAcrossSpaces()), ElementsAre("just big enough"));
}

TEST_F(SpacesTest, PlaceholdersOnlyForRunningRegularApplicationsWithoutWindows) {
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addApp(20, std::nullopt, std::nullopt);
    desktop.addApp(30, "com.c", "Charlie", ActivationPolicy::accessory);
    desktop.addApp(40, "com.d", "Delta").info.terminated = true;
    desktop.addApp(50, "com.e", "Echo", ActivationPolicy::prohibited);
    desktop.addApp(60, "com.f", "Foxtrot");
    addWindow(10, 11, "a");
    addOtherSpaceWindow(60, 61, {0, 0, 500, 500}, "f elsewhere");

    const auto wins = engine().allAcrossSpaces();
    ASSERT_EQ(wins.size(), 3u);
    EXPECT_EQ(describe(wins[2]), "20   '' #" + std::to_string(0x80000000u | 20));
    EXPECT_TRUE(wins[2].isPlaceholder());
    EXPECT_EQ(wins[2].ax, nullptr);
}

TEST_F(SpacesTest, CacheDropsWindowsTheServerNoLongerShows) {
    desktop.addApp(10, "com.a", "Alpha");
    addWindow(10, 11, "stays");
    addWindow(10, 12, "closes");
    desktop.addAxWindow(10, std::nullopt, "no id");
    engine().allAcrossSpaces();
    EXPECT_EQ(engine().winCache().size(), 2u);

    desktop.removeWindow(12);
    engine().allWindows();
    EXPECT_EQ(engine().winCache().count(12), 1u);
    engine().allAcrossSpaces();
    EXPECT_EQ(engine().winCache().count(12), 0u);
    EXPECT_EQ(engine().winCache().count(11), 1u);
}

TEST_F(SpacesTest, FailedServerListKeepsAxWindowsPlaceholdersAndTheCache) {
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addApp(20, "com.b", "Bravo");
    addWindow(10, 11, "a");
    engine().allAcrossSpaces();
    desktop.failingLists.insert(WindowList::allSpaces);
    EXPECT_THAT(widsOf(engine().allAcrossSpaces()), ElementsAre(11, 0x80000000u | 20));
    EXPECT_EQ(engine().winCache().count(11), 1u);
}

TEST(GeometryKeyTest, JoinsTruncatedValuesReadingNonFiniteAndOutOfRangeOnesAsZero) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(geometryKey(412, {0.0, 25.9, 1440.0, 875.5}), "412|0|25|1440|875");
    EXPECT_EQ(geometryKey(7, {-10.7, -0.5, std::nullopt, 3.0}), "7|-10|0|0|3");
    EXPECT_EQ(geometryKey(1, {std::nan(""), inf, -inf, 1e30}), "1|0|0|0|0");
    EXPECT_EQ(geometryKey(1, {-0x1p63, 0x1p63, 0, 0}), "1|-9223372036854775808|0|0|0");
}

TEST(PrefixCharsTest, CountsCharactersNotBytes) {
    EXPECT_EQ(prefixChars("abc", 2), "ab");
    EXPECT_EQ(prefixChars("abc", 5), "abc");
    EXPECT_EQ(prefixChars("çàé€x", 4), "çàé€");
    EXPECT_EQ(prefixChars("日本語のタイトル", 3), "日本語");
    EXPECT_EQ(prefixChars("🙂🙂", 1), "🙂");
    EXPECT_EQ(prefixChars("", 3), "");
}

class DumpTest : public EngineFixture {};

TEST_F(DumpTest, DebugDumpListsEveryRegularApplicationsElements) {
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addApp(20, "com.b", std::nullopt).windowsFail = true;
    desktop.addApp(30, std::nullopt, std::nullopt);
    desktop.addApp(40, "com.d", "Delta", ActivationPolicy::accessory);
    desktop.addWindow(10, 11, std::string(38, 'x') + "éèê");
    auto odd = desktop.addAxWindow(10, 12, std::nullopt);
    odd->role = std::nullopt;
    odd->subrole = std::nullopt;
    odd->minimized = std::nullopt;
    desktop.addAxWindow(10, 13, "min")->minimized = true;

    EXPECT_EQ(engine().debugDump(), "Alpha [3]:\n"
                                    "    role=AXWindow sub=AXStandardWindow min=false '" +
                                        std::string(38, 'x') +
                                        "éè'\n"
                                        "    role=nil sub=nil min=false ''\n"
                                        "    role=AXWindow sub=AXStandardWindow min=true 'min'\n"
                                        "com.b: <no AXWindows>\n"
                                        "? [0]:");
}

TEST_F(DumpTest, CgDumpDescribesLayerZeroEntriesOrSaysNil) {
    EXPECT_EQ(engine().cgDump(), "");
    desktop.addApp(10, "com.a", "Alpha");
    desktop.addServerWindow(10, 11, {0, 25, 1440.9, 875.2}, std::string(29, 'y') + "€€");
    desktop.addServerWindow(10, 12, {0, 0, 30, 30}, "menu").layer = 25;
    WindowInfo& bare = desktop.addServerWindow(10, 13, {}, std::nullopt, false);
    bare = WindowInfo{};
    bare.layer = 0;
    EXPECT_EQ(engine().cgDump(), "Alpha pid=10 #11 1440x875 onscreen=true '" +
                                     std::string(29, 'y') +
                                     "€'\n"
                                     "? pid=-1 #-1 0x0 onscreen=false ''");
    desktop.failingLists.insert(WindowList::allSpaces);
    EXPECT_EQ(engine().cgDump(), "nil") << "without a list";
}

} // namespace
} // namespace morvelan
