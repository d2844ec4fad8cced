// Settings model: the context editor's operations — name, colour, workspace, rules and their
// conditions, rule previews, pinned windows.
#include "core/settings/SettingsKit.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

using Names = std::vector<std::string>;

class SettingsEditingTest : public ::testing::Test, protected SettingsKit {
protected:
    void SetUp() override {
        store.load();
        ctx = addContext("Writing");
        model();
        queue.drain();
        files.writes = 0;
        subscription = model().observe([this] { ++announced; });
    }

    // Whether the edits since the last call were saved, and announced once, `times` times.
    void expectSavedAndAnnounced(int times = 1) {
        queue.drain();
        EXPECT_EQ(files.writes, times);
        EXPECT_EQ(announced, times ? 1 : 0);
        files.writes = 0;
        announced = 0;
    }

    ContextPtr ctx;
    int announced = 0;
    Subscription subscription;
};

TEST_F(SettingsEditingTest, NameColourAndKnownWorkspaceAreWrittenSavedAndAnnounced) {
    model().setName(ctx->id, "Deep work");
    EXPECT_EQ(ctx->name, "Deep work");
    expectSavedAndAnnounced();
    model().setColor(ctx->id, Color{1.0, 0.5, 0.0, 1.0});
    EXPECT_EQ(ctx->colorHex, "#FF8000");
    expectSavedAndAnnounced();
    EXPECT_EQ(hexFromColor(SettingsModel::colorOf(*ctx)), "#FF8000");
    ctx->colorHex = "teal"; // unreadable: shown as system blue
    EXPECT_EQ(SettingsModel::colorOf(*ctx), systemBlue);

    auto before = ctx->workspaceID;
    model().setWorkspace(ctx->id, Uuid::random());
    EXPECT_EQ(ctx->workspaceID, before) << "no such workspace";
    expectSavedAndAnnounced(0);
    Uuid other = addWorkspace("Other");
    model().setWorkspace(ctx->id, other);
    EXPECT_EQ(ctx->workspaceID, other);
    EXPECT_NE(file("contexts.json").find(other.str()), std::string::npos);
}

TEST_F(SettingsEditingTest, EditsOfAnUnknownContextChangeNothing) {
    Uuid ghost = Uuid::random();
    model().setName(ghost, "x");
    model().addRule(ghost, false);
    model().clearPins(ghost);
    model().askClearPins(ghost);
    model().askRemoveRule(ghost, 0);
    expectSavedAndAnnounced(0);
    EXPECT_TRUE(alerts.shown.empty());
}

// --- Rules -------------------------------------------------------------------------------------

