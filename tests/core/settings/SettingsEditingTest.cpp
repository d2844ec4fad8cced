// Settings model: the context editor's operations — name, colour, workspace, rules and their
// conditions, rule previews, pinned windows.
#include "core/settings/SettingsKit.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

class SettingsEditingTest : public ::testing::Test, protected SettingsKit {
protected:
    void SetUp() override {
        store.load();
        ctx = addContext("Writing");
        model();
        queue.drain();
        files.writes = 0;
        announced = 0;
        subscription = model().observe([this] { ++announced; });
    }

    // Whether the last edit was saved once and announced once.
    void expectSavedAndAnnounced() {
        queue.drain();
        EXPECT_EQ(files.writes, 1);
        EXPECT_EQ(announced, 1);
        files.writes = 0;
        announced = 0;
    }

    ContextPtr ctx;
    int announced = 0;
    Subscription subscription;
};

TEST_F(SettingsEditingTest, NameColourAndWorkspaceAreWrittenSavedAndAnnounced) {
    model().setName(ctx->id, "Deep work");
    EXPECT_EQ(ctx->name, "Deep work");
    expectSavedAndAnnounced();

    model().setColor(ctx->id, Color{1.0, 0.5, 0.0, 1.0});
    EXPECT_EQ(ctx->colorHex, "#FF8000");
    expectSavedAndAnnounced();

    Uuid other = addWorkspace("Other");
    model().setWorkspace(ctx->id, other);
    EXPECT_EQ(ctx->workspaceID, other);
    EXPECT_NE(file("contexts.json").find(other.str()), std::string::npos);
}

TEST_F(SettingsEditingTest, AContextCannotBeMovedToAWorkspaceThatDoesNotExist) {
    auto before = ctx->workspaceID;
    model().setWorkspace(ctx->id, Uuid::random());
    EXPECT_EQ(ctx->workspaceID, before);
    queue.drain();
    EXPECT_EQ(files.writes, 0);
}

TEST_F(SettingsEditingTest, AnUnreadableColourShowsAsSystemBlue) {
    ctx->colorHex = "teal";
    EXPECT_EQ(SettingsModel::colorOf(*ctx), systemBlue);
    ctx->colorHex = "#138A80";
    EXPECT_EQ(hexFromColor(SettingsModel::colorOf(*ctx)), "#138A80");
}

TEST_F(SettingsEditingTest, EditsOfAnUnknownContextChangeNothing) {
    Uuid ghost = Uuid::random();
    model().setName(ghost, "x");
    model().addRule(ghost, false);
    model().clearPins(ghost);
    model().askClearPins(ghost);
    model().askRemoveRule(ghost, 0);
    queue.drain();
    EXPECT_EQ(files.writes, 0);
    EXPECT_EQ(announced, 0);
    EXPECT_TRUE(alerts.shown.empty());
}

// --- Rules
// -------------------------------------------------------------------------------------------

TEST_F(SettingsEditingTest, ANewRuleHasOneEmptyApplicationNameCondition) {
    model().addRule(ctx->id, true);
    ASSERT_EQ(ctx->rules.size(), 1u);
    EXPECT_TRUE(ctx->rules[0].exclude);
    EXPECT_EQ(ctx->rules[0].clauses,
              std::vector<Condition>{(Condition{RuleField::appName, RuleOp::contains, ""})});
    expectSavedAndAnnounced();
}

TEST_F(SettingsEditingTest, ConditionsAreAddedAndChangedInPlace) {
    model().addRule(ctx->id, false);
    model().addCondition(ctx->id, 0);
    model().setCondition(ctx->id, 0, 1, Condition{RuleField::title, RuleOp::contains, "draft"});
    ASSERT_EQ(ctx->rules[0].clauses.size(), 2u);
    EXPECT_EQ(ctx->rules[0].clauses[1].value, "draft");
    EXPECT_EQ(ctx->rules[0].clauses[1].field, RuleField::title);
    // Out-of-range positions are ignored.
    model().setCondition(ctx->id, 0, 5, Condition{});
    model().setCondition(ctx->id, 3, 0, Condition{});
    model().addCondition(ctx->id, 3);
    EXPECT_EQ(ctx->rules.size(), 1u);
    EXPECT_EQ(ctx->rules[0].clauses.size(), 2u);
}

TEST_F(SettingsEditingTest, RemovingTheOnlyConditionRemovesTheRule) {
    model().addRule(ctx->id, false);
    model().addRule(ctx->id, true);
    model().addCondition(ctx->id, 0);
    model().removeCondition(ctx->id, 0, 0);
    ASSERT_EQ(ctx->rules.size(), 2u); // one condition left
    model().removeCondition(ctx->id, 0, 0);
    ASSERT_EQ(ctx->rules.size(), 1u);
    EXPECT_TRUE(ctx->rules[0].exclude); // the other rule stays
}

TEST_F(SettingsEditingTest, AnInvalidPatternIsStoredButMarked) {
    model().addRule(ctx->id, false);
    Condition broken{RuleField::title, RuleOp::regex, "(unclosed"};
    model().setCondition(ctx->id, 0, 0, broken);
    EXPECT_EQ(ctx->rules[0].clauses[0], broken);
    EXPECT_NE(file("contexts.json").find("(unclosed"), std::string::npos);
    EXPECT_FALSE(SettingsModel::patternValid(broken));
    EXPECT_TRUE(SettingsModel::patternValid(Condition{RuleField::title, RuleOp::regex, "^a.*"}));
    // Only regexes are checked: the same text as a plain value is fine.
    EXPECT_TRUE(
        SettingsModel::patternValid(Condition{RuleField::title, RuleOp::contains, "(unclosed"}));
}

