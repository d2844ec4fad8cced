// Membership: which window a pin names, and the order in which a context claims a window.
#include "core/model/Membership.h"

#include <gtest/gtest.h>

#include <tuple>

namespace morvelan {
namespace {

const std::string editor = "org.gnome.TextEditor";

Win win(std::string title, WindowID wid = 1, std::string app = editor) {
    return Win{.pid = 100, .bundleID = app, .appName = "Text Editor", .title = title, .wid = wid};
}
WinRef pin(std::string title, std::optional<WindowID> wid, std::string app = editor) {
    return WinRef{std::move(app), std::move(title), false, wid};
}
Context context(std::vector<WinRef> members, std::vector<Rule> rules,
                std::optional<std::string> match = {}) {
    return Context{.members = members, .match = match, .rules = rules};
}

TEST(Membership, AWindowPinNamesTheWindowOfItsLiveIdElseOfItsExactTitle) {
    const std::tuple<bool, WinRef, Win, WidSet, const char*> cases[] = {
        {true, pin("old", 1), win("notes"), {1, 2}, "its id, whatever the title"},
        {false, pin("notes", 1), win("notes", 2), {1, 2}, "no title twin while its id lives"},
        {true, pin("notes", 1), win("notes", 2), {2}, "the title twin once its id is gone"},
        {true, pin("notes", 9), win("notes"), {}, "by title before the first reading"},
        {true, pin("notes", 0), win("notes"), {0, 1}, "a zero id counts as absent"},
        {false, pin("notes", 0), win("x", 0), {0}, "a zero id names nothing by id"},
        {false, pin("", 9), win(""), {1}, "never by an empty title"},
        {false, pin("", std::nullopt), win("", 0), {}, "nor an untitled window without id"},
        {false, pin("Notes", std::nullopt), win("notes"), {}, "titles compare exactly"},
        {false, pin("notes", 1, "org.gnome.texteditor"), win("notes"), {1}, "app ids exactly"},
        {false, pin("notes", 1, "org.browser"), win("notes"), {1}, "only its application's"},
        {false, WinRef{editor, "", true, {}}, win(""), {1}, "an app pin names no one window"},
    };
    for (const auto& [names, p, window, live, what] : cases)
        EXPECT_EQ(pinNames(p, window, live), names) << what;
}

TEST(Membership, WindowPinsThenExcludeRulesThenAppPinsThenIncludeRulesThenLegacyText) {
    const Rule ex{{{RuleField::title, RuleOp::contains, ".TXT"}}, true};
    const Rule in{{{RuleField::appName, RuleOp::contains, "editor"}}};
    const Rule firefox{{{RuleField::appName, RuleOp::equals, "Firefox"}}};
    const Rule byId{{{RuleField::bundleID, RuleOp::regex, "texteditor$"}}};
    const WinRef app{editor, "", true, {}};
    const WinRef otherApp{"org.gnome.texteditor", "", true, {}};
    const std::tuple<bool, bool, Context, Win, const char*> cases[] = {
        {false, false, context({}, {}), win("a.txt"), "an empty context claims nothing"},
        {true, true, context({pin("a.txt", 1)}, {ex}), win("a.txt"), "a window pin beats all"},
        {true, true, context({pin("a", 2), pin("x", 1)}, {}), win("a"), "every pin is tried"},
        {false, true, context({app}, {ex}), win("a.txt"), "an exclude beats an app pin"},
        {true, true, context({app}, {ex}), win("b.md", 7), "an app pin claims all its windows"},
        {false, false, context({otherApp}, {}), win("a"), "and only its application's"},
        {false, false, context({}, {in, ex}), win("a.txt"), "an exclude beats an include"},
        {true, false, context({}, {firefox, byId}), win("a"), "include rules are alternatives"},
        {false, false, context({}, {ex}), win("a.md"), "an exclude-only context claims none"},
        {true, false, context({}, {}, "EDITOR NOTES"), win("Notes"), "legacy: name + title"},
        {true, false, context({}, {}, "ÄRGER"), win("viel ärger"), "legacy: lower-cased"},
        {false, false, context({}, {}, "editor notes"), win("Todo"), "legacy: must be found"},
        {false, false, context({}, {ex}, "editor"), win("a.txt"), "an exclude beats legacy"},
        {false, false, context({}, {}, ""), win(""), "an empty legacy text matches nothing"},
    };
    for (const auto& [belongs, pins, context, window, what] : cases) {
        EXPECT_EQ(morvelan::belongs(window, context, WidSet{1, 2}), belongs) << what;
        EXPECT_EQ(morvelan::pins(context, window, WidSet{1, 2}), pins) << what;
    }
}

} // namespace
} // namespace morvelan
