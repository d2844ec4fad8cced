// The membership test of windows in contexts, and the matching-pin test.
#include "core/model/Membership.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

Win window(std::string bundleID, std::string appName, std::string title, WindowID wid) {
    return Win{.pid = 100, .bundleID = bundleID, .appName = appName, .title = title, .wid = wid};
}

WinRef windowPin(std::string bundleID, std::string title, std::optional<WindowID> wid) {
    return WinRef{std::move(bundleID), std::move(title), false, wid};
}

WinRef appPin(std::string bundleID) {
    return WinRef{std::move(bundleID), "", true, {}};
}

Rule rule(RuleField field, RuleOp op, std::string value, bool exclude = false) {
    Rule r;
    r.clauses = {Condition{field, op, std::move(value)}};
    r.exclude = exclude;
    return r;
}

class Membership : public ::testing::Test {
protected:
    // Both tests at once: whether the context claims the window and whether a pin names it.
    void expectClaim(const Win& w, const WidSet& live, bool belongs, bool pins) {
        EXPECT_EQ(morvelan::belongs(w, context, live), belongs);
        EXPECT_EQ(morvelan::pins(context, w, live), pins);
    }

    Context context;
    Win editor = window("org.gnome.TextEditor", "Text Editor", "notes.txt", 0x400001);
    Win other = window("org.gnome.TextEditor", "Text Editor", "notes.txt", 0x400002);
    WidSet noScan;
    WidSet bothLive{editor.wid, other.wid};
};

TEST_F(Membership, WindowPinsNameTheirWindowByIdElseByExactTitle) {
    expectClaim(editor, noScan, false, false); // an empty context claims nothing

    // By id, surviving a title change.
    context.members = {windowPin(editor.bundleID, "old title", editor.wid)};
    expectClaim(editor, bothLive, true, true);

    // A pin naming another live window does not take its title twin, until that one is gone.
    context.members = {windowPin(editor.bundleID, "notes.txt", editor.wid)};
    expectClaim(other, bothLive, false, false);
    expectClaim(other, WidSet{other.wid}, true, true);

    // Later pins are tried after one names another window.
    context.members = {windowPin(editor.bundleID, "notes.txt", other.wid),
                       windowPin(editor.bundleID, "x", editor.wid)};
    expectClaim(editor, bothLive, true, true);

    // Before the first scan a pin falls back to the title.
    context.members = {windowPin(editor.bundleID, "notes.txt", 0x999)};
    expectClaim(editor, noScan, true, true);

    // A stale pin with an empty title never matches.
    context.members = {windowPin(editor.bundleID, "", 0x999)};
    Win untitled = window(editor.bundleID, editor.appName, "", editor.wid);
    expectClaim(untitled, WidSet{untitled.wid}, false, false);
    expectClaim(untitled, noScan, false, false);

    // A zero id counts as absent.
    context.members = {windowPin(editor.bundleID, "notes.txt", 0)};
    EXPECT_FALSE(belongs(window(editor.bundleID, editor.appName, "other", 0), context, WidSet{0}));
    EXPECT_TRUE(belongs(editor, context, WidSet{0, editor.wid}));

    // Titles and bundle ids compare exactly.
    for (const WinRef& ref : {windowPin(editor.bundleID, "Notes.txt", std::nullopt),
                              windowPin("org.gnome.texteditor", "notes.txt", std::nullopt),
                              appPin("org.gnome.texteditor")}) {
        context.members = {ref};
        expectClaim(editor, noScan, false, false);
    }
}

TEST_F(Membership, WindowPinThenExcludeRulesThenAppPinsThenIncludeRulesThenLegacyText) {
    // An exclude rule beats an app pin and an include rule; the app pin still counts as a
    // matching pin for focus following.
    context.members = {appPin(editor.bundleID)};
    context.rules = {rule(RuleField::appName, RuleOp::contains, "editor"),
                     rule(RuleField::title, RuleOp::contains, ".TXT", true)};
    expectClaim(editor, noScan, false, true);
    expectClaim(window(editor.bundleID, editor.appName, "readme.md", 3), noScan, true, true);

    // A window pin beats an exclude rule.
    context.members = {windowPin(editor.bundleID, "notes.txt", editor.wid)};
    EXPECT_TRUE(belongs(editor, context, WidSet{editor.wid}));

    // An app pin matches every window of its application; an empty exclude excludes nothing.
    context.members = {appPin(editor.bundleID)};
    context.rules = {rule(RuleField::title, RuleOp::equals, "", true)};
    EXPECT_TRUE(belongs(editor, context, noScan));
    EXPECT_TRUE(belongs(other, context, WidSet{editor.wid}));
    EXPECT_FALSE(belongs(window("org.kde.konsole", "Konsole", "notes.txt", 9), context, noScan));

    // Include rules are alternatives and never make a pin.
    context.members.clear();
    context.rules = {rule(RuleField::appName, RuleOp::equals, "Firefox"),
                     rule(RuleField::bundleID, RuleOp::regex, "texteditor$")};
    expectClaim(editor, noScan, true, false);
    EXPECT_FALSE(belongs(window("org.kde.konsole", "Konsole", "~", 7), context, noScan));

    // The legacy text is the last resort, and an exclude rule still beats it.
    context.rules.clear();
    context.match = "EDITOR NOTES";
    EXPECT_TRUE(belongs(window("a", "Text Editor", "Notes", 1), context, noScan));
    EXPECT_FALSE(belongs(window("a", "Text Editor", "Todo", 1), context, noScan));
    context.rules = {rule(RuleField::title, RuleOp::contains, "notes", true)};
    EXPECT_FALSE(belongs(window("a", "Text Editor", "Notes", 1), context, noScan));
}

TEST(LegacyMatch, LowerCasedTextInNameAndTitleJoinedByOneSpace) {
    Context context;
    EXPECT_FALSE(context.matches("App", "Title"));
    context.match = "";
    EXPECT_FALSE(context.matches("App", "Title"));
    EXPECT_FALSE(context.matches("", ""));
    context.match = "  ";
    EXPECT_FALSE(context.matches("App", "Title"));
    EXPECT_TRUE(context.matches("App ", "Title"));
    EXPECT_TRUE(context.matches("App", " Title"));
    context.match = "p t";
    EXPECT_TRUE(context.matches("APP", "TITLE"));
    context.match = "ÄRGER";
    EXPECT_TRUE(context.matches("Mail", "viel ärger heute"));
    context.match = "straße";
    EXPECT_FALSE(context.matches("", "STRASSE")); // lower-casing, not case folding
}

} // namespace
} // namespace morvelan
