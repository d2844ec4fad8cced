// The hotkey engine over a fake key source and a manual main queue: the key decision's rules as
// tables of key sequences, then starting, recording, a disabled source and command delivery.
#include "core/hotkeys/Hotkeys.h"
#include "core/hotkeys/HotkeyConfig.h"
#include "fakes/FakeKeySource.h"
#include "fakes/ManualQueue.h"
#include "fakes/MemoryFiles.h"
#include "fakes/RecordingActions.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace morvelan {
namespace {

inline constexpr std::uint64_t cmd = Modifier::command, opt = Modifier::option,
                               shift = Modifier::shift, ctrl = Modifier::control;

using Calls = std::vector<std::string>;

// An engine, not started, over a fake key source; commands are recorded as text.
class HotkeysFixture : public ::testing::Test {
protected:
    HotkeysFixture() { make(); }

    // A fresh engine, not started, over a fresh key source.
    void make() {
        hotkeys.reset();
        auto owned = std::make_unique<FakeKeySource>();
        source = owned.get();
        hotkeys = std::make_unique<Hotkeys>(queue, std::move(owned));
        hotkeys->config = &config;
        hotkeys->actions = actions;
        hotkeys->onStatus = [this](bool running) { statuses.push_back(running); };
    }

    Verdict press(int key, std::uint64_t flags, std::string text = {}) {
        return source->feed(FakeKeySource::keyDown(key, flags, std::move(text)));
    }

    // The commands that reached the main thread since the last call.
    Calls calls() {
        queue.drain();
        return actions->take();
    }

    MemoryFiles files;
    HotkeyConfig config{files};
    ManualQueue queue;
    std::shared_ptr<RecordingActions> actions = std::make_shared<RecordingActions>();
    std::vector<bool> statuses;
    FakeKeySource* source = nullptr;
    std::unique_ptr<Hotkeys> hotkeys;
};

// One key event and the verdict it must get.
struct Step {
    KeyEvent event;
    Verdict verdict;
};
Step swallowed(int key, std::uint64_t flags, std::string text = {}) {
    return {FakeKeySource::keyDown(key, flags, std::move(text)), Verdict::swallow};
}
Step passed(int key, std::uint64_t flags, std::string text = {}) {
    return {FakeKeySource::keyDown(key, flags, std::move(text)), Verdict::pass};
}
// Modifier changes always pass.
Step flagsTo(std::uint64_t flags) {
    return {FakeKeySource::flagsChanged(flags), Verdict::pass};
}
const Step cmdTab = swallowed(Key::tab, cmd);
const Step cmdF = swallowed(Key::f, cmd);
Step typed(std::string text) {
    return swallowed(Key::a, cmd, std::move(text));
}

struct Case {
    const char* rule;
    std::vector<Step> steps;
    Calls calls;
    Bindings bindings = HotkeyConfig::defaults();
};

class HotkeysDecision : public HotkeysFixture {
protected:
    // Types each case's keys on a fresh engine started with its bindings.
    void check(const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.rule);
            config.bindings = c.bindings;
            make();
            hotkeys->start();
            for (std::size_t i = 0; i < c.steps.size(); ++i)
                EXPECT_EQ(source->feed(c.steps[i].event), c.steps[i].verdict) << "step " << i;
            EXPECT_EQ(calls(), c.calls);
        }
    }
};

TEST_F(HotkeysDecision, Opening) {
    check({
        {"keys without a binding pass; ⌘Tab opens over all contexts, confined with option, "
         "and with extra modifiers",
         {passed(Key::tab, 0), passed(Key::tab, ctrl), passed(Key::a, cmd),
          passed(Key::escape, cmd), flagsTo(cmd), flagsTo(0), cmdTab, flagsTo(0),
          swallowed(Key::tab, cmd | opt), flagsTo(0), swallowed(Key::tab, cmd | shift | ctrl)},
         {"open(all)", "commit", "open(confined)", "commit", "open(all)"}},
        {"the confined binding opens confined; F without command does not filter",
         {swallowed(Key::tab, opt), swallowed(Key::tab, opt), passed(Key::f, opt), flagsTo(0)},
         {"open(confined)", "step(+)", "commit"}},
        {"without the switcher binding the confined one opens nothing",
         {passed(Key::tab, opt), passed(Key::tab, cmd)},
         {},
         Bindings{{HotkeyAction::switcherConfined, KeyBind{Key::tab, opt}}}},
        {"the binding's own key steps, bits beyond the modifiers are not asked for, and "
         "releasing one of two modifiers commits",
         {swallowed(Key::space, cmd | ctrl), swallowed(Key::space, cmd | ctrl),
          passed(Key::tab, cmd | ctrl), flagsTo(cmd)},
         {"open(all)", "step(+)", "commit"},
         Bindings{{HotkeyAction::switcher, {Key::space, cmd | ctrl | 0x100}},
                  {HotkeyAction::switcherConfined, {Key::tab, opt}}}},
    });
}

