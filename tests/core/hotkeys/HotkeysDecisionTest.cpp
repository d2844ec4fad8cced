// The rules of the key decision and their edge cases, as tables of key sequences.
#include "HotkeysFixture.h"

namespace morvelan {
namespace {

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

struct Case {
    const char* rule;
    std::vector<Step> steps;
    Calls calls; // after those of the opening steps
    Bindings bindings = HotkeyConfig::defaults();
};

const Bindings defaults = HotkeyConfig::defaults();
Bindings withSwitcher(KeyBind bind) {
    Bindings b = defaults;
    b[HotkeyAction::switcher] = bind;
    return b;
}

class HotkeysDecision : public HotkeysFixture {
protected:
    void SetUp() override { startEngine(); }

    // Runs each case on a fresh engine started with its bindings, after `opening`.
    void check(const std::vector<Step>& opening, const Calls& opened,
               const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.rule);
            config.bindings = c.bindings;
            make();
            startEngine();
            for (const Step& step : opening)
                ASSERT_EQ(source->feed(step.event), step.verdict);
            ASSERT_EQ(calls(), opened);
            for (std::size_t i = 0; i < c.steps.size(); ++i)
                EXPECT_EQ(source->feed(c.steps[i].event), c.steps[i].verdict) << "step " << i;
            EXPECT_EQ(calls(), c.calls);
        }
    }
};

TEST_F(HotkeysDecision, SwitcherClosed) {
    check(
        {}, {},
        {
            {"the switcher binding opens over all contexts",
             {swallowed(tabKey, cmd)},
             {"open(confined:false)"}},
            {"option held opens confined", {swallowed(tabKey, cmd | opt)}, {"open(confined:true)"}},
            {"the confined binding opens confined",
             {swallowed(tabKey, opt)},
             {"open(confined:true)"}},
            {"extra modifiers still match",
             {swallowed(tabKey, cmd | shift | ctrl)},
             {"open(confined:false)"}},
            {"keys without a matching binding pass",
             {passed(tabKey, 0), passed(tabKey, ctrl), passed(letterA, cmd), passed(escapeKey, cmd),
              flagsTo(cmd), flagsTo(0)},
             {}},
            {"non-modifier bits of a binding are not required",
             {swallowed(tabKey, cmd), swallowed(tabKey, cmd)},
             {"open(confined:false)", "step(+)"},
             withSwitcher(KeyBind{tabKey, cmd | 0x100})},
            {"without the switcher binding the confined one opens nothing",
             {passed(tabKey, opt), passed(tabKey, cmd)},
             {},
             Bindings{
                 {HotkeyAction::switcherConfined, defaults.at(HotkeyAction::switcherConfined)}}},
            {"without any binding everything passes", {passed(tabKey, cmd)}, {}, Bindings{}},
        });
}

