// Settings model: change announcements, the live-window list, workspaces and contexts with their
// confirmations and the selection that follows them.
#include "core/settings/SettingsKit.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

using Names = std::vector<std::string>;

class SettingsModelTest : public ::testing::Test, protected SettingsKit {
protected:
    Names namesInSelectedWorkspace() {
        Names names;
        for (const ContextPtr& c : model().contextsInSelectedWorkspace())
            names.push_back(c->name);
        return names;
    }
};

// Screens rebuild when told, so a change is told once, after the action that made it, and never
// to an observer or by a model that has gone.
TEST_F(SettingsModelTest, ChangesAreToldOnceOnTheNextTurnAndNotAfterTheListenerOrModelWent) {
    int second = 0;
    Subscription other;
    Subscription first = model().observe([&] {
        ++announced;
        other.reset(); // a screen rebuilt by the first observer drops the later one
    });
    other = model().observe([&] { ++second; });
    model().setSelectedTab(SettingsModel::Tab::general); // unchanged
    EXPECT_EQ(announcements(), 0);
    model().bump();
    model().setSelectedTab(SettingsModel::Tab::about);
    EXPECT_EQ(announced, 0) << "nothing inline";
    EXPECT_EQ(announcements(), 1);
    EXPECT_EQ(second, 0);

    model().bump();
    destroyModel();
    EXPECT_EQ(announcements(), 1) << "queued before the model went";
}

TEST_F(SettingsModelTest, TheWindowListIsReadAgainAfterTwoSecondsAndToldOnlyWhenItChanged) {
    addWindow(editor, 11, "notes");
    watch();
    EXPECT_EQ(titlesOf(model().windows()), Names{"notes"});
    addWindow(browser, 21, "news");
    queue.advance(2.0);
    EXPECT_EQ(titlesOf(model().windows()), Names{"notes"});
    queue.advance(0.01);
    EXPECT_EQ(titlesOf(model().windows()), (Names{"news", "notes"}));

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

TEST_F(SettingsModelTest, OpensOnTheFirstWorkspaceListingItsContextsByRecencyMakingADefault) {
    model();
    ASSERT_EQ(store.workspaces().size(), 1u);
    EXPECT_EQ(model().selectedWorkspaceID(), store.workspaces()[0].id);
    EXPECT_NE(files.inFolder("contexts.json").find("\"Default\""), std::string::npos);

    destroyModel();
    const Uuid two = store.addWorkspace("Two");
    ContextPtr c = addContext("C");
    c->workspaceID.reset(); // counts as the first
    ContextPtr a = addContext("A", store.workspaces()[0].id);
    addContext("B", two);
    store.setActive(a->id);
    files.writes = 0;
    EXPECT_EQ(model().selectedContextID(), c->id);
    EXPECT_EQ(files.writes, 0);
    EXPECT_EQ(namesInSelectedWorkspace(), (Names{"A", "C"}));
    model().setSelectedWorkspaceID(two);
    EXPECT_EQ(namesInSelectedWorkspace(), Names{"B"});
}

TEST_F(SettingsModelTest, WorkspacesAreNamedFromTheCountAndRemovedAfterAskingButNeverTheLast) {
    model().removeSelectedWorkspace(); // the only one
    store.addWorkspace("Workspace 3");
    model().setSelectedWorkspaceID(Uuid::random());
    model().removeSelectedWorkspace();
    EXPECT_TRUE(alerts.shown.empty());
    model().addWorkspace();
    ASSERT_EQ(store.workspaces().size(), 3u);
    const Workspace added = store.workspaces()[2];
    EXPECT_EQ(added.name, "Workspace 3") << "from the count, even if taken";
    EXPECT_EQ(model().selectedWorkspaceID(), added.id);

    // The question counts the contexts that will move; Cancel keeps the workspace.
    alerts.answers = {1, 1, 1};
    for (int contexts = 0; contexts < 3; ++contexts) {
        if (contexts > 0) addContext("C", added.id);
        model().removeSelectedWorkspace();
    }
    ASSERT_EQ(alerts.shown.size(), 3u);
    EXPECT_EQ(alerts.shown[0].text, "This cannot be undone.");
    EXPECT_EQ(alerts.shown[1].text, "Its 1 context will move to another workspace.");
    EXPECT_EQ(alerts.shown[2].text, "Its 2 contexts will move to another workspace.");
    EXPECT_EQ(store.workspaces().size(), 3u);
    model().removeSelectedWorkspace();
    EXPECT_EQ(store.workspaces().size(), 2u);
    EXPECT_EQ(model().selectedWorkspaceID(), store.workspaces()[0].id);
}

TEST_F(SettingsModelTest, NewContextsGoToTheSelectedElseTheActiveWorkspaceWithPaletteColours) {
    store.load();
    const Uuid two = store.addWorkspace("Two");
    model().setSelectedWorkspaceID(two);
    model().createContext();
    const ContextPtr first = store.contexts().at(0);
    EXPECT_EQ(first->workspaceID, two);
    EXPECT_EQ(model().selectedContextID(), first->id);
    EXPECT_EQ(model().editing(), first);

    store.setActive(first->id);
    model().setSelectedWorkspaceID(std::nullopt);
    for (int i = 0; i < 8; ++i)
        model().createContext();
    EXPECT_EQ(store.contexts()[8]->workspaceID, two);
    EXPECT_NE(store.contexts()[7]->colorHex, first->colorHex);
    EXPECT_EQ(store.contexts()[8]->colorHex, first->colorHex)
        << "the ninth starts the palette again";
}

TEST_F(SettingsModelTest, DeletingAContextAsksThenSelectsTheFirstAndClosesItsEditor) {
    store.load();
    ContextPtr a = addContext("A");
    ContextPtr b = addContext("B");
    ContextPtr c = addContext("C");
    model().deleteContext(Uuid::random());
    EXPECT_TRUE(alerts.shown.empty());
    model().setSelectedContextID(b->id);
    model().edit(b->id);
    model().deleteContext(c->id);
    EXPECT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(model().selectedContextID(), b->id) << "another context went";
    EXPECT_EQ(model().editing(), b);
    model().deleteContext(b->id);
    EXPECT_EQ(model().selectedContextID(), a->id);
    EXPECT_FALSE(model().editing());
    model().deleteContext(a->id);
    EXPECT_FALSE(model().selectedContextID());
}

TEST(TildePathTest, AbbreviatesOnlyTheHomeFolderItself) {
    EXPECT_EQ(tildePath("/home/ann/x", "/home/ann/"), "~/x");
    EXPECT_EQ(tildePath("/home/anne/x", "/home/ann"), "/home/anne/x");
    EXPECT_EQ(tildePath("/srv/x", ""), "/srv/x");
    EXPECT_EQ(tildePath("/srv/x", "/"), "/srv/x");
}

} // namespace
} // namespace morvelan
