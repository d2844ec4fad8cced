// Settings model: the context editor's operations — name, colour, workspace, rules and their
// conditions, rule previews, pinned windows.
#include "core/settings/SettingsKit.h"

#include <gtest/gtest.h>

#include <functional>

namespace morvelan {
namespace {

using Names = std::vector<std::string>;

class SettingsEditingTest : public ::testing::Test, protected SettingsKit {
protected:
    void SetUp() override {
        store.load();
        ctx = addContext("Writing");
        watch();
        files.writes = 0;
    }
    // The saves and announcements since the last call.
    std::pair<int, int> changes() {
        const std::pair<int, int> seen{files.writes, announcements()};
        files.writes = announced = 0;
        return seen;
    }
    ContextPtr ctx;
};

// An edit is saved and told once; an edit of nothing (an unknown context or workspace, a position
// out of range, the value already there, a cancelled question) is neither.
TEST_F(SettingsEditingTest, EachEditIsSavedAndToldOnceAndAnEditOfNothingIsNeither) {
    const Uuid other = store.addWorkspace("Other");
    const Uuid ghost = Uuid::random();
    ctx->members = {WinRef{"org.browser", "", true, std::nullopt}};
    changes();
    const Condition draft{RuleField::title, RuleOp::contains, "draft"};
    const std::pair<bool, std::function<void()>> edits[] = {
        {true, [&] { model().setName(ctx->id, "Deep work"); }},
        {false, [&] { model().setName(ctx->id, "Deep work"); }},
        {false, [&] { model().setName(ghost, "x"); }},
        {true,
         [&] {
             model().setColor(ctx->id, Color{1.0, 0.5, 0.0, 1.0});
         }},
        {true, [&] { model().setWorkspace(ctx->id, other); }},
        {false, [&] { model().setWorkspace(ctx->id, ghost); }},
        {true, [&] { model().addRule(ctx->id, false); }},
        {false, [&] { model().addRule(ghost, false); }},
        {true, [&] { model().addCondition(ctx->id, 0); }},
        {false, [&] { model().addCondition(ctx->id, 1); }},
        {true, [&] { model().setCondition(ctx->id, 0, 1, draft); }},
        {false, [&] { model().setCondition(ctx->id, 0, 1, draft); }},
        {false, [&] { model().setCondition(ctx->id, 0, 2, draft); }},
        {false, [&] { model().setCondition(ctx->id, 1, 0, draft); }},
        {true, [&] { model().removeCondition(ctx->id, 0, 0); }},
        {false, [&] { model().removeCondition(ctx->id, 0, 1); }},
        {true, [&] { model().addRule(ctx->id, true); }},
        {false, [&] { model().askRemoveRule(ctx->id, 0); }}, // Cancel
        {false, [&] { model().askRemoveRule(ctx->id, 2); }},
        {true, [&] { model().askRemoveRule(ctx->id, 0); }},
        {false, [&] { model().askClearPins(ctx->id); }}, // Cancel
        {false, [&] { model().askClearPins(ghost); }},
        {true, [&] { model().askClearPins(ctx->id); }},
        {false, [&] { model().clearPins(ctx->id); }},
    };
    alerts.answers = {1, 0, 1, 0};
    for (std::size_t i = 0; i < std::size(edits); ++i) {
        edits[i].second();
        EXPECT_EQ(changes(), edits[i].first ? std::pair(1, 1) : std::pair(0, 0)) << "edit " << i;
    }
    EXPECT_EQ(alerts.shown.size(), 4u);
    EXPECT_EQ(ctx->name, "Deep work");
    EXPECT_EQ(ctx->colorHex, "#FF8000");
    EXPECT_EQ(ctx->workspaceID, other);
    ASSERT_EQ(ctx->rules.size(), 1u);
    EXPECT_TRUE(ctx->rules[0].exclude) << "the confirmed removal took the first rule";
    EXPECT_TRUE(ctx->members.empty());
}

// Removing a rule's last condition removes the rule; a pattern that does not compile is kept as
// typed, so that it can be fixed, and marked.
TEST_F(SettingsEditingTest, ARuleGoesWithItsLastConditionAndAnInvalidPatternIsKeptButMarked) {
    model().addRule(ctx->id, true);
    model().addRule(ctx->id, false);
    model().addCondition(ctx->id, 1);
    model().removeCondition(ctx->id, 1, 0);
    ASSERT_EQ(ctx->rules.size(), 2u) << "one condition left";
    model().removeCondition(ctx->id, 1, 0);
    ASSERT_EQ(ctx->rules.size(), 1u);
    EXPECT_TRUE(ctx->rules[0].exclude) << "the other rule stays";

    const Condition broken{RuleField::title, RuleOp::regex, "(unclosed"};
    model().setCondition(ctx->id, 0, 0, broken);
    EXPECT_EQ(ctx->rules[0].clauses[0], broken);
    EXPECT_NE(files.inFolder("contexts.json").find("(unclosed"), std::string::npos);
    EXPECT_FALSE(SettingsModel::patternValid(broken));
    EXPECT_TRUE(SettingsModel::patternValid(Condition{RuleField::title, RuleOp::regex, "^a.*"}));
    EXPECT_TRUE(SettingsModel::patternValid(Condition{RuleField::title, RuleOp::contains, "(x"}));
}

TEST_F(SettingsEditingTest, PreviewsShowWhatARuleMatchesAndWhatPinsNameAndUnpinKeepsAppPins) {
    addWindow(editor, 11, "notes");
    addWindow(editor, 12, "todo");
    addWindow(editor, 13, "draft");
    addWindow(browser, 21, "news");
    // An exclude rule previews the windows it keeps out, though the context then claims none.
    ctx->rules = {rule(RuleField::appName, RuleOp::equals, "Editor", true)};
    EXPECT_EQ(titlesOf(model().ruleMatches(ctx->rules[0])), (Names{"draft", "todo", "notes"}));
    EXPECT_TRUE(model().matchingWindows(*ctx, model().windows()).empty());

    // Window and application pins are listed; a window a rule matches is not a pinned one.
    ctx->rules = {rule(RuleField::title, RuleOp::equals, "draft")};
    ctx->members = {
        WinRef{"org.editor", "old title", false, 11u}, // by id
        WinRef{"org.editor", "notes", false, 99u},     // by title: 99 is gone
        WinRef{"org.browser", "", true, std::nullopt}, // the whole application
        WinRef{"org.editor", "todo", false, 12u},
    };
    EXPECT_EQ(titlesOf(model().pinnedWindows(*ctx)), (Names{"news", "todo", "notes"}));
    // Unpinning removes every window pin that names the window, and never an application pin:
    // a window listed through one stays.
    model().unpin(ctx->id, Win{editor, "org.editor", "Editor", "notes", 11});
    model().unpin(ctx->id, Win{browser, "org.browser", "Browser", "news", 21});
    EXPECT_EQ(ctx->members, (std::vector<WinRef>{WinRef{"org.browser", "", true, std::nullopt},
                                                 WinRef{"org.editor", "todo", false, 12u}}));
    EXPECT_EQ(changes(), std::pair(1, 1));
}

} // namespace
} // namespace morvelan
