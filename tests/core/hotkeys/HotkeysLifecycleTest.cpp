// Tests of starting the engine, retrying, the event counter, bindings and command delivery.
#include "HotkeysFixture.h"

#include <atomic>
#include <thread>

namespace morvelan {
namespace {

using HotkeysStart = HotkeysFixture;

TEST_F(HotkeysStart, TrustedStartRunsTheSourceWithTheBindingsAndReportsOnTheMainQueue) {
    EXPECT_FALSE(hotkeys->keySourceRunning());
    hotkeys->start();
    EXPECT_TRUE(hotkeys->keySourceRunning());
    EXPECT_TRUE(source->started());
    EXPECT_EQ(source->bindings(), (std::vector<KeyCombo>{{48, cmd}, {48, opt}}));
    EXPECT_TRUE(statuses.empty()) << "reported from the main queue, not inline";
    queue.drain();
    EXPECT_EQ(statuses, std::vector<bool>{true});
    EXPECT_EQ(queue.pendingTimers(), 0u);
}

TEST_F(HotkeysStart, FailingStartReportsFalseAndRetriesEveryTwoSeconds) {
    source->failStart = true;
    hotkeys->start();
    queue.advance(1.9);
    EXPECT_EQ(source->startCalls, 1);
    EXPECT_FALSE(hotkeys->keySourceRunning());
    queue.advance(2.0);
    EXPECT_EQ(source->startCalls, 2);
    EXPECT_EQ(statuses, (std::vector<bool>{false, false}));
    EXPECT_EQ(queue.pendingTimers(), 1u) << "one retry timer, not one per failure";

    source->failStart = false;
    queue.advance(2.0);
    EXPECT_EQ(source->startCalls, 3);
    EXPECT_TRUE(hotkeys->keySourceRunning());
    EXPECT_EQ(statuses, (std::vector<bool>{false, false, true}));
    EXPECT_EQ(queue.pendingTimers(), 0u);
    queue.advance(10.0);
    EXPECT_EQ(source->startCalls, 3);
}

TEST_F(HotkeysStart, FailingSourceReportsOnTheMainQueue) {
    source->failStart = true;
    hotkeys->start();
    EXPECT_EQ(source->startCalls, 1);
    EXPECT_TRUE(statuses.empty());
    queue.drain();
    EXPECT_EQ(statuses, std::vector<bool>{false});
}

TEST_F(HotkeysStart, NothingIsDecidedBeforeTheStartOrWithoutAConfig) {
    EXPECT_EQ(press(tabKey, cmd), Verdict::pass);
    EXPECT_EQ(hotkeys->seen(), 0u);
    hotkeys->config = nullptr;
    startEngine();
    hotkeys->recording(true);
    hotkeys->recording(false);
    EXPECT_EQ(press(tabKey, cmd), Verdict::pass);
    EXPECT_EQ(calls(), Calls{});
}

TEST_F(HotkeysStart, StatusRetriesAndCommandsAreDroppedOnceTheEngineIsGone) {
    hotkeys->start();
    auto destroyed = source->destroyed;
    press(tabKey, cmd);
    hotkeys.reset();
    EXPECT_TRUE(*destroyed) << "the source stops with the engine";
    queue.drain();
    EXPECT_TRUE(statuses.empty());
    EXPECT_EQ(calls(), Calls{});

    make();
    source->failStart = true;
    hotkeys->start();
    hotkeys.reset();
    queue.advance(4.0);
    EXPECT_EQ(queue.pendingTimers(), 0u) << "no retry";
}

using HotkeysRecording = HotkeysFixture;

TEST_F(HotkeysRecording, RecordingTakesTheKeysFromTheSourceAndNewBindingsHoldWhenItEnds) {
    startEngine();
    config.bindings[HotkeyAction::switcher] = KeyBind{49, ctrl | opt};
    EXPECT_EQ(press(49, ctrl | opt), Verdict::pass) << "changes wait for the end of recording";
    hotkeys->recording(true);
    EXPECT_TRUE(source->bindings().empty());
    EXPECT_EQ(press(49, ctrl | opt), Verdict::pass) << "not while recording";
    hotkeys->recording(false);
    EXPECT_EQ(source->bindings(), (std::vector<KeyCombo>{{49, ctrl | opt}, {48, opt}}));
    EXPECT_EQ(press(tabKey, cmd), Verdict::pass) << "the old binding is gone";
    EXPECT_EQ(press(49, ctrl | opt), Verdict::swallow);
    EXPECT_EQ(calls(), Calls{"open(confined:true)"});
}

using HotkeysKeySource = HotkeysFixture;

TEST_F(HotkeysKeySource, SeenCountsDeliveredEventsButNotDisableNotices) {
    startEngine();
    press(letterA, 0);  // passed
    press(tabKey, cmd); // swallowed
    flags(cmd | shift); // flags change
    hotkeys->recording(true);
    press(tabKey, cmd); // passed while recording, still counted
    hotkeys->recording(false);
    source->feed(FakeKeySource::sourceDisabled());
    EXPECT_EQ(hotkeys->seen(), 4u);
}

TEST_F(HotkeysKeySource, DisabledSourceIsEnabledAgainByTheNoticeOrTheMainThread) {
    hotkeys->enableKeySource();
    EXPECT_EQ(source->enableCalls, 0) << "nothing to enable before the start";
    startEngine();
    source->disable();
    EXPECT_FALSE(hotkeys->keySourceEnabled());
    EXPECT_EQ(press(tabKey, cmd), Verdict::pass) << "not delivered while disabled";
    EXPECT_EQ(source->feed(FakeKeySource::sourceDisabled()), Verdict::pass);
    EXPECT_EQ(source->enableCalls, 1);
    EXPECT_TRUE(hotkeys->keySourceEnabled());
    EXPECT_EQ(hotkeys->seen(), 0u);
    EXPECT_EQ(calls(), Calls{});

    source->disable();
    hotkeys->enableKeySource();
    EXPECT_TRUE(hotkeys->keySourceEnabled());
    EXPECT_FALSE(hotkeys->keyboardHeldByOther());
    source->heldByOther = true;
    EXPECT_TRUE(hotkeys->keyboardHeldByOther());
}

using HotkeysDispatch = HotkeysFixture;

TEST_F(HotkeysDispatch, CommandsRunOnTheMainQueueInOrderOnTheReceiverOfThatMoment) {
    startEngine();
    press(tabKey, cmd);
    press(tabKey, cmd);
    flags(0);
    EXPECT_TRUE(actions->calls.empty()) << "nothing runs before the main queue does";
    EXPECT_EQ(calls(), (Calls{"open(confined:false)", "step(+)", "commit"}));

    press(tabKey, cmd);
    auto later = std::make_shared<RecordingActions>();
    hotkeys->actions = later;
    queue.drain();
    EXPECT_TRUE(actions->calls.empty());
    EXPECT_EQ(later->calls, Calls{"open(confined:false)"});

    // The engine's reference expires while the recorder itself stays readable.
    auto lifetime = std::make_shared<int>(0);
    hotkeys->actions = std::shared_ptr<HotkeyActions>(lifetime, actions.get());
    press(escapeKey, cmd);
    lifetime.reset();
    EXPECT_EQ(calls(), Calls{}) << "dropped with the receiver";
}

// The decision runs on the source's thread while the main thread records, closes the
// switcher and reads the counter; run under the sanitizers this checks the lock discipline.
TEST_F(HotkeysKeySource, DecisionRacesMainThreadCallsSafely) {
    startEngine();
    constexpr int rounds = 4000;
    std::atomic<bool> done{false};
    std::thread tap([&] {
        for (int i = 0; i < rounds; ++i) {
            press(tabKey, cmd);
            press(tabKey, cmd);
            flags(cmd | shift);
            press(3, cmd);
            press(letterA, cmd, "a");
            flags(cmd);
            press(i % 2 ? escapeKey : 51, cmd);
            flags(0);
        }
        done = true;
    });
    std::uint64_t last = 0;
    int turns = 0;
    while (!done) {
        hotkeys->recording(turns % 3 == 0);
        hotkeys->notifySwitcherClosed();
        const std::uint64_t seen = hotkeys->seen();
        EXPECT_GE(seen, last);
        last = seen;
        queue.drain();
        ++turns;
    }
    tap.join();
    hotkeys->recording(false);
    queue.drain();
    EXPECT_EQ(hotkeys->seen(), rounds * 8u);
    // After the storm the engine still works from a clean state.
    hotkeys->notifySwitcherClosed();
    actions->take();
    EXPECT_EQ(press(tabKey, cmd), Verdict::swallow);
    EXPECT_EQ(flags(0), Verdict::pass);
    EXPECT_EQ(calls(), (Calls{"open(confined:false)", "commit"}));
}

} // namespace
} // namespace morvelan