TEST_F(HotkeysDecision, SwitcherOpen) {
    check({swallowed(tabKey, cmd)}, {"open(confined:false)"},
          {
              {"an unseen release cancels and passes the key; the next ⌘Tab opens afresh",
               {passed(letterA, 0, "a"), swallowed(tabKey, cmd)},
               {"cancel", "open(confined:false)"}},
              {"an unseen release of the hold key itself cancels", {passed(tabKey, 0)}, {"cancel"}},
              {"the hold key steps forward even with shift down",
               {swallowed(tabKey, cmd), swallowed(tabKey, cmd | shift)},
               {"step(+)", "step(+)"}},
              {"⌘F begins filtering, then letters are typed",
               {swallowed(3, cmd), swallowed(letterA, cmd, "a")},
               {"beginFilter", "type(a)"}},
              {"digits select context positions; 0 is none",
               {swallowed(18, cmd), swallowed(19, cmd), swallowed(20, cmd), swallowed(21, cmd),
                swallowed(23, cmd), swallowed(22, cmd), swallowed(26, cmd), swallowed(28, cmd),
                swallowed(25, cmd), passed(29, cmd)},
               {"select(0)", "select(1)", "select(2)", "select(3)", "select(4)", "select(5)",
                "select(6)", "select(7)", "select(8)"}},
              {"left and right cycle the context",
               {swallowed(123, cmd), swallowed(124, cmd)},
               {"cycle(-1)", "cycle(+1)"}},
              {"down and up are swallowed without command",
               {swallowed(125, cmd), swallowed(126, cmd)},
               {}},
              {"keys without a command pass and the switcher stays open",
               {passed(letterA, cmd), passed(127, cmd), passed(122, cmd), passed(36, cmd),
                swallowed(tabKey, cmd)},
               {"step(+)"}},
              {"Q quits the selected application", {swallowed(12, cmd)}, {"quitSelectedApp"}},
              {"W closes the selected window", {swallowed(13, cmd)}, {"closeSelected"}},
              {"escape cancels once and closes",
               {swallowed(escapeKey, cmd), passed(escapeKey, cmd), flagsTo(0)},
               {"cancel"}},
              {"releasing the held modifier commits once", {flagsTo(0), flagsTo(0)}, {"commit"}},
              {"shift steps back once per press",
               {flagsTo(cmd | shift), flagsTo(cmd | shift | ctrl), flagsTo(cmd),
                flagsTo(cmd | shift)},
               {"step(-)", "step(-)"}},
              {"option confines and widens the view",
               {flagsTo(cmd | opt), flagsTo(cmd | opt | shift), flagsTo(cmd | shift)},
               {"confined(true)", "step(-)", "confined(false)"}},
          });
}

TEST_F(HotkeysDecision, SwitcherOpenedOtherwise) {
    check({}, {},
          {
              {"the hold key is the binding's key",
               {swallowed(49, ctrl), swallowed(49, ctrl), passed(tabKey, ctrl)},
               {"open(confined:false)", "step(+)"},
               withSwitcher(KeyBind{49, ctrl})},
              {"F without command has no command",
               {swallowed(tabKey, opt), passed(3, opt), passed(letterA, opt)},
               {"open(confined:true)"}},
              {"releasing one of two held modifiers commits",
               {swallowed(tabKey, cmd | ctrl), flagsTo(cmd)},
               {"open(confined:false)", "commit"},
               withSwitcher(KeyBind{tabKey, cmd | ctrl})},
              {"shift held at opening does not step back",
               {swallowed(tabKey, cmd | shift), flagsTo(cmd | shift), flagsTo(cmd),
                flagsTo(cmd | shift)},
               {"open(confined:false)", "step(-)"}},
              {"a confined opening commits when option is released",
               {swallowed(tabKey, opt), swallowed(tabKey, opt), flagsTo(0)},
               {"open(confined:true)", "step(+)", "commit"}},
              {"tab steps while filtering whatever the binding's key; the hold key types",
               {swallowed(49, ctrl), swallowed(3, ctrl | cmd), swallowed(tabKey, ctrl),
                swallowed(tabKey, ctrl | shift), swallowed(49, ctrl, " ")},
               {"open(confined:false)", "beginFilter", "step(+)", "step(-)", "type( )"},
               withSwitcher(KeyBind{49, ctrl})},
          });
}