TEST_F(SettingsEditingTest, RemovingARuleAsksFirst) {
    model().addRule(ctx->id, false);
    alerts.answers = {1, 0};
    model().askRemoveRule(ctx->id, 0);
    ASSERT_EQ(ctx->rules.size(), 1u);
    model().askRemoveRule(ctx->id, 0);
    EXPECT_TRUE(ctx->rules.empty());
    ASSERT_EQ(alerts.shown.size(), 2u);
    EXPECT_EQ(alerts.shown[0].title, "Remove this rule?");
    EXPECT_EQ(alerts.shown[0].buttons, (std::vector<std::string>{"Remove rule", "Cancel"}));
}

TEST_F(SettingsEditingTest, RuleMatchesAreTheLiveWindowsTheRuleAloneMatches) {
    desktop.addWindow(editor, 11, "draft one");
    desktop.addWindow(editor, 12, "final");
    desktop.addWindow(browser, 21, "draft news");
    Rule r = rule(RuleField::title, RuleOp::contains, "draft");
    EXPECT_EQ(titlesOf(model().ruleMatches(r)),
              (std::vector<std::string>{"draft one", "draft news"}));
    r.clauses.push_back(Condition{RuleField::appName, RuleOp::equals, "Browser"});
    EXPECT_EQ(titlesOf(model().ruleMatches(r)), std::vector<std::string>{"draft news"});
    // An exclude rule previews the windows it blocks the same way.
    r.exclude = true;
    EXPECT_EQ(model().ruleMatches(r).size(), 1u);
    EXPECT_TRUE(model().ruleMatches(rule(RuleField::title, RuleOp::contains, "")).empty());
}

TEST_F(SettingsEditingTest, AnExcludeOnlyContextHasNoIncludeRules) {
    model().addRule(ctx->id, true);
    desktop.addWindow(editor, 11, "notes");
    ctx->rules[0].clauses[0].value = "Editor";
    int includes = 0;
    for (const Rule& r : ctx->rules)
        includes += r.exclude ? 0 : 1;
    EXPECT_EQ(includes, 0);
    EXPECT_TRUE(model().matchingWindows(*ctx, model().windows()).empty());
    EXPECT_EQ(model().ruleMatches(ctx->rules[0]).size(), 1u); // it blocks the window
}

// --- Pinned windows
// ----------------------------------------------------------------------------------

TEST_F(SettingsEditingTest, PinnedWindowsAreTheLiveWindowsAWindowOrApplicationPinNames) {
    desktop.addWindow(editor, 11, "notes");
    desktop.addWindow(editor, 12, "todo");
    desktop.addWindow(browser, 21, "news");
    desktop.addWindow(browser, 22, "mail");
    ctx->members = {
        WinRef{"org.editor", "todo", false, std::nullopt}, // by title
        WinRef{"org.browser", "", true, std::nullopt},     // the whole application
    };
    // A rule match is not a pin.
    ctx->rules = {rule(RuleField::title, RuleOp::equals, "notes")};
    EXPECT_EQ(titlesOf(model().pinnedWindows(*ctx)),
              (std::vector<std::string>{"todo", "news", "mail"}));
}

TEST_F(SettingsEditingTest, UnpinRemovesEveryWindowPinNamingTheWindowButNoApplicationPin) {
    desktop.addWindow(editor, 11, "notes");
    const Win notes = model().windows()[0];
    ctx->members = {
        WinRef{"org.editor", "old title", false, 11u}, // by id
        WinRef{"org.editor", "notes", false, 99u},     // by title
        WinRef{"org.editor", "", true, std::nullopt},  // application pin stays
        WinRef{"org.editor", "other", false, 12u},     // another window
        WinRef{"org.browser", "notes", false, 11u},    // another application
    };
    model().unpin(ctx->id, notes);
    EXPECT_EQ(ctx->members, (std::vector<WinRef>{
                                WinRef{"org.editor", "", true, std::nullopt},
                                WinRef{"org.editor", "other", false, 12u},
                                WinRef{"org.browser", "notes", false, 11u},
                            }));
    expectSavedAndAnnounced();
}

TEST_F(SettingsEditingTest, UnpinOfAnUntitledWindowWithoutIdMatchesNothingByAccident) {
    Win untitled{editor, "org.editor", "Editor", "", 0, nullptr};
    ctx->members = {WinRef{"org.editor", "", false, std::nullopt}};
    model().unpin(ctx->id, untitled);
    EXPECT_EQ(ctx->members.size(), 1u);
    queue.drain();
    EXPECT_EQ(files.writes, 0);
}

TEST_F(SettingsEditingTest, ClearingPinsAsksAndEmptiesThePins) {
    ctx->members = {WinRef{"org.editor", "notes", false, 11u}, WinRef{"org.browser", "", true, {}}};
    alerts.answers = {1, 0};
    model().askClearPins(ctx->id);
    EXPECT_EQ(ctx->members.size(), 2u);
    model().askClearPins(ctx->id);
    EXPECT_TRUE(ctx->members.empty());
    ASSERT_EQ(alerts.shown.size(), 2u);
    EXPECT_EQ(alerts.shown[0].title, "Remove all pinned windows?");
    EXPECT_EQ(alerts.shown[0].buttons, (std::vector<std::string>{"Clear pins", "Cancel"}));
    expectSavedAndAnnounced();
}

} // namespace
} // namespace morvelan