TEST_F(HotkeysDecision, SwitcherOpen) {
    check({
        {"keys act on the switcher; keys without a command pass and it stays open",
         {cmdTab, swallowed(Key::q, cmd), swallowed(Key::w, cmd), swallowed(Key::left, cmd),
          swallowed(Key::right, cmd), swallowed(Key::down, cmd), swallowed(Key::up, cmd),
          swallowed(Key::digit1, cmd), swallowed(Key::digit5, cmd), swallowed(Key::digit6, cmd),
          swallowed(Key::digit9, cmd), passed(Key::digit0, cmd), passed(Key::a, cmd),
          passed(127, cmd), passed(Key::f1, cmd), cmdTab, swallowed(Key::tab, cmd | shift)},
         {"open(all)", "quitSelectedApp", "closeSelected", "cycle(-1)", "cycle(+1)", "select(0)",
          "select(4)", "select(5)", "select(8)", "step(+)", "step(+)"}},
        {"escape, or a key after an unseen release, cancels and the release commits, each once",
         {cmdTab, swallowed(Key::escape, cmd), passed(Key::escape, cmd), flagsTo(0), cmdTab,
          passed(Key::a, 0, "a"), cmdTab, passed(Key::tab, 0), cmdTab, flagsTo(0), flagsTo(0)},
         {"open(all)", "cancel", "open(all)", "cancel", "open(all)", "cancel", "open(all)",
          "commit"}},
        {"shift steps back once per press but not when held at opening; option confines",
         {swallowed(Key::tab, cmd | shift), flagsTo(cmd | shift), flagsTo(cmd),
          flagsTo(cmd | shift), flagsTo(cmd | shift | ctrl), flagsTo(cmd | shift | opt),
          flagsTo(cmd | shift)},
         {"open(all)", "step(-)", "confined(true)", "confined(false)"}},
    });
}

TEST_F(HotkeysDecision, Filtering) {
    check({
        {"keys type their text, tab steps and delete erases; the release commits, escape "
         "cancels, and the next opening does not filter",
         {cmdTab, cmdF, typed("a"), swallowed(Key::q, cmd, "q"), swallowed(Key::digit5, cmd, "5"),
          swallowed(Key::left, cmd, "é"), cmdTab, swallowed(Key::tab, cmd | shift),
          swallowed(Key::backspace, cmd), swallowed(Key::a, 0, "b"), flagsTo(0), cmdTab, cmdF,
          swallowed(Key::escape, cmd), cmdTab, passed(Key::a, cmd, "a")},
         {"open(all)", "beginFilter", "type(a)", "type(q)", "type(5)", "type(é)", "step(+)",
          "step(-)", "backspace", "type(b)", "commit", "open(all)", "beginFilter", "cancel",
          "open(all)"}},
        {"tab steps whatever the binding's key, which types",
         {swallowed(Key::space, ctrl), swallowed(Key::f, ctrl | cmd), swallowed(Key::tab, ctrl),
          swallowed(Key::space, ctrl, " ")},
         {"open(all)", "beginFilter", "step(+)", "type( )"},
         Bindings{{HotkeyAction::switcher, {Key::space, ctrl}}}},
        {"text is cut to four UTF-16 units; control characters and bad UTF-8 type nothing",
         {cmdTab, cmdF, typed("abcdef"), typed("😀😀😀"), typed("abc😀"), typed("abcd\x01"),
          swallowed(Key::a, cmd | ctrl, "\x01"), swallowed(Key::forwardDelete, cmd, "\x7f"),
          typed("ab\x1f"), swallowed(Key::down, cmd), typed("\xff"), typed("a\xc3"),
          typed("\xc0\xaf"), typed("\xed\xa0\x80"), typed("\xf4\x90\x80\x80")},
         {"open(all)", "beginFilter", "type(abcd)", "type(😀😀)", "type(abc)", "type(abcd)"}},
    });
}

