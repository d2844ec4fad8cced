// One test per rule of the key decision, and its edge cases.
#include "HotkeysFixture.h"

namespace morvelan {
namespace {

class HotkeysDecision : public HotkeysFixture {
protected:
    void SetUp() override { startEngine(); }
};

// --- Ignoring -----------------------------------------------------------------------

TEST_F(HotkeysDecision, RecordingPassesEverythingAndOpensNothing) {
    hotkeys->recording(true);
    EXPECT_EQ(press(tabKey, cmd), Verdict::pass);
    EXPECT_EQ(press(tabKey, opt), Verdict::pass);
    EXPECT_EQ(flags(0), Verdict::pass);
    EXPECT_EQ(press(escapeKey, cmd), Verdict::pass);
    EXPECT_EQ(calls(), Calls{});
}

TEST_F(HotkeysDecision, RecordingWhileOpenPassesTheSwitcherKeys) {
    openWithCommandTab();
    hotkeys->recording(true);
    EXPECT_EQ(press(tabKey, cmd), Verdict::pass);
    EXPECT_EQ(flags(0), Verdict::pass);
    EXPECT_EQ(calls(), Calls{});
}

TEST_F(HotkeysDecision, WithoutSwitcherBindingTheConfinedBindingOpensNothing) {
    config.bindings.erase(HKAction::switcher);
    hotkeys->recording(true);
    hotkeys->recording(false);
    EXPECT_EQ(press(tabKey, opt), Verdict::pass);
    EXPECT_EQ(press(tabKey, cmd), Verdict::pass);
    EXPECT_EQ(calls(), Calls{});
}

TEST_F(HotkeysDecision, WithoutAnyBindingEverythingPasses) {
    config.bindings.clear();
    hotkeys->recording(true);
    hotkeys->recording(false);
    EXPECT_EQ(press(tabKey, cmd), Verdict::pass);
    EXPECT_EQ(calls(), Calls{});
}

// --- Switcher closed ------------------------------------------------------------------

TEST_F(HotkeysDecision, SwitcherBindingOpensOverAllContexts) {
    EXPECT_EQ(press(tabKey, cmd), Verdict::swallow);
    EXPECT_EQ(calls(), Calls{"open(confined:false)"});
    EXPECT_EQ(source->openHints(), std::vector<bool>{true});
}

TEST_F(HotkeysDecision, SwitcherBindingWithOptionHeldOpensConfined) {
    EXPECT_EQ(press(tabKey, cmd | opt), Verdict::swallow);
    EXPECT_EQ(calls(), Calls{"open(confined:true)"});
}

TEST_F(HotkeysDecision, ConfinedBindingOpensConfined) {
    EXPECT_EQ(press(tabKey, opt), Verdict::swallow);
    EXPECT_EQ(calls(), Calls{"open(confined:true)"});
}

TEST_F(HotkeysDecision, ExtraModifiersStillMatch) {
    EXPECT_EQ(press(tabKey, cmd | shift | ctrl), Verdict::swallow);
    EXPECT_EQ(calls(), Calls{"open(confined:false)"});
}

TEST_F(HotkeysDecision, KeysWithoutAMatchingBindingPassWhileClosed) {
    EXPECT_EQ(press(tabKey, 0), Verdict::pass);
    EXPECT_EQ(press(tabKey, ctrl), Verdict::pass);
    EXPECT_EQ(press(letterA, cmd), Verdict::pass);
    EXPECT_EQ(press(escapeKey, cmd), Verdict::pass);
    EXPECT_EQ(flags(cmd), Verdict::pass);
    EXPECT_EQ(flags(0), Verdict::pass);
    EXPECT_EQ(calls(), Calls{});
}

TEST_F(HotkeysDecision, NonModifierBitsOfABindingAreNotRequired) {
    config.bindings[HKAction::switcher] = KeyBind{tabKey, cmd | 0x100};
    hotkeys->recording(true);
    hotkeys->recording(false);
    EXPECT_EQ(press(tabKey, cmd), Verdict::swallow);
    EXPECT_EQ(press(tabKey, cmd), Verdict::swallow);
    EXPECT_EQ(calls(), (Calls{"open(confined:false)", "step(+)"}));
}

// --- Switcher open, not filtering -----------------------------------------------------

TEST_F(HotkeysDecision, UnseenReleaseCancelsAndPassesTheKey) {
    openWithCommandTab();
    EXPECT_EQ(press(letterA, 0, "a"), Verdict::pass);
    EXPECT_EQ(calls(), Calls{"cancel"});
    // Closed now: the next command-Tab opens afresh.
    EXPECT_EQ(press(tabKey, cmd), Verdict::swallow);
    EXPECT_EQ(calls(), Calls{"open(confined:false)"});
}

TEST_F(HotkeysDecision, UnseenReleaseOfTheHoldKeyItselfCancels) {
    openWithCommandTab();
    EXPECT_EQ(press(tabKey, 0), Verdict::pass);
    EXPECT_EQ(calls(), Calls{"cancel"});
}

TEST_F(HotkeysDecision, HoldKeyStepsForwardEvenWithShiftDown) {
    openWithCommandTab();
    EXPECT_EQ(press(tabKey, cmd), Verdict::swallow);
    EXPECT_EQ(press(tabKey, cmd | shift), Verdict::swallow);
    EXPECT_EQ(calls(), (Calls{"step(+)", "step(+)"}));
}

TEST_F(HotkeysDecision, HoldKeyIsTheBindingsKey) {
    config.bindings[HKAction::switcher] = KeyBind{49, ctrl}; // control-Space
    hotkeys->recording(true);
    hotkeys->recording(false);
    ASSERT_EQ(press(49, ctrl), Verdict::swallow);
    EXPECT_EQ(press(49, ctrl), Verdict::swallow);
    EXPECT_EQ(press(tabKey, ctrl), Verdict::pass); // Tab has no command here
    EXPECT_EQ(calls(), (Calls{"open(confined:false)", "step(+)"}));
}

TEST_F(HotkeysDecision, CommandFBeginsFiltering) {
    openWithCommandTab();
    EXPECT_EQ(press(3, cmd), Verdict::swallow);
    EXPECT_EQ(calls(), Calls{"beginFilter"});
    // Filtering now: letters are typed instead of passing.
    EXPECT_EQ(press(letterA, cmd, "a"), Verdict::swallow);
    EXPECT_EQ(calls(), Calls{"type(a)"});
}

TEST_F(HotkeysDecision, FWithoutCommandHasNoCommand) {
    ASSERT_EQ(press(tabKey, opt), Verdict::swallow); // confined binding: option is held
    calls();
    EXPECT_EQ(press(3, opt), Verdict::pass);
    EXPECT_EQ(press(letterA, opt), Verdict::pass);
    EXPECT_EQ(calls(), Calls{});
}

TEST_F(HotkeysDecision, DigitKeysSelectContextPositions) {
    openWithCommandTab();
    const std::vector<std::pair<int, int>> digits{{18, 0}, {19, 1}, {20, 2}, {21, 3}, {23, 4},
                                                  {22, 5}, {26, 6}, {28, 7}, {25, 8}};
    for (auto [key, position] : digits) {
        EXPECT_EQ(press(key, cmd), Verdict::swallow) << key;
        EXPECT_EQ(calls(), Calls{"select(" + std::to_string(position) + ")"}) << key;
    }
    EXPECT_EQ(press(29, cmd), Verdict::pass); // 0 is not a context position
    EXPECT_EQ(calls(), Calls{});
}

TEST_F(HotkeysDecision, LeftAndRightCycleTheContext) {
    openWithCommandTab();
    EXPECT_EQ(press(123, cmd), Verdict::swallow);
    EXPECT_EQ(press(124, cmd), Verdict::swallow);
    EXPECT_EQ(calls(), (Calls{"cycle(-1)", "cycle(+1)"}));
}

TEST_F(HotkeysDecision, DownAndUpAreSwallowedWithoutCommand) {
    openWithCommandTab();
    EXPECT_EQ(press(125, cmd), Verdict::swallow);
    EXPECT_EQ(press(126, cmd), Verdict::swallow);
    EXPECT_EQ(calls(), Calls{});
}

TEST_F(HotkeysDecision, KeysWithoutCommandPassWhileOpen) {
    openWithCommandTab();
    EXPECT_EQ(press(letterA, cmd), Verdict::pass);
    EXPECT_EQ(press(127, cmd), Verdict::pass);
    EXPECT_EQ(press(122, cmd), Verdict::pass); // F1
    EXPECT_EQ(press(36, cmd), Verdict::pass);  // Return
    EXPECT_EQ(calls(), Calls{});
    // Still open: the hold key steps.
    EXPECT_EQ(press(tabKey, cmd), Verdict::swallow);
    EXPECT_EQ(calls(), Calls{"step(+)"});
}

TEST_F(HotkeysDecision, QQuitsTheSelectedApplication) {
    openWithCommandTab();
    EXPECT_EQ(press(12, cmd), Verdict::swallow);
    EXPECT_EQ(calls(), Calls{"quitSelectedApp"});
}

TEST_F(HotkeysDecision, WClosesTheSelectedWindow) {
    openWithCommandTab();
    EXPECT_EQ(press(13, cmd), Verdict::swallow);
    EXPECT_EQ(calls(), Calls{"closeSelected"});
}

TEST_F(HotkeysDecision, EscapeCancelsOnceAndCloses) {
    openWithCommandTab();
    EXPECT_EQ(press(escapeKey, cmd), Verdict::swallow);
    EXPECT_EQ(calls(), Calls{"cancel"});
    EXPECT_EQ(source->openHints(), (std::vector<bool>{true, false}));
    EXPECT_EQ(press(escapeKey, cmd), Verdict::pass); // closed now
    EXPECT_EQ(flags(0), Verdict::pass);
    EXPECT_EQ(calls(), Calls{});
}

TEST_F(HotkeysDecision, EscapeIsSwallowedEvenAfterMainClearedOpen) {
    openWithCommandTab();
    // The decision took its snapshot while open; the main thread closes before it acts.
    Hotkeys::Snapshot taken{
        false,
        true,
        {config.bindings.at(HKAction::switcher), config.bindings.at(HKAction::switcherConfined)}};
    hotkeys->notifySwitcherClosed();
    EXPECT_EQ(hotkeys->decide(FakeKeySource::keyDown(escapeKey, cmd), taken), Verdict::swallow);
    EXPECT_EQ(calls(), Calls{}) << "the switcher already closed: no second cancel";
}

TEST_F(HotkeysDecision, NotifySwitcherClosedEndsTheSession) {
    openWithCommandTab();
    hotkeys->notifySwitcherClosed();
    EXPECT_EQ(source->openHints(), (std::vector<bool>{true, false}));
    EXPECT_EQ(flags(0), Verdict::pass);
    EXPECT_EQ(calls(), Calls{}) << "no commit after the switcher closed on its own";
    EXPECT_EQ(press(tabKey, cmd), Verdict::swallow);
    EXPECT_EQ(calls(), Calls{"open(confined:false)"});
}

// --- Flags changed while open ---------------------------------------------------------

TEST_F(HotkeysDecision, ReleasingTheHeldModifierCommitsOnce) {
    openWithCommandTab();
    EXPECT_EQ(flags(0), Verdict::pass);
    EXPECT_EQ(flags(0), Verdict::pass);
    EXPECT_EQ(calls(), Calls{"commit"});
    EXPECT_EQ(source->openHints(), (std::vector<bool>{true, false}));
}

TEST_F(HotkeysDecision, ReleasingOneOfTwoHeldModifiersCommits) {
    config.bindings[HKAction::switcher] = KeyBind{tabKey, cmd | ctrl};
    hotkeys->recording(true);
    hotkeys->recording(false);
    ASSERT_EQ(press(tabKey, cmd | ctrl), Verdict::swallow);
    EXPECT_EQ(flags(cmd), Verdict::pass);
    EXPECT_EQ(calls(), (Calls{"open(confined:false)", "commit"}));
}

TEST_F(HotkeysDecision, ShiftStepsBackOncePerPress) {
    openWithCommandTab();
    EXPECT_EQ(flags(cmd | shift), Verdict::pass);
    EXPECT_EQ(flags(cmd | shift | ctrl), Verdict::pass); // shift still down
    EXPECT_EQ(flags(cmd), Verdict::pass);
    EXPECT_EQ(flags(cmd | shift), Verdict::pass);
    EXPECT_EQ(calls(), (Calls{"step(-)", "step(-)"}));
}

TEST_F(HotkeysDecision, ShiftHeldAtOpeningDoesNotStepBack) {
    ASSERT_EQ(press(tabKey, cmd | shift), Verdict::swallow);
    EXPECT_EQ(flags(cmd | shift), Verdict::pass);
    EXPECT_EQ(calls(), Calls{"open(confined:false)"});
    flags(cmd);
    flags(cmd | shift);
    EXPECT_EQ(calls(), Calls{"step(-)"});
}

TEST_F(HotkeysDecision, OptionConfinesAndWidensTheView) {
    openWithCommandTab();
    EXPECT_EQ(flags(cmd | opt), Verdict::pass);
    EXPECT_EQ(flags(cmd | opt | shift), Verdict::pass);
    EXPECT_EQ(flags(cmd | shift), Verdict::pass);
    EXPECT_EQ(calls(), (Calls{"confined(true)", "step(-)", "confined(false)"}));
}

TEST_F(HotkeysDecision, ConfinedOpeningCommitsWhenOptionIsReleased) {
    ASSERT_EQ(press(tabKey, opt), Verdict::swallow);
    EXPECT_EQ(press(tabKey, opt), Verdict::swallow);
    EXPECT_EQ(flags(0), Verdict::pass);
    EXPECT_EQ(calls(), (Calls{"open(confined:true)", "step(+)", "commit"}));
}

// --- Switcher open and filtering ------------------------------------------------------

class HotkeysFiltering : public HotkeysDecision {
protected:
    void SetUp() override {
        HotkeysDecision::SetUp();
        openWithCommandTab();
        ASSERT_EQ(press(3, cmd), Verdict::swallow);
        ASSERT_EQ(calls(), Calls{"beginFilter"});
    }
};

TEST_F(HotkeysFiltering, TabStepsForwardAndBackWithShift) {
    EXPECT_EQ(press(tabKey, cmd), Verdict::swallow);
    EXPECT_EQ(press(tabKey, cmd | shift), Verdict::swallow);
    EXPECT_EQ(calls(), (Calls{"step(+)", "step(-)"}));
}

TEST_F(HotkeysDecision, TabStepsWhileFilteringWhateverTheBindingsKey) {
    config.bindings[HKAction::switcher] = KeyBind{49, ctrl}; // control-Space
    hotkeys->recording(true);
    hotkeys->recording(false);
    ASSERT_EQ(press(49, ctrl), Verdict::swallow);
    ASSERT_EQ(press(3, ctrl | cmd), Verdict::swallow);
    EXPECT_EQ(press(tabKey, ctrl), Verdict::swallow);
    EXPECT_EQ(press(tabKey, ctrl | shift), Verdict::swallow);
    EXPECT_EQ(press(49, ctrl, " "), Verdict::swallow); // the hold key types a space
    EXPECT_EQ(calls(),
              (Calls{"open(confined:false)", "beginFilter", "step(+)", "step(-)", "type( )"}));
}

TEST_F(HotkeysFiltering, DeleteRemovesACharacter) {
    EXPECT_EQ(press(51, cmd), Verdict::swallow);
    EXPECT_EQ(calls(), Calls{"backspace"});
}

TEST_F(HotkeysFiltering, EscapeLeavesFilteringAndClosesInOneStep) {
    EXPECT_EQ(press(escapeKey, cmd), Verdict::swallow);
    EXPECT_EQ(calls(), Calls{"cancel"});
    // A new session starts without filtering: letters pass again.
    openWithCommandTab();
    EXPECT_EQ(press(letterA, cmd, "a"), Verdict::pass);
    EXPECT_EQ(calls(), Calls{});
}

TEST_F(HotkeysFiltering, PrintableTextIsTyped) {
    EXPECT_EQ(press(letterA, cmd, "a"), Verdict::swallow);
    EXPECT_EQ(press(12, cmd, "q"), Verdict::swallow);  // Q types instead of quitting
    EXPECT_EQ(press(13, cmd, "w"), Verdict::swallow);  // W types instead of closing
    EXPECT_EQ(press(23, cmd, "5"), Verdict::swallow);  // digits type too
    EXPECT_EQ(press(123, cmd, "é"), Verdict::swallow); // whatever text a key gives
    EXPECT_EQ(calls(), (Calls{"type(a)", "type(q)", "type(w)", "type(5)", "type(é)"}));
}

TEST_F(HotkeysFiltering, ControlCharactersAndEmptyTextAreSwallowedWithoutCommand) {
    EXPECT_EQ(press(letterA, cmd | ctrl, "\x01"), Verdict::swallow);
    EXPECT_EQ(press(117, cmd, "\x7f"), Verdict::swallow);
    EXPECT_EQ(press(36, cmd, "\r"), Verdict::swallow);
    EXPECT_EQ(press(letterA, cmd, "ab\x1f"), Verdict::swallow);
    EXPECT_EQ(press(125, cmd), Verdict::swallow); // no text at all
    EXPECT_EQ(calls(), Calls{});
}

TEST_F(HotkeysFiltering, TextIsCutToFourUtf16Units) {
    EXPECT_EQ(press(letterA, cmd, "abcdef"), Verdict::swallow);
    EXPECT_EQ(press(letterA, cmd, "😀😀😀"), Verdict::swallow);      // two units each
    EXPECT_EQ(press(letterA, cmd, "abc😀"), Verdict::swallow);     // the emoji does not fit
    EXPECT_EQ(press(letterA, cmd, "abcd\x01"), Verdict::swallow); // beyond the cut
    EXPECT_EQ(calls(), (Calls{"type(abcd)", "type(😀😀)", "type(abc)", "type(abcd)"}));
}

TEST_F(HotkeysFiltering, InvalidUtf8IsSwallowedWithoutCommand) {
    for (std::string bad : {std::string("\xff"), std::string("a\xc3"), std::string("\xc0\xaf"),
                            std::string("\xed\xa0\x80"), std::string("\xf4\x90\x80\x80")})
        EXPECT_EQ(press(letterA, cmd, bad), Verdict::swallow);
    EXPECT_EQ(calls(), Calls{});
}

TEST_F(HotkeysFiltering, HeldModifierIsNotTestedOnKeyDown) {
    EXPECT_EQ(press(letterA, 0, "a"), Verdict::swallow);
    EXPECT_EQ(calls(), Calls{"type(a)"});
}

TEST_F(HotkeysFiltering, ReleasingTheHeldModifierStillCommits) {
    EXPECT_EQ(flags(cmd | shift), Verdict::pass);
    EXPECT_EQ(flags(0), Verdict::pass);
    EXPECT_EQ(calls(), (Calls{"step(-)", "commit"}));
}

} // namespace
} // namespace morvelan