TEST_F(SettingsEditingTest, RulesStartWithOneEmptyConditionAndGoWithTheirLastCondition) {
    model().addRule(ctx->id, true);
    ASSERT_EQ(ctx->rules.size(), 1u);
    EXPECT_TRUE(ctx->rules[0].exclude);
    EXPECT_EQ(ctx->rules[0].clauses,
              std::vector<Condition>{(Condition{RuleField::appName, RuleOp::contains, ""})});
    expectSavedAndAnnounced();

    model().addRule(ctx->id, false);
    model().addCondition(ctx->id, 1);
    model().setCondition(ctx->id, 1, 1, Condition{RuleField::title, RuleOp::contains, "draft"});
    ASSERT_EQ(ctx->rules[1].clauses.size(), 2u);
    EXPECT_EQ(ctx->rules[1].clauses[1], (Condition{RuleField::title, RuleOp::contains, "draft"}));
    expectSavedAndAnnounced(3);
    // Out-of-range positions are ignored.
    model().setCondition(ctx->id, 1, 5, Condition{});
    model().setCondition(ctx->id, 3, 0, Condition{});
    model().addCondition(ctx->id, 3);
    model().removeCondition(ctx->id, 1, 7);
    expectSavedAndAnnounced(0);

    model().removeCondition(ctx->id, 1, 0);
    ASSERT_EQ(ctx->rules.size(), 2u) << "one condition left";
    model().removeCondition(ctx->id, 1, 0);
    ASSERT_EQ(ctx->rules.size(), 1u);
    EXPECT_TRUE(ctx->rules[0].exclude) << "the other rule stays";
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

TEST_F(SettingsEditingTest, RemovingARuleOrClearingPinsAsksFirst) {
    model().addRule(ctx->id, false);
    ctx->members = {WinRef{"org.editor", "notes", false, 11u}, WinRef{"org.browser", "", true, {}}};
    expectSavedAndAnnounced();
    alerts.answers = {1, 0, 1, 0};
    model().askRemoveRule(ctx->id, 0);
    ASSERT_EQ(ctx->rules.size(), 1u);
    model().askRemoveRule(ctx->id, 0);
    EXPECT_TRUE(ctx->rules.empty());
    model().askClearPins(ctx->id);
    EXPECT_EQ(ctx->members.size(), 2u);
    model().askClearPins(ctx->id);
    EXPECT_TRUE(ctx->members.empty());
    expectSavedAndAnnounced(2);

    ASSERT_EQ(alerts.shown.size(), 4u);
    EXPECT_EQ(alertLine(alerts.shown[0]),
              "Remove this rule? /  / [Remove rule] [Cancel] (warning)");
    EXPECT_EQ(alertLine(alerts.shown[2]),
              "Remove all pinned windows? /  / [Clear pins] [Cancel] (warning)");
}

TEST_F(SettingsEditingTest, RuleMatchesAreTheLiveWindowsTheRuleAloneMatches) {
    addWindow(editor, 11, "draft one");
    addWindow(editor, 12, "final");
    addWindow(browser, 21, "draft news");
    Rule r = rule(RuleField::title, RuleOp::contains, "draft");
    EXPECT_EQ(titlesOf(model().ruleMatches(r)), (Names{"draft news", "draft one"}));
    r.clauses.push_back(Condition{RuleField::appName, RuleOp::equals, "Browser"});
    EXPECT_EQ(titlesOf(model().ruleMatches(r)), Names{"draft news"});
    EXPECT_TRUE(model().ruleMatches(rule(RuleField::title, RuleOp::contains, "")).empty());

    // An exclude rule previews the windows it blocks, though an exclude-only context has none.
    ctx->rules = {rule(RuleField::appName, RuleOp::equals, "Editor", true)};
    EXPECT_EQ(titlesOf(model().ruleMatches(ctx->rules[0])), (Names{"final", "draft one"}));
    EXPECT_TRUE(model().matchingWindows(*ctx, model().windows()).empty());
}

// --- Pinned windows ----------------------------------------------------------------------------

TEST_F(SettingsEditingTest, PinnedWindowsAreTheLiveWindowsAWindowOrApplicationPinNames) {
    addWindow(editor, 11, "notes");
    addWindow(editor, 12, "todo");
    addWindow(browser, 21, "news");
    addWindow(browser, 22, "mail");
    ctx->members = {
        WinRef{"org.editor", "todo", false, std::nullopt}, // by title
        WinRef{"org.browser", "", true, std::nullopt},     // the whole application
    };
    // A rule match is not a pin.
    ctx->rules = {rule(RuleField::title, RuleOp::equals, "notes")};
    EXPECT_EQ(titlesOf(model().pinnedWindows(*ctx)), (Names{"mail", "news", "todo"}));
}

TEST_F(SettingsEditingTest, UnpinRemovesEveryWindowPinNamingTheWindowButNoApplicationPin) {
    // An untitled window without an id matches nothing by accident.
    ctx->members = {WinRef{"org.editor", "", false, std::nullopt}};
    model().unpin(ctx->id, Win{editor, "org.editor", "Editor", "", 0});
    EXPECT_EQ(ctx->members.size(), 1u);
    expectSavedAndAnnounced(0);

    addWindow(editor, 11, "notes");
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

} // namespace
} // namespace morvelan