TEST_F(HotkeysDecision, EscapeIsSwallowedEvenAfterMainClearedOpen) {
    hotkeys->start();
    press(Key::tab, cmd);
    calls();
    // The decision took its snapshot while open; the main thread closes before it acts.
    const Hotkeys::Snapshot taken{false, true, {KeyBind{Key::tab, cmd}, KeyBind{Key::tab, opt}}};
    hotkeys->notifySwitcherClosed();
    EXPECT_EQ(hotkeys->decide(FakeKeySource::keyDown(Key::escape, cmd), taken), Verdict::swallow);
    EXPECT_EQ(calls(), Calls{}) << "the switcher already closed: no second cancel";
}

// The main thread closes the switcher when a commit runs there, as the app's onClose does.
struct ClosingActions : RecordingActions {
    Hotkeys* hotkeys = nullptr;
    void switcherCommit() override {
        RecordingActions::switcherCommit();
        hotkeys->notifySwitcherClosed();
    }
};

TEST_F(HotkeysDecision, ALateCommitDoesNotCloseTheNextOpening) {
    auto closing = std::make_shared<ClosingActions>();
    closing->hotkeys = hotkeys.get();
    hotkeys->actions = closing;
    hotkeys->start();
    // Open, release, open again, all before the main thread runs the first commit.
    for (const Step& step : {cmdTab, flagsTo(0), cmdTab})
        EXPECT_EQ(source->feed(step.event), step.verdict);
    queue.drain();
    EXPECT_TRUE(source->openHints().back()) << "the keyboard stays taken";
    EXPECT_EQ(press(Key::escape, cmd), Verdict::swallow);
    queue.drain();
    EXPECT_EQ(closing->take(), (Calls{"open(all)", "commit", "open(all)", "cancel"}));
}

TEST_F(HotkeysDecision, AnOpeningFromOutsideHoldsWhatWasHeldAndReturnCommitsWithoutOne) {
    hotkeys->start();
    ASSERT_TRUE(hotkeys->openFromOutside(false, cmd | 0x1));
    EXPECT_TRUE(source->openHints().back()) << "the keyboard is taken";
    EXPECT_TRUE(hotkeys->openFromOutside(false, cmd)) << "the binding again: the next window";
    for (const Step& step : {flagsTo(cmd), cmdTab, passed(Key::returnKey, cmd), flagsTo(0)})
        EXPECT_EQ(source->feed(step.event), step.verdict);
    EXPECT_EQ(calls(), (Calls{"open(all)", "step(+)", "step(+)", "commit"}));
    hotkeys->notifySwitcherClosed();
    ASSERT_TRUE(hotkeys->openFromOutside(true, 0));
    for (const Step& step : {flagsTo(ctrl), flagsTo(0), swallowed(Key::returnKey, 0)})
        EXPECT_EQ(source->feed(step.event), step.verdict);
    EXPECT_EQ(calls(), (Calls{"open(confined)", "commit"}));
    hotkeys->notifySwitcherClosed();
    ASSERT_TRUE(hotkeys->openFromOutside(false, opt));
    EXPECT_EQ(source->feed(FakeKeySource::keyDown(Key::escape, opt)), Verdict::swallow);
    EXPECT_EQ(calls(), (Calls{"open(all)", "cancel"}));
}

// --- Lifecycle ---------------------------------------------------------------------------

using HotkeysLifecycle = HotkeysFixture;

TEST_F(HotkeysLifecycle, AFailingStartIsReportedAndRetriedEveryTwoSecondsUntilTheSourceRuns) {
    source->failStart = true;
    hotkeys->start();
    hotkeys->start();
    EXPECT_TRUE(statuses.empty()) << "reported from the main queue, not inline";
    EXPECT_EQ(queue.pendingTimers(), 1u) << "one retry timer, however often it fails";
    queue.advance(1.9);
    EXPECT_EQ(source->startCalls, 2);
    queue.advance(2.0);
    queue.advance(2.0);
    EXPECT_EQ(statuses, (std::vector<bool>{false, false, false, false}));
    EXPECT_FALSE(hotkeys->keySourceRunning());

    source->failStart = false;
    queue.advance(2.0);
    queue.advance(10.0);
    EXPECT_TRUE(hotkeys->keySourceRunning());
    EXPECT_EQ(statuses, (std::vector<bool>{false, false, false, false, true}));
    EXPECT_EQ(source->startCalls, 5);
    EXPECT_EQ(source->bindings(), (std::vector<KeyCombo>{{Key::tab, cmd}, {Key::tab, opt}}));
}

