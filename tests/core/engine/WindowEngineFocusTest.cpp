// Focusing, raising and closing windows, the front-process records and focus observation.
#include "EngineFixture.h"

#include <gmock/gmock.h>

namespace morvelan {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Kind = FakeDesktop::Action::Kind;

class FocusTest : public EngineFixture {
protected:
    FocusTest() {
        desktop.addApp(412, "com.a", "Alpha");
        element = desktop.addWindow(412, 7, "Doc");
    }

    // A Win as a window-server-only listing or a stale record gives it: no element.
    static Win bare(Pid pid, WindowID wid) { return Win{pid, "com.a", "Alpha", "Doc", wid, {}}; }

    // Times (seconds after the start) of the recorded actions of one kind.
    std::vector<double> timesOf(Kind kind) const {
        std::vector<double> times;
        for (const auto& action : desktop.actionsOf(kind))
            times.push_back(action.at);
        return times;
    }

    void takeOffScreen(WindowID wid) {
        for (auto& info : desktop.serverWindows)
            if (info.number == wid) info.onscreen = false;
    }

    FakeElementPtr element;
    // The trace of raising window 7 with a working front-process call.
    const std::vector<std::string> raised = {"setMain win7", "frontProcess 412 #7", "post 412 #7 1",
                                             "post 412 #7 2", "raise win7"};
};

TEST_F(FocusTest, WindowWithElementIsRaisedWithoutFollowUp) {
    takeOffScreen(7);
    engine().focus(Win{412, "com.a", "Alpha", "Doc", 7, element});
    EXPECT_EQ(desktop.trace(), raised);
    EXPECT_EQ(queue.pendingTimers(), 0u);
    queue.advance(2);
    EXPECT_EQ(desktop.trace(), raised);
}

TEST_F(FocusTest, WithoutAWorkingFrontProcessCallTheApplicationIsMadeFrontmost) {
    const auto expectFrontmost = [&](WindowID wid) {
        desktop.clearActions();
        engine().focus(Win{412, "com.a", "Alpha", "Doc", wid, element});
        queue.advance(2);
        EXPECT_THAT(desktop.trace(), ElementsAre("setMain win7", "raise win7", "frontmost app412"));
    };
    EXPECT_FALSE(engine().slpsFocus(412, 0));
    expectFrontmost(0); // no window id
    desktop.noProcess.insert(412);
    EXPECT_FALSE(engine().slpsFocus(412, 7));
    expectFrontmost(7); // no process for the pid
    desktop.noProcess.clear();
    desktop.frontProcess = false;
    expectFrontmost(7); // no front-process call on this host
}

TEST_F(FocusTest, EventRecordsDifferOnlyInThePhaseByte) {
    ASSERT_TRUE(engine().slpsFocus(412, 0x12345678));
    const auto posts = desktop.actionsOf(Kind::postEvent);
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(desktop.actions.front().kind, Kind::frontProcess);
    EXPECT_EQ(desktop.actions.front().psn.value, FakeDesktop::serialOf(412).value);
    EXPECT_EQ(posts[0].psn.value, FakeDesktop::serialOf(412).value);

    std::array<std::uint8_t, 248> expected{};
    expected[0x04] = 0xF8;
    expected[0x08] = 0x01;
    for (int i = 0x20; i < 0x30; ++i)
        expected[i] = 0xFF;
    expected[0x3A] = 0x10;
    expected[0x3C] = 0x78;
    expected[0x3D] = 0x56;
    expected[0x3E] = 0x34;
    expected[0x3F] = 0x12;
    EXPECT_EQ(posts[0].record, expected);
    expected[0x08] = 0x02;
    EXPECT_EQ(posts[1].record, expected);
}

TEST_F(FocusTest, ElementFoundBySearchGetsFollowUpsAtPointFourAndPointEight) {
    takeOffScreen(7);
    engine().focus(bare(412, 7));
    EXPECT_EQ(desktop.trace(), raised);
    desktop.clearActions();

    queue.advance(0.39);
    EXPECT_THAT(desktop.trace(), IsEmpty());
    queue.advance(1.0);
    EXPECT_THAT(desktop.trace(), ElementsAre("activate 412", "frontProcess 412 #7", "post 412 #7 1",
                                             "post 412 #7 2", "raise win7"));
    EXPECT_THAT(timesOf(Kind::activate), ElementsAre(::testing::DoubleNear(0.4, 1e-6)));
    EXPECT_THAT(timesOf(Kind::raise), ElementsAre(::testing::DoubleNear(0.8, 1e-6)));
}

TEST_F(FocusTest, FollowUpsStopOnScreenAndRaiseOnlyWhenTheFrontProcessCallWorks) {
    engine().focus(bare(412, 7));
    desktop.clearActions();
    queue.advance(2);
    EXPECT_THAT(desktop.trace(), IsEmpty()) << "the window came on screen";

    takeOffScreen(7);
    engine().focus(bare(412, 7));
    desktop.clearActions();
    queue.advance(0.5);
    desktop.noProcess.insert(412);
    queue.advance(1);
    EXPECT_THAT(desktop.trace(), ElementsAre("activate 412"));
}

TEST_F(FocusTest, ElementOnlyInTheCacheIsRaisedWithFollowUp) {
    desktop.spaces = true;
    engine().allAcrossSpaces(); // caches window 7 with its element
    desktop.app(412)->windows.clear();
    takeOffScreen(7);
    desktop.clearActions();

    engine().focus(bare(412, 7));
    EXPECT_EQ(desktop.trace(), raised);
    queue.advance(0.4);
    EXPECT_EQ(desktop.count(Kind::activate), 1);
}

TEST_F(FocusTest, NoElementMakesTheWindowKeyAndActivatesLaterOnlyIfStillOffScreen) {
    desktop.app(412)->windows.clear();
    engine().focus(bare(412, 7));
    EXPECT_THAT(desktop.trace(),
                ElementsAre("frontProcess 412 #7", "post 412 #7 1", "post 412 #7 2"));
    queue.advance(1);
    EXPECT_EQ(desktop.count(Kind::activate), 0); // it came on screen

    takeOffScreen(7);
    desktop.clearActions();
    engine().focus(bare(412, 7));
    queue.advance(0.39);
    EXPECT_EQ(desktop.count(Kind::activate), 0);
    queue.advance(0.02);
    EXPECT_THAT(timesOf(Kind::activate), ElementsAre(::testing::DoubleNear(1.4, 1e-6)));
    queue.advance(2);
    EXPECT_EQ(desktop.count(Kind::activate), 1);
}

TEST_F(FocusTest, APlaceholderOrAnUnreachableWindowOnlyActivatesItsApplication) {
    engine().focus(Win{412, "com.a", "Alpha", "", Win::placeholderBit | 412u, {}});
    queue.advance(2);
    EXPECT_THAT(desktop.trace(), ElementsAre("activate 412"));

    desktop.clearActions();
    desktop.frontProcess = false;
    desktop.app(412)->windows.clear();
    engine().focus(bare(412, 7)); // no element and no front-process call
    EXPECT_THAT(desktop.trace(), ElementsAre("activate 412"));
    EXPECT_EQ(queue.pendingTimers(), 0u);
}

TEST_F(FocusTest, FollowUpsDoNothingOnceTheEngineIsGone) {
    takeOffScreen(7);
    engine().focus(bare(412, 7));
    desktop.app(412)->windows.clear();
    engine().focus(bare(412, 7));
    destroyEngine();
    desktop.clearActions();
    queue.advance(2);
    EXPECT_THAT(desktop.trace(), IsEmpty());
}

TEST_F(FocusTest, ClosePressesTheCloseButtonOnlyWhenThereIsOne) {
    engine().close(Win{412, "com.a", "Alpha", "Doc", 7, element});
    EXPECT_THAT(desktop.trace(), ElementsAre("press close:win7"));

    desktop.clearActions();
    element->hasCloseButton = false;
    engine().close(Win{412, "com.a", "Alpha", "Doc", 7, element});
    element->hasCloseButton = true;
    engine().close(bare(412, 7));
    EXPECT_THAT(desktop.trace(), IsEmpty());
}

TEST_F(FocusTest, OneObserverPerPidNoneForPidZeroAndAFailureAllowsARetry) {
    engine().trackFocusChanges(0);
    engine().trackFocusChanges(-3);
    EXPECT_THAT(desktop.trace(), IsEmpty());
    engine().trackFocusChanges(412);
    engine().trackFocusChanges(412);
    EXPECT_EQ(engine().focusObsPid(), 412);
    engine().trackFocusChanges(500);
    EXPECT_THAT(desktop.observedPids(), ElementsAre(500));

    desktop.observeFails.insert(600);
    engine().trackFocusChanges(600);
    EXPECT_EQ(engine().focusObsPid(), 0) << "the old observer is dropped";
    EXPECT_THAT(desktop.observedPids(), IsEmpty());
    desktop.observeFails.clear();
    engine().trackFocusChanges(600);
    EXPECT_THAT(desktop.trace(), ElementsAre("observe 412", "unobserve 412", "observe 500",
                                             "unobserve 500", "observeFailed 600", "observe 600"));
    EXPECT_EQ(engine().focusObsPid(), 600);
}

TEST_F(FocusTest, ObserverCallsOnFocusChangeForTheObservedApplicationUntilTheEngineGoes) {
    int changes = 0;
    engine().onFocusChange = [&] { ++changes; };
    engine().trackFocusChanges(412);
    EXPECT_EQ(desktop.fireFocusChange(412), 1);
    EXPECT_EQ(changes, 1);
    engine().trackFocusChanges(500);
    EXPECT_EQ(desktop.fireFocusChange(412), 0);
    desktop.fireFocusChange(500);
    EXPECT_EQ(changes, 2);

    destroyEngine();
    EXPECT_THAT(desktop.observedPids(), IsEmpty());
    EXPECT_EQ(desktop.count(Kind::unobserve), 2);
}

} // namespace
} // namespace morvelan
