// End-to-end tests of the window engine over the X11 host, under Xvfb + openbox.
#include "E2eFixture.h"
#include "core/engine/WindowEngine.h"

#include <algorithm>
#include <regex>
#include <sstream>

namespace morvelan::e2e {
namespace {

using Clock = std::chrono::steady_clock;

// A listing as "pid id name 'title' window [element]" lines.
std::vector<std::string> described(const std::vector<Win>& wins) {
    std::vector<std::string> out;
    for (const Win& w : wins)
        out.push_back(std::to_string(w.pid) + ' ' + w.bundleID + ' ' + w.appName + " '" + w.title +
                      "' " + hex(w.wid) + (w.ax ? " element" : ""));
    return out;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

class EngineX11 : public E2eFixture {
protected:
    void SetUp() override {
        E2eFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        engine = std::make_unique<WindowEngine>(*desktop, queue);
        engine->onFocusChange = [this] { ++focusChanges; };
    }
    void TearDown() override { engine.reset(); }

    bool pump(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 5s) {
        return waitFor(*desktop, condition, timeout, &queue);
    }

    std::optional<Win> find(const std::vector<Win>& wins, WindowID wid) {
        for (const Win& w : wins)
            if (w.wid == wid) return w;
        return std::nullopt;
    }

    LoopQueue queue;
    std::unique_ptr<WindowEngine> engine;
    int focusChanges = 0;
};

TEST_F(EngineX11, ListingsHoldTheStandardWindowsAndAPlaceholderForAnAppWithoutAny) {
    const Scenario s = stage();
    std::vector<std::string> expected = {
        "4242 org.test.Alpha Alpha Studio 'A one' " + hex(s.aOne) + " element",
        "4343 beta-app Beta App 'B main' " + hex(s.bMain) + " element",
        "4444 org.test.Gamma Gamma 'G far' " + hex(s.gFar) + " element",
    };
    EXPECT_EQ(described(engine->allWindows()), expected);
    expected.push_back("4545 Delta Delta '' " + hex(Win::placeholderBit | 4545u));
    EXPECT_EQ(described(engine->allAcrossSpaces()), expected);
    // Every client window is alive in the window server's list and on some space.
    const auto spaces = engine->windowsOnAllSpaces();
    for (WindowID wid : {s.aOne, s.aTwo, s.bMain, s.bDialog, s.gFar, s.dHidden}) {
        EXPECT_EQ(engine->liveWids().count(wid), 1u) << hex(wid);
        EXPECT_EQ(spaces.count(wid), 1u) << hex(wid);
    }
    EXPECT_TRUE(engine->spaceScanAvailable());
    EXPECT_TRUE(engine->axWidAvailable());
}

// A placeholder's focus and a close go straight to the desktop's activate and close button,
// which the X11 host's own tests cover.

TEST_F(EngineX11, FocusOnAWindowOfTheOtherDesktopSwitchesThereAndActivatesIt) {
    const Scenario s = stage();
    const auto far = find(engine->allAcrossSpaces(), s.gFar);
    ASSERT_TRUE(far);
    engine->focus(*far);
    EXPECT_TRUE(pump([&] { return probe.active() == s.gFar && probe.currentDesktop() == 1; }));
    EXPECT_TRUE(engine->onScreen(s.gFar));
    const auto focused = engine->focusedWindow();
    ASSERT_TRUE(focused);
    EXPECT_EQ(focused->wid, s.gFar);
    EXPECT_EQ(focused->title, "G far");
}

TEST_F(EngineX11, AnActivationByAnotherProgramReachesOnFocusChangeWithin100msAndSettles) {
    const Scenario s = stage();
    engine->trackFocusChanges(4242);
    ASSERT_EQ(engine->focusObsPid(), 4242);
    ASSERT_EQ(run({"xdotool", "windowactivate", hex(s.bMain)}), 0);
    const auto start = Clock::now();
    ASSERT_TRUE(pump([&] { return focusChanges > 0; }, 100ms));
    EXPECT_LT(Clock::now() - start, 100ms);
    // The first notice may be openbox clearing _NET_ACTIVE_WINDOW on the way to the new
    // window; the focus poll re-reads until it has settled.
    EXPECT_TRUE(pump([&] {
        const auto focused = engine->focusedWindow();
        return focused && focused->pid == 4343 && focused->wid == s.bMain;
    }));
}

TEST_F(EngineX11, ZOrderPutsTheActiveWindowFirstAndHiddenOnesLast) {
    const Scenario s = stage();
    ASSERT_EQ(run({"xdotool", "windowactivate", hex(s.bMain)}), 0);
    ASSERT_TRUE(pump([&] { return probe.active() == s.bMain; }));
    ASSERT_EQ(run({"xdotool", "windowactivate", hex(s.aOne)}), 0);
    ASSERT_TRUE(pump([&] { return probe.stacking().back() == s.aOne; }));
    // G far is not on screen: after all visible ones.
    EXPECT_EQ(engine->zOrderedWIDs(), (std::vector<WindowID>{s.aOne, s.bMain, s.gFar}));
    const auto z = engine->zOrder();
    EXPECT_EQ(z.count(s.gFar), 0u);
    EXPECT_EQ(z.count(s.aTwo), 0u);
}

TEST_F(EngineX11, DumpsListEveryRegularAppsWindowsAndEveryClientFrontToBack) {
    const Scenario s = stage();
    // Windows of an application front to back: the later "A two" stays above "A one" in
    // the stacking order while minimised, and the dialog above its parent.
    EXPECT_EQ(lines(engine->debugDump()),
              (std::vector<std::string>{
                  "Alpha Studio [2]:",
                  "    role=AXWindow sub=AXStandardWindow min=true 'A two'",
                  "    role=AXWindow sub=AXStandardWindow min=false 'A one'",
                  "Beta App [2]:",
                  "    role=AXWindow sub=AXDialog min=false 'B dialog'",
                  "    role=AXWindow sub=AXStandardWindow min=false 'B main'",
                  "Gamma [1]:",
                  "    role=AXWindow sub=AXStandardWindow min=false 'G far'",
                  "Delta [1]:",
                  "    role=AXWindow sub=AXStandardWindow min=true 'D hidden'",
              }));

    const auto dump = lines(engine->cgDump());
    ASSERT_EQ(dump.size(), 6u);
    const std::regex line(R"((.+) pid=(-?\d+) #(\d+) (\d+)x(\d+) onscreen=(true|false) '(.*)')");
    auto stacking = probe.stacking();
    std::reverse(stacking.begin(), stacking.end());
    for (std::size_t i = 0; i < dump.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(dump[i], m, line)) << dump[i];
        EXPECT_EQ(std::stoul(m[3]), stacking[i]);
    }
    for (const std::string& expected :
         {"Gamma pid=4444 #" + std::to_string(s.gFar) + " 400x300 onscreen=false 'G far'",
          "Alpha Studio pid=4242 #" + std::to_string(s.aOne) + " 400x300 onscreen=true 'A one'"})
        EXPECT_NE(std::find(dump.begin(), dump.end(), expected), dump.end()) << engine->cgDump();
}

} // namespace
} // namespace morvelan::e2e
