// Settings model: creation, change announcements, the live-window cache, workspaces and
// contexts with their confirmations and the selection that follows.
#include "core/settings/SettingsKit.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

using Names = std::vector<std::string>;

class SettingsModelTest : public ::testing::Test, protected SettingsKit {
protected:
    // Counts announcements after the queue has run.
    int announcements() {
        queue.drain();
        return announced;
    }
    void watch() {
        subscription = model().observe([this] { ++announced; });
    }

    int announced = 0;
    Subscription subscription;
};

// --- Creation and announcements ---------------------------------------------------------------

TEST_F(SettingsModelTest, OpeningWithoutWorkspacesCreatesAndSavesDefault) {
    SettingsModel& m = model();
    ASSERT_EQ(store.workspaces().size(), 1u);
    EXPECT_EQ(store.workspaces()[0].name, "Default");
    EXPECT_EQ(m.selectedWorkspaceID(), store.workspaces()[0].id);
    EXPECT_NE(file("contexts.json").find("\"Default\""), std::string::npos);
    EXPECT_FALSE(m.selectedContextID());
    EXPECT_EQ(m.selectedTab(), SettingsModel::Tab::general);
    EXPECT_FALSE(m.editing());
    EXPECT_FALSE(m.recording());
}

TEST_F(SettingsModelTest, ChangesOfOneTurnReachObserversOnceOnTheNextTurn) {
    watch();
    model().setSelectedTab(SettingsModel::Tab::general); // already so: no change
    model().setSelectedWorkspaceID(model().selectedWorkspaceID());
    EXPECT_EQ(announcements(), 0);
    model().bump();
    model().setSelectedTab(SettingsModel::Tab::about);
    model().bump();
    EXPECT_EQ(announced, 0); // nothing inline
    EXPECT_EQ(announcements(), 1);
    model().bump();
    EXPECT_EQ(announcements(), 2);
}

TEST_F(SettingsModelTest, EndedSubscriptionsAndAGoneModelAreNotAnnounced) {
    int second = 0;
    Subscription other;
    subscription = model().observe([&] {
        ++announced;
        other.reset(); // a screen rebuilt by the first observer drops the later one
    });
    other = model().observe([&] { ++second; });
    model().bump();
    EXPECT_EQ(announcements(), 1);
    EXPECT_EQ(second, 0);

    model().bump();
    destroyModel();
    EXPECT_EQ(announcements(), 1) << "queued before the model went";
    subscription.reset(); // the model's list is gone; ending the subscription is harmless
}

// --- Live windows ------------------------------------------------------------------------------

TEST_F(SettingsModelTest, WindowsAreRescannedWhenOlderThanTwoSecondsAndChangesAnnounced) {
    addWindow(editor, 11, "notes");
    watch();
    EXPECT_EQ(titlesOf(model().windows()), Names{"notes"});
    addWindow(browser, 21, "news");
    queue.advance(2.0);
    EXPECT_EQ(titlesOf(model().windows()), Names{"notes"});
    queue.advance(0.01);
    EXPECT_EQ(titlesOf(model().windows()), (Names{"news", "notes"}));

    EXPECT_EQ(announcements(), 0) << "reading the windows announces nothing";
    model().refreshLiveWindows();
    EXPECT_EQ(announcements(), 1);
    queue.advance(3);
    model().refreshLiveWindows();
    EXPECT_EQ(announcements(), 1) << "the same windows";
    windows.window(11).title = "notes — edited";
    queue.advance(3);
    model().refreshLiveWindows();
    EXPECT_EQ(announcements(), 2);
}

TEST_F(SettingsModelTest, MatchingWindowsAndAlsoInUseTheMembershipTest) {
    store.load();
    addWindow(editor, 11, "notes");
    addWindow(browser, 21, "news");
    ContextPtr writing = addContext("Writing");
    writing->rules = {rule(RuleField::appName, RuleOp::equals, "Editor")};
    ContextPtr all = addContext("All");
    all->rules = {rule(RuleField::title, RuleOp::contains, "n")};
    ContextPtr none = addContext("None");

    const auto& wins = model().windows();
    EXPECT_EQ(titlesOf(model().matchingWindows(*writing, wins)), Names{"notes"});
    EXPECT_EQ(titlesOf(model().matchingWindows(*none, wins)), Names{});
    EXPECT_EQ(model().alsoIn(wins[1], writing->id), 1); // "All" only
    EXPECT_EQ(model().alsoIn(wins[1], none->id), 2);
    EXPECT_EQ(model().alsoIn(wins[0], all->id), 0);
}

