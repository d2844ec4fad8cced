// The membership test of windows in contexts, and the matching-pin test.
#include "core/model/Membership.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

Win window(std::string bundleID, std::string appName, std::string title, WindowID wid) {
    Win w;
    w.pid = 100;
    w.bundleID = std::move(bundleID);
    w.appName = std::move(appName);
    w.title = std::move(title);
    w.wid = wid;
    return w;
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
    Context context;
    Win editor = window("org.gnome.TextEditor", "Text Editor", "notes.txt", 0x400001);
    Win other = window("org.gnome.TextEditor", "Text Editor", "notes.txt", 0x400002);
    WidSet noScan;
};

TEST_F(Membership, EmptyContextClaimsNothing) {
    EXPECT_FALSE(belongs(editor, context, noScan));
    EXPECT_FALSE(pins(context, editor, noScan));
}

TEST_F(Membership, PinByIdSurvivesATitleChange) {
    context.members = {windowPin(editor.bundleID, "old title", editor.wid)};
    WidSet live{editor.wid, other.wid};
    EXPECT_TRUE(belongs(editor, context, live));
    EXPECT_TRUE(pins(context, editor, live));
}

TEST_F(Membership, PinNamingAnotherLiveWindowDoesNotTakeATitleTwin) {
    context.members = {windowPin(editor.bundleID, "notes.txt", editor.wid)};
    WidSet live{editor.wid, other.wid};
    EXPECT_FALSE(belongs(other, context, live));
    EXPECT_FALSE(pins(context, other, live));

    // Once the pinned window is gone, the title finds the twin.
    WidSet afterClose{other.wid};
    EXPECT_TRUE(belongs(other, context, afterClose));
    EXPECT_TRUE(pins(context, other, afterClose));
}

TEST_F(Membership, BeforeTheFirstScanAPinFallsBackToTheTitle) {
    context.members = {windowPin(editor.bundleID, "notes.txt", 0x999)};
    EXPECT_TRUE(belongs(editor, context, noScan));
    EXPECT_TRUE(pins(context, editor, noScan));
}

TEST_F(Membership, StalePinWithEmptyTitleNeverMatches) {
    context.members = {windowPin(editor.bundleID, "", 0x999)};
    Win untitled = window(editor.bundleID, editor.appName, "", editor.wid);
    EXPECT_FALSE(belongs(untitled, context, WidSet{untitled.wid}));
    EXPECT_FALSE(belongs(untitled, context, noScan));
    EXPECT_FALSE(pins(context, untitled, noScan));
}

TEST_F(Membership, ZeroIdCountsAsAbsent) {
    context.members = {windowPin(editor.bundleID, "notes.txt", 0)};
    Win unknown = window(editor.bundleID, editor.appName, "other", 0);
    EXPECT_FALSE(belongs(unknown, context, WidSet{0}));
    EXPECT_TRUE(belongs(editor, context, WidSet{0, editor.wid}));
}

TEST_F(Membership, PinsCompareExactly) {
    context.members = {windowPin(editor.bundleID, "Notes.txt", std::nullopt)};
    EXPECT_FALSE(belongs(editor, context, noScan));
    context.members = {windowPin("org.gnome.texteditor", "notes.txt", std::nullopt)};
    EXPECT_FALSE(belongs(editor, context, noScan));
    context.members = {appPin("org.gnome.texteditor")};
    EXPECT_FALSE(belongs(editor, context, noScan));
}

TEST_F(Membership, LaterPinsAreTriedAfterOneNamesAnotherWindow) {
    context.members = {windowPin(editor.bundleID, "notes.txt", other.wid),
                       windowPin(editor.bundleID, "x", editor.wid)};
    WidSet live{editor.wid, other.wid};
    EXPECT_TRUE(belongs(editor, context, live));
    EXPECT_TRUE(pins(context, editor, live));
}