TEST_F(HotkeysDecision, Filtering) {
    check({swallowed(tabKey, cmd), swallowed(3, cmd)}, {"open(confined:false)", "beginFilter"},
          {
              {"tab steps forward, and back with shift",
               {swallowed(tabKey, cmd), swallowed(tabKey, cmd | shift)},
               {"step(+)", "step(-)"}},
              {"delete removes a character", {swallowed(51, cmd)}, {"backspace"}},
              {"escape leaves filtering and closes; a new session does not filter",
               {swallowed(escapeKey, cmd), swallowed(tabKey, cmd), passed(letterA, cmd, "a")},
               {"cancel", "open(confined:false)"}},
              {"printable text is typed, even on Q, W, digits and arrows",
               {swallowed(letterA, cmd, "a"), swallowed(12, cmd, "q"), swallowed(13, cmd, "w"),
                swallowed(23, cmd, "5"), swallowed(123, cmd, "é")},
               {"type(a)", "type(q)", "type(w)", "type(5)", "type(é)"}},
              {"control characters and empty text are swallowed without command",
               {swallowed(letterA, cmd | ctrl, "\x01"), swallowed(117, cmd, "\x7f"),
                swallowed(36, cmd, "\r"), swallowed(letterA, cmd, "ab\x1f"), swallowed(125, cmd)},
               {}},
              {"text is cut to four UTF-16 units",
               {swallowed(letterA, cmd, "abcdef"), swallowed(letterA, cmd, "😀😀😀"),
                swallowed(letterA, cmd, "abc😀"), swallowed(letterA, cmd, "abcd\x01")},
               {"type(abcd)", "type(😀😀)", "type(abc)", "type(abcd)"}},
              {"invalid UTF-8 is swallowed without command",
               {swallowed(letterA, cmd, "\xff"), swallowed(letterA, cmd, "a\xc3"),
                swallowed(letterA, cmd, "\xc0\xaf"), swallowed(letterA, cmd, "\xed\xa0\x80"),
                swallowed(letterA, cmd, "\xf4\x90\x80\x80")},
               {}},
              {"the held modifier is not tested on key down",
               {swallowed(letterA, 0, "a")},
               {"type(a)"}},
              {"releasing the held modifier still commits",
               {flagsTo(cmd | shift), flagsTo(0)},
               {"step(-)", "commit"}},
          });
}

TEST_F(HotkeysDecision, RecordingPassesEverythingEvenWhileOpen) {
    hotkeys->recording(true);
    EXPECT_EQ(press(tabKey, cmd), Verdict::pass);
    EXPECT_EQ(press(tabKey, opt), Verdict::pass);
    EXPECT_EQ(press(escapeKey, cmd), Verdict::pass);
    hotkeys->recording(false);
    openWithCommandTab();
    hotkeys->recording(true);
    EXPECT_EQ(press(tabKey, cmd), Verdict::pass);
    EXPECT_EQ(flags(0), Verdict::pass);
    EXPECT_EQ(calls(), Calls{});
}

TEST_F(HotkeysDecision, TheSourceIsToldWhenTheSwitcherOpensAndCloses) {
    openWithCommandTab();
    flags(0);
    EXPECT_EQ(calls(), Calls{"commit"});
    openWithCommandTab();
    press(escapeKey, cmd);
    EXPECT_EQ(calls(), Calls{"cancel"});
    openWithCommandTab();
    EXPECT_EQ(source->openHints(), (std::vector<bool>{true, false, true, false, true}));

    // Closed by the main thread: no commit follows and the next ⌘Tab opens afresh.
    hotkeys->notifySwitcherClosed();
    EXPECT_EQ(source->openHints().back(), false);
    EXPECT_EQ(flags(0), Verdict::pass);
    EXPECT_EQ(calls(), Calls{}) << "no commit after the switcher closed on its own";
    openWithCommandTab();
}

TEST_F(HotkeysDecision, EscapeIsSwallowedEvenAfterMainClearedOpen) {
    openWithCommandTab();
    // The decision took its snapshot while open; the main thread closes before it acts.
    Hotkeys::Snapshot taken{false,
                            true,
                            {config.bindings.at(HotkeyAction::switcher),
                             config.bindings.at(HotkeyAction::switcherConfined)}};
    hotkeys->notifySwitcherClosed();
    EXPECT_EQ(hotkeys->decide(FakeKeySource::keyDown(escapeKey, cmd), taken), Verdict::swallow);
    EXPECT_EQ(calls(), Calls{}) << "the switcher already closed: no second cancel";
}

} // namespace
} // namespace morvelan