// --- Workspaces --------------------------------------------------------------------------------

TEST_F(SettingsModelTest, OpensOnTheFirstWorkspaceListingItsContextsInRecencyOrder) {
    Uuid one = addWorkspace("One");
    Uuid two = addWorkspace("Two");
    ContextPtr a = addContext("A", one);
    addContext("B", two);
    addContext("C", one);
    addContext("D")->workspaceID.reset(); // no workspace: counts as the first one
    files.writes = 0;
    EXPECT_EQ(model().selectedWorkspaceID(), one);
    EXPECT_EQ(model().selectedContextID(), a->id);
    EXPECT_EQ(files.writes, 0);
    store.setActive(a->id);

    model().setSelectedWorkspaceID(one);
    EXPECT_EQ(namesOf(model().contextsInSelectedWorkspace()), (Names{"A", "D", "C"}));
    model().setSelectedWorkspaceID(two);
    EXPECT_EQ(namesOf(model().contextsInSelectedWorkspace()), Names{"B"});
    model().setSelectedWorkspaceID(std::nullopt);
    EXPECT_TRUE(model().contextsInSelectedWorkspace().empty());
}

TEST_F(SettingsModelTest, NewWorkspaceIsNamedFromTheCountSavedAndSelectedAndRenamed) {
    addWorkspace("Alpha");
    addWorkspace("Workspace 3");
    watch();
    model().addWorkspace();
    ASSERT_EQ(store.workspaces().size(), 3u);
    EXPECT_EQ(store.workspaces()[2].name, "Workspace 3"); // from the count, even if taken
    EXPECT_EQ(model().selectedWorkspaceID(), store.workspaces()[2].id);
    EXPECT_NE(file("contexts.json").find("Workspace 3"), std::string::npos);
    EXPECT_EQ(announcements(), 1);

    model().renameWorkspace(store.workspaces()[2].id, "Work");
    EXPECT_EQ(store.workspaces()[2].name, "Work");
    EXPECT_NE(file("contexts.json").find("\"Work\""), std::string::npos);
    EXPECT_EQ(announcements(), 2);
}

TEST_F(SettingsModelTest, OnlyASelectedKnownWorkspaceThatIsNotTheLastIsRemoved) {
    model();
    EXPECT_FALSE(model().canRemoveSelectedWorkspace()) << "the last one";
    model().removeSelectedWorkspace();
    addWorkspace("Two");
    model().setSelectedWorkspaceID(std::nullopt);
    EXPECT_FALSE(model().canRemoveSelectedWorkspace());
    model().removeSelectedWorkspace();
    model().setSelectedWorkspaceID(Uuid::random());
    model().removeSelectedWorkspace();
    EXPECT_EQ(store.workspaces().size(), 2u);
    EXPECT_TRUE(alerts.shown.empty());
}

TEST_F(SettingsModelTest, RemovingAWorkspaceAsksCountingItsContextsThenSelectsTheFirst) {
    Uuid one = addWorkspace("One");
    Uuid two = addWorkspace("Two");
    model().setSelectedWorkspaceID(two);
    alerts.answers = {1, 1, 1}; // Cancel
    model().removeSelectedWorkspace();
    addContext("A", two);
    model().removeSelectedWorkspace();
    addContext("B", two);
    model().removeSelectedWorkspace();
    EXPECT_EQ(store.workspaces().size(), 2u);
    EXPECT_EQ(model().selectedWorkspaceID(), two);
    model().removeSelectedWorkspace(); // Delete

    ASSERT_EQ(alerts.shown.size(), 4u);
    EXPECT_EQ(alertLine(alerts.shown[0]),
              "Delete workspace “Two”? / This cannot be undone. / [Delete] [Cancel] (warning)");
    EXPECT_EQ(alerts.shown[1].text, "Its 1 context will move to another workspace.");
    EXPECT_EQ(alerts.shown[2].text, "Its 2 contexts will move to another workspace.");
    ASSERT_EQ(store.workspaces().size(), 1u);
    EXPECT_EQ(model().selectedWorkspaceID(), one);
}