TEST_F(HotkeysLifecycle, RecordingPassesEveryKeyAndTheNewBindingHoldsWhenItEnds) {
    hotkeys->start();
    EXPECT_EQ(press(Key::tab, cmd), Verdict::swallow);
    config.bindings[HotkeyAction::switcher] = KeyBind{Key::space, ctrl | opt};
    hotkeys->recording(true);
    EXPECT_TRUE(source->bindings().empty()) << "the keys go to the recorder";
    EXPECT_EQ(press(Key::escape, cmd), Verdict::pass) << "even while open";
    EXPECT_EQ(press(Key::space, ctrl | opt), Verdict::pass);
    hotkeys->recording(false);
    EXPECT_EQ(source->bindings(),
              (std::vector<KeyCombo>{{Key::space, ctrl | opt}, {Key::tab, opt}}));
    queue.drain();
    hotkeys->notifySwitcherClosed();
    EXPECT_EQ(press(Key::tab, cmd), Verdict::pass) << "the old binding is gone";
    EXPECT_EQ(press(Key::space, ctrl | opt), Verdict::swallow);
    EXPECT_EQ(calls(), (Calls{"open(all)", "open(confined)"}));
}

TEST_F(HotkeysLifecycle, ADisabledSourceIsEnabledAgainAndItsNoticesAreNotCounted) {
    hotkeys->start();
    press(Key::a, 0);
    press(Key::tab, cmd);
    source->disable();
    EXPECT_EQ(press(Key::tab, cmd), Verdict::pass) << "not delivered while disabled";
    EXPECT_FALSE(hotkeys->keySourceEnabled());
    source->feed(FakeKeySource::sourceDisabled());
    EXPECT_TRUE(hotkeys->keySourceEnabled());
    source->disable();
    hotkeys->enableKeySource();
    EXPECT_TRUE(hotkeys->keySourceEnabled());
    EXPECT_EQ(hotkeys->seen(), 2u);
}

TEST_F(HotkeysLifecycle, CommandsRunLaterOnTheMainQueueAndAreDroppedWithTheReceiverOrTheEngine) {
    hotkeys->start();
    press(Key::tab, cmd);
    EXPECT_TRUE(actions->calls.empty()) << "nothing runs before the main queue does";
    EXPECT_EQ(calls(), Calls{"open(all)"});
    // The engine's reference expires while the recorder itself stays readable.
    auto lifetime = std::make_shared<int>(0);
    hotkeys->actions = std::shared_ptr<HotkeyActions>(lifetime, actions.get());
    press(Key::tab, cmd);
    lifetime.reset();
    EXPECT_EQ(calls(), Calls{}) << "dropped with the receiver";

    hotkeys->actions = actions;
    auto destroyed = source->destroyed;
    press(Key::escape, cmd);
    hotkeys.reset();
    EXPECT_TRUE(*destroyed) << "the source stops with the engine";
    EXPECT_EQ(calls(), Calls{});
    make();
    source->failStart = true;
    hotkeys->start();
    hotkeys.reset();
    queue.advance(4.0);
    EXPECT_EQ(statuses, std::vector<bool>{true}) << "no status and no retry after the end";
}

// The decision runs on the source's thread while the main thread records, closes the
// switcher and reads the counter; under the sanitizers this checks the lock discipline.
TEST_F(HotkeysLifecycle, DecisionRacesMainThreadCallsSafely) {
    hotkeys->start();
    const KeyEvent round[] = {FakeKeySource::keyDown(Key::tab, cmd),
                              FakeKeySource::keyDown(Key::tab, cmd),
                              FakeKeySource::flagsChanged(cmd | shift),
                              FakeKeySource::keyDown(Key::f, cmd),
                              FakeKeySource::keyDown(Key::a, cmd, "a"),
                              FakeKeySource::keyDown(Key::escape, cmd),
                              FakeKeySource::flagsChanged(0)};
    constexpr int rounds = 4000;
    std::atomic<bool> done{false};
    std::thread keys([&] {
        for (int i = 0; i < rounds; ++i)
            for (const KeyEvent& event : round)
                source->feed(event);
        done = true;
    });
    for (int turn = 0; !done; ++turn) {
        hotkeys->recording(turn % 3 == 0);
        hotkeys->notifySwitcherClosed();
        queue.drain();
    }
    keys.join();
    EXPECT_EQ(hotkeys->seen(), rounds * std::size(round));
    // The last opening's command runs first, as it does before any switcher can close: a
    // close for an opening the main thread has not seen yet is ignored by design.
    queue.drain();
    hotkeys->recording(false);
    hotkeys->notifySwitcherClosed();
    calls();
    EXPECT_EQ(press(Key::tab, cmd), Verdict::swallow) << "the engine works on after the storm";
    EXPECT_EQ(calls(), Calls{"open(all)"});
}

} // namespace
} // namespace morvelan
