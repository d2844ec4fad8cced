// The tray controller: rebuilds on store changes, fresh counts on opening, command dispatch.
#include "core/menubar/MenuBarController.h"
#include "fakes/FakeMenuView.h"
#include "fakes/MemoryFiles.h"
#include "fakes/RecordingLog.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace morvelan {
namespace {

class MenuBarControllerTest : public ::testing::Test {
protected:
    MenuBarControllerTest() : store(files, log) {
        store.load(); // one "Default" workspace
        a = makeContext("A", "#FF0000");
        b = makeContext("B", "#00FF00");
        store.contexts = {a, b};
        store.activeID = a->id;
    }

    const MenuItem& itemTitled(const MenuModel& model, const std::string& title) {
        auto it = std::find_if(model.items.begin(), model.items.end(),
                               [&](const MenuItem& i) { return i.title == title; });
        EXPECT_NE(it, model.items.end()) << title;
        return *it;
    }

    MemoryFiles files;
    RecordingLog log;
    ContextStore store;
    ContextPtr a, b;
    FakeMenuView view;
};

TEST_F(MenuBarControllerTest, BuildsOnCreationAndFollowsEveryStoreChange) {
    MenuBarController menu(store, &view);
    ASSERT_EQ(view.rebuilds(), 1u);
    EXPECT_EQ(view.last().button.title, " A");

    store.setActiveSilent(b->id);
    ASSERT_EQ(view.rebuilds(), 2u);
    EXPECT_EQ(view.last().button.title, " B");
    EXPECT_TRUE(itemTitled(view.last(), "B").checked);
    EXPECT_FALSE(itemTitled(view.last(), "A").checked);
}

TEST_F(MenuBarControllerTest, CountsAreAskedOnlyWhenTheMenuOpens) {
    MenuBarController menu(store, &view);
    int asked = 0;
    int live = 1;
    menu.windowCounts = [&] {
        ++asked;
        return WindowCounts{{a->id, live}};
    };
    menu.rebuild();
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(itemTitled(view.last(), "A").enabled);

    menu.menuWillOpen();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(itemTitled(view.last(), "A").enabled);
    EXPECT_FALSE(itemTitled(view.last(), "B").enabled);

    // Later rebuilds keep the last counts.
    store.save();
    EXPECT_TRUE(itemTitled(view.last(), "A").enabled);
    EXPECT_EQ(asked, 1);

    // A context whose windows closed is disabled at the next opening, and stays checked.
    live = 0;
    menu.menuWillOpen();
    EXPECT_FALSE(itemTitled(view.last(), "A").enabled);
    EXPECT_TRUE(itemTitled(view.last(), "A").checked);
}

TEST_F(MenuBarControllerTest, WarningReplacesTheButtonAfterRebuild) {
    MenuBarController menu(store, &view);
    menu.warning = "Hotkeys blocked";
    menu.rebuild();
    EXPECT_EQ(view.last().button.kind, MenuButton::Kind::warning);
    EXPECT_EQ(view.last().button.title, " Hotkeys blocked");
    menu.warning.reset();
    menu.rebuild();
    EXPECT_EQ(view.last().button.title, " A");
}

TEST_F(MenuBarControllerTest, CommandsReachTheirCallbacks) {
    MenuBarController menu(store, &view);
    std::vector<std::string> calls;
    menu.onNewContext = [&] { calls.push_back("new"); };
    menu.onSettings = [&] { calls.push_back("settings"); };
    menu.onDump = [&] { calls.push_back("dump"); };
    menu.onQuit = [&] { calls.push_back("quit"); };
    const MenuModel model = menu.model();
    for (const MenuItem& item : model.items)
        if (item.kind == MenuItem::Kind::command) menu.trigger(item);
    EXPECT_EQ(calls, (std::vector<std::string>{"new", "settings", "dump", "quit"}));
}

TEST_F(MenuBarControllerTest, ChoosingAContextItemActivatesItThroughTheStoreIfItStillExists) {
    MenuBarController menu(store, &view);
    std::vector<std::optional<Uuid>> activated;
    store.onActivate = [&](std::optional<Uuid> id) { activated.push_back(id); };
    const MenuItem itemA = itemTitled(menu.model(), "A");
    // The item belongs to the model the store's change replaces.
    menu.trigger(itemTitled(menu.model(), "B"));
    EXPECT_EQ(store.activeID, b->id);
    EXPECT_EQ(activated.size(), 1u);
    EXPECT_EQ(view.last().button.title, " B");

    store.contexts = {b};
    const std::size_t before = view.rebuilds();
    menu.trigger(itemA);
    EXPECT_EQ(store.activeID, b->id);
    EXPECT_EQ(view.rebuilds(), before);
}

TEST_F(MenuBarControllerTest, WorksWithoutAViewAndStoreChangesOutliveTheController) {
    {
        MenuBarController menu(store, nullptr);
        store.setActiveSilent(b->id);
        EXPECT_EQ(menu.model().button.title, " B");
    }
    { MenuBarController menu(store, &view); }
    const std::size_t before = view.rebuilds();
    store.save();
    EXPECT_EQ(view.rebuilds(), before);
}

} // namespace
} // namespace morvelan