// --- Contexts ----------------------------------------------------------------------------------

TEST_F(SettingsModelTest, NewContextGoesToTheSelectedOrElseActiveWorkspaceAndOpensTheEditor) {
    store.load();
    Uuid two = addWorkspace("Two");
    model().setSelectedWorkspaceID(two);
    model().createContext();
    ASSERT_EQ(store.contexts().size(), 1u);
    const ContextPtr created = store.contexts()[0];
    EXPECT_EQ(created->name, "New context");
    EXPECT_EQ(created->colorHex, "#FF6B6B");
    EXPECT_EQ(created->workspaceID, two);
    EXPECT_TRUE(created->members.empty());
    EXPECT_TRUE(created->rules.empty());
    EXPECT_FALSE(created->match);
    EXPECT_EQ(model().selectedContextID(), created->id);
    EXPECT_EQ(model().editing(), created);
    EXPECT_NE(file("contexts.json").find("New context"), std::string::npos);

    store.setActive(created->id);
    model().setSelectedWorkspaceID(std::nullopt);
    for (int i = 0; i < 8; ++i)
        model().createContext();
    EXPECT_EQ(store.contexts().back()->workspaceID, two);
    // The ninth context takes the first palette colour again.
    EXPECT_EQ(store.contexts()[7]->colorHex, "#E84393");
    EXPECT_EQ(store.contexts()[8]->colorHex, "#FF6B6B");
}

TEST_F(SettingsModelTest, EditingAndDeletingKnownContextsOnlyAfterAskingAndFixingTheSelection) {
    store.load();
    ContextPtr a = addContext("A");
    ContextPtr b = addContext("B");
    ContextPtr c = addContext("Writing");
    model().edit(Uuid::random());
    EXPECT_FALSE(model().editing());
    model().deleteContext(std::nullopt);
    model().deleteContext(Uuid::random());
    EXPECT_TRUE(alerts.shown.empty());
    alerts.answers = {1}; // Cancel
    model().deleteContext(c->id);
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alertLine(alerts.shown[0]),
              "Delete context “Writing”? / Its pins, rules, and mutes go "
              "with it. This cannot be undone. / [Delete] [Cancel] (warning)");
    EXPECT_EQ(store.contexts().size(), 3u);

    model().setSelectedContextID(b->id);
    model().edit(b->id);
    model().deleteContext(c->id);
    EXPECT_EQ(model().selectedContextID(), b->id) << "another context went";
    EXPECT_EQ(model().editing(), b);
    model().deleteContext(b->id);
    EXPECT_EQ(model().selectedContextID(), a->id) << "the first is selected";
    EXPECT_FALSE(model().editing());
    model().edit(a->id);
    EXPECT_EQ(model().editing(), a);
    model().endEditing();
    EXPECT_FALSE(model().editing());
    model().deleteContext(a->id);
    EXPECT_FALSE(model().selectedContextID());
    EXPECT_TRUE(store.contexts().empty());
}

TEST(TildePathTest, AbbreviatesOnlyTheHomeFolderItself) {
    EXPECT_EQ(tildePath("/home/ann/.local/share/Morvelan/contexts.json", "/home/ann"),
              "~/.local/share/Morvelan/contexts.json");
    EXPECT_EQ(tildePath("/home/ann/x", "/home/ann/"), "~/x");
    EXPECT_EQ(tildePath("/home/anne/x", "/home/ann"), "/home/anne/x");
    EXPECT_EQ(tildePath("/srv/x", ""), "/srv/x");
    EXPECT_EQ(tildePath("/srv/x", "/"), "/srv/x");
}

} // namespace
} // namespace morvelan