TEST_F(Membership, ExcludeRuleBeatsAppPinAndIncludeRule) {
    context.members = {appPin(editor.bundleID)};
    context.rules = {rule(RuleField::appName, RuleOp::contains, "editor"),
                     rule(RuleField::title, RuleOp::contains, ".TXT", true)};
    EXPECT_FALSE(belongs(editor, context, noScan));
    // The app pin still counts as a matching pin for focus following.
    EXPECT_TRUE(pins(context, editor, noScan));

    Win markdown = window(editor.bundleID, editor.appName, "readme.md", 0x400003);
    EXPECT_TRUE(belongs(markdown, context, noScan));
}

TEST_F(Membership, WindowPinBeatsExcludeRule) {
    context.members = {windowPin(editor.bundleID, "notes.txt", editor.wid)};
    context.rules = {rule(RuleField::title, RuleOp::contains, "notes", true)};
    EXPECT_TRUE(belongs(editor, context, WidSet{editor.wid}));
}

TEST_F(Membership, EmptyExcludeRuleExcludesNothing) {
    context.members = {appPin(editor.bundleID)};
    context.rules = {rule(RuleField::title, RuleOp::equals, "", true)};
    EXPECT_TRUE(belongs(editor, context, noScan));
}

TEST_F(Membership, IncludeRulesAreAlternatives) {
    context.rules = {rule(RuleField::appName, RuleOp::equals, "Firefox"),
                     rule(RuleField::bundleID, RuleOp::regex, "texteditor$")};
    EXPECT_TRUE(belongs(editor, context, noScan));
    EXPECT_FALSE(belongs(window("org.kde.konsole", "Konsole", "~", 7), context, noScan));
    // Rules never make a pin.
    EXPECT_FALSE(pins(context, editor, noScan));
}

TEST_F(Membership, AppPinMatchesEveryWindowOfItsApplication) {
    context.members = {appPin(editor.bundleID)};
    EXPECT_TRUE(belongs(editor, context, noScan));
    EXPECT_TRUE(belongs(other, context, WidSet{editor.wid}));
    EXPECT_FALSE(belongs(window("org.kde.konsole", "Konsole", "notes.txt", 9), context, noScan));
}

TEST_F(Membership, LegacyMatchIsTheLastResort) {
    context.match = "EDITOR NOTES";
    EXPECT_TRUE(belongs(window("a", "Text Editor", "Notes", 1), context, noScan));
    EXPECT_FALSE(belongs(window("a", "Text Editor", "Todo", 1), context, noScan));
    context.rules = {rule(RuleField::title, RuleOp::contains, "notes", true)};
    EXPECT_FALSE(belongs(window("a", "Text Editor", "Notes", 1), context, noScan));
}

TEST(LegacyMatch, AbsentOrEmptyMatchesNothing) {
    Context context;
    EXPECT_FALSE(context.matches("App", "Title"));
    context.match = "";
    EXPECT_FALSE(context.matches("App", "Title"));
    EXPECT_FALSE(context.matches("", ""));
}

TEST(LegacyMatch, JoinsNameAndTitleWithOneSpace) {
    Context context;
    context.match = "  ";
    EXPECT_FALSE(context.matches("App", "Title"));
    EXPECT_TRUE(context.matches("App ", "Title"));
    EXPECT_TRUE(context.matches("App", " Title"));
    context.match = "p t";
    EXPECT_TRUE(context.matches("APP", "TITLE"));
}

TEST(LegacyMatch, LowerCasesUnicode) {
    Context context;
    context.match = "ÄRGER";
    EXPECT_TRUE(context.matches("Mail", "viel ärger heute"));
    context.match = "straße";
    EXPECT_FALSE(context.matches("", "STRASSE")); // lower-casing, not case folding
}

TEST(MakeContext, StartsEmptyWithAFreshId) {
    Uuid workspace = Uuid::random();
    ContextPtr a = makeContext("Work", "#FF6B6B");
    ContextPtr b = makeContext("Home", "#4ECDC4", workspace);
    EXPECT_NE(a->id, b->id);
    EXPECT_EQ(a->name, "Work");
    EXPECT_EQ(a->colorHex, "#FF6B6B");
    EXPECT_TRUE(a->members.empty());
    EXPECT_TRUE(a->rules.empty());
    EXPECT_FALSE(a->match);
    EXPECT_FALSE(a->workspaceID);
    EXPECT_EQ(b->workspaceID, workspace);
}

} // namespace
} // namespace morvelan
